#!/bin/bash
# A single run stopped by SIGINT, SIGTERM or SIGHUP dies of the signal and
# leaves no temporary files beside its outputs; one that fills its disk says
# so, naming the file, and leaves nothing either. Started from python so that
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
disk = os.path.join(work, "disk")
os.mkdir(disk)
if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8k", "tmpfs", disk], capture_output=True).returncode != 0:
    print("full disk: skipped, cannot mount a small tmpfs here (needs root)")
else:
    try:
        for out in ("--csv", "--png", "--fields"):
            target = f"{disk}/a.{out[2:]}"
            r = subprocess.run([batch, "--steps", "3000", "--agents", "50", out, target], capture_output=True, text=True)
            ok = (r.returncode == 2 and f"cannot write '{target}': no space left on device" in r.stderr
                  and "HDF5-DIAG" not in r.stderr and not os.listdir(disk))
            failed += not ok
            print(f"full disk {out}: exit {r.returncode}, {r.stderr.strip()!r}: {'held' if ok else 'FAILED'}")
    finally:
        subprocess.run(["umount", disk])
sys.exit(1 if failed else 0)
PY
