#!/bin/bash
# A single run stopped by SIGINT, SIGTERM or SIGHUP dies of the signal and
# leaves no temporary files beside its outputs. Started from python so that
# the run sees the signals' default handling (a background job of a script
# would ignore SIGINT).
set -euo pipefail
batch=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
python3 - "$batch" "$work" <<'PY'
import os, signal, subprocess, sys, time
batch, work = sys.argv[1], sys.argv[2]
failed = 0
for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    p = subprocess.Popen([batch, "--steps", "100000000", "--agents", "50", "--csv", f"{work}/a.csv",
                          "--json", f"{work}/a.json", "--png", f"{work}/a.png"])
    time.sleep(0.5)
    p.send_signal(sig)
    rc = p.wait()
    left = sorted(os.listdir(work))
    ok = rc == -sig and not left
    failed += not ok
    print(f"{sig.name}: exit {rc}, left {left}: {'held' if ok else 'FAILED'}")
sys.exit(1 if failed else 0)
PY
