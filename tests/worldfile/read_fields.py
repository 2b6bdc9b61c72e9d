# Reads a field history with xarray, as a researcher would, and checks it
# against the worlds saved at its snapshot steps and the run's summary.
import json, os, subprocess, sys
import h5py, numpy, xarray

batch, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
run = [batch, "--agents", "300", "--seed", "9", "--mode", "raster"]
fields = os.path.join(out, "fields.h5")
subprocess.run(run + ["--steps", "125", "--fields", fields, "--fields-every", "40",
                      "--json", os.path.join(out, "end.json")], check=True, capture_output=True)
world80 = os.path.join(out, "step80.qvw")
subprocess.run(run + ["--steps", "80", "--save-world", world80], check=True, capture_output=True)

ds = xarray.open_dataset(fields, engine="h5netcdf")
assert dict(ds.sizes) == {"time": 4, "row": 202, "column": 202, "agent": 300, "destination": 25}, dict(ds.sizes)
assert list(ds.time.values) == [40, 80, 120, 125], ds.time.values  # every 40 steps and the last
assert list(ds.column.values) == list(range(202)) and list(ds.row.values) == list(range(202))
for name, dims in [("Track", ("time", "row", "column")), ("ReturnTrack", ("time", "row", "column")),
                   ("agent_column", ("time", "agent")), ("agent_row", ("time", "agent")),
                   ("agent_state", ("time", "agent")), ("agent_heading", ("time", "agent")),
                   ("Returns", ("time", "destination")), ("Kind", ("row", "column"))]:
    assert ds[name].dims == dims, (name, ds[name].dims)
    assert ds[name].attrs["long_name"], name
assert ds.time.attrs["units"] == "steps"

with h5py.File(world80, "r") as w:
    at80 = ds.sel(time=80)
    # The world file's grids are [row, column] too.
    assert numpy.array_equal(at80.ReturnTrack.values, w["cells/ReturnTrack"][...])
    assert numpy.array_equal(at80.Track.values, w["cells/Track"][...])
    assert at80.ReturnTrack.values.max() > 0
    r, c = numpy.unravel_index(numpy.argmax(at80.ReturnTrack.values), at80.ReturnTrack.shape)
    assert at80.ReturnTrack.sel(row=r, column=c) == w["cells/ReturnTrack"][r, c]
    assert numpy.array_equal(at80.agent_column.values, w["agents/CellX"][...])
    assert numpy.array_equal(at80.agent_row.values, w["agents/CellY"][...])
    assert numpy.array_equal(at80.agent_heading.values, w["agents/Heading"][...])

summary = json.load(open(os.path.join(out, "end.json")))
assert list(ds.Returns.sel(time=125).values) == [d["returns"] for d in summary["destinations"]]
print("ok")
