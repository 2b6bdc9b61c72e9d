# Reads a world with h5py, as a researcher would.
import subprocess, sys
import h5py, numpy

writer, path = sys.argv[1], sys.argv[2]
subprocess.run([writer, path], check=True)
with h5py.File(path, "r") as f:
    assert f.attrs["format_version"] == 1
    assert f["world"].attrs["ColCount"] == 101 and f["world"].attrs["RowCount"] == 101
    for name in ("Track", "ReturnTrack", "HomeScent", "Kind", "DestIndex", "Grey", "LastPainted", "Distance"):
        assert f["cells"][name].shape == (101, 101), name
    assert f["agents"]["CellX"].shape == (25,)
    assert f["agents"]["Chances"].shape == (25, 8)
    assert f["cells"]["Track"][7, 3] == 12.25  # [row, column]
    assert f["world"].attrs["TrackMax"].dtype == numpy.longdouble
    assert f["settings"].attrs["Edit_size"] == b"4"
print("ok")
