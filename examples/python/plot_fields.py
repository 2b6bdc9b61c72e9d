#!/usr/bin/env python3
"""Draws a Quorvan field history: the return trail at three times, and each
destination's returns over time (which source is exploited when).

    quorvan-batch --steps 3000 --seed 42 --fields run.h5 --fields-every 100
    python3 plot_fields.py run.h5 fields.png
"""
import sys

import matplotlib

matplotlib.use("Agg")  # files only, no window
import matplotlib.pyplot as plt
import numpy as np
import xarray as xr

source, target = sys.argv[1], sys.argv[2]
ds = xr.open_dataset(source, engine="h5netcdf")

times = ds.time.values
# Early, a third of the way and at the end.
picks = [times[len(times) // 10], times[len(times) // 3], times[-1]] if len(times) >= 3 else list(times)
fig = plt.figure(figsize=(12, 7.5), layout="constrained")
grid = fig.add_gridspec(2, len(picks), height_ratios=[1.15, 1])

# The return trail at three times, on one colour scale (log: trails span
# several orders of magnitude), with the destinations marked.
top = float(ds.ReturnTrack.sel(time=picks[-1]).max()) or 1.0
for i, t in enumerate(picks):
    ax = fig.add_subplot(grid[0, i])
    trail = ds.ReturnTrack.sel(time=t)
    image = ax.imshow(np.log10(1 + trail.values), origin="upper", cmap="magma_r", vmin=0, vmax=np.log10(1 + top))
    ax.scatter(ds.destination_column, ds.destination_row, s=14, marker="s", color="tab:green", label="destination")
    ax.set_title(f"return trail at step {int(t)}")
    ax.set_xlabel("column")
    ax.set_ylabel("row")
fig.colorbar(image, ax=fig.axes, shrink=0.8, label="log10(1 + ReturnTrack)")

# Each destination's returns over time.
ax = fig.add_subplot(grid[1, :])
for d in ds.destination.values:
    returns = ds.Returns.sel(destination=d)
    ax.plot(ds.time, returns, label=f"{int(d)} ({int(ds.destination_column[d])}, {int(ds.destination_row[d])})")
ax.set_xlabel("step")
ax.set_ylabel("loads delivered (Returns)")
ax.set_title("returns per destination (column, row)")
ax.legend(ncol=5, fontsize="small", loc="upper left")
fig.savefig(target, dpi=80)
print(f"wrote {target}")
