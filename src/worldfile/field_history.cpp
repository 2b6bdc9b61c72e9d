// The field history's HDF5 layout (docs/fields-format.md).

#include "field_history.h"

#include <hdf5.h>
#include <hdf5_hl.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "hdf5_lock.h"
#include "output_file.h"
#include "simulation.h"

namespace quorvan {

namespace {

void Quiet() {
  // The messages returned here say what matters; the library's own error
  // stack would go to stderr.
  static const bool once = [] {
    // Every file is closed here before the program ends, and a file whose
    // writing failed (a full disk) would crash the library's own cleanup
    // at exit: no cleanup at exit.
    H5dont_atexit();
    H5open();
    return true;
  }();
  (void)once;
  // The error stack is the calling thread's: a recorder may write from
  // another thread than the one that opened the file.
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  errno = 0;  // what a failed write of the library leaves here names its cause
}

// One dimension of the file: its scale dataset and its length.
enum Dim : std::size_t { kTime = 0, kRow, kColumn, kAgent, kDestDim, kDimCount };
constexpr std::array<const char*, kDimCount> kDimNames = {"time", "row", "column", "agent", "destination"};

// A dataset along time: its name, type and the dimensions after time.
struct Series {
  const char* name;
  hid_t type;
  std::vector<Dim> dims;  // after kTime
  const char* units;
  const char* longName;
};

bool Attribute(hid_t object, const char* name, const std::string& text) {
  const hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, std::max<std::size_t>(text.size(), 1));
  H5Tset_strpad(type, H5T_STR_NULLTERM);
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attr = H5Acreate2(object, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  const std::string value = text.empty() ? std::string(1, '\0') : text;
  const bool ok = attr >= 0 && H5Awrite(attr, type, value.data()) >= 0;
  if (attr >= 0) H5Aclose(attr);
  H5Sclose(space);
  H5Tclose(type);
  return ok;
}

template <typename T>
bool NumberAttribute(hid_t object, const char* name, hid_t type, T value) {
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attr = H5Acreate2(object, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  const bool ok = attr >= 0 && H5Awrite(attr, type, &value) >= 0;
  if (attr >= 0) H5Aclose(attr);
  H5Sclose(space);
  return ok;
}

}  // namespace

struct FieldHistory::State {
  std::string path;
  batch::OutputFile file;
  hid_t h5 = -1;
  bool laidOut = false;
  int64_t snapshots = 0;
  std::array<hsize_t, kDimCount> lengths{};  // the fixed ones; time grows
  std::array<hid_t, kDimCount> scales{-1, -1, -1, -1, -1};
  std::vector<Series> series;
  std::vector<hid_t> datasets;  // parallel to series
  std::vector<hid_t> extras;    // the datasets without time

  ~State() { Close(); }

  void Close() {
    for (hid_t& d : datasets) {
      if (d >= 0) H5Dclose(d);
      d = -1;
    }
    for (hid_t& d : extras) {
      if (d >= 0) H5Dclose(d);
    }
    extras.clear();
    for (hid_t& s : scales) {
      if (s >= 0) H5Dclose(s);
      s = -1;
    }
    if (h5 >= 0) H5Fclose(h5);
    h5 = -1;
  }

  std::string Fault(const std::string& what) const { return "cannot write '" + path + "': " + what; }
  // A failure inside the library: a full disk, its likeliest cause, is told
  // by the errno of the library's failed write or by the free space left.
  std::string LibraryFault(const std::string& what) const {
    const int err = errno;
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) return batch::WriteFailure(path, err);
    const std::string folder = std::filesystem::path(file.WritePath()).parent_path().string();
    struct statvfs vfs {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &vfs) == 0 && vfs.f_bavail == 0) {
      return batch::WriteFailure(path, ENOSPC);
    }
    return Fault(what);
  }

  // A dataset of `dims` (time first when `alongTime`), chunked and deflated.
  hid_t Create(const char* name, hid_t type, const std::vector<Dim>& dims, bool alongTime) {
    std::vector<hsize_t> size, max, chunk;
    if (alongTime) {
      size.push_back(0);
      max.push_back(H5S_UNLIMITED);
      // A grid snapshot is a chunk of its own; small ones go 64 to a chunk.
      chunk.push_back(dims.size() >= 2 ? 1 : 64);
    }
    for (Dim d : dims) {
      size.push_back(lengths[d]);
      max.push_back(lengths[d] == 0 ? H5S_UNLIMITED : lengths[d]);
      chunk.push_back(std::max<hsize_t>(lengths[d], 1));
    }
    const int rank = static_cast<int>(size.size());
    const hid_t space = H5Screate_simple(rank, size.data(), max.data());
    const hid_t plist = H5Pcreate(H5P_DATASET_CREATE);
    H5Pset_chunk(plist, rank, chunk.data());
    H5Pset_shuffle(plist);
    // The fastest level: most of the gain, a fraction of the time of the higher ones.
    H5Pset_deflate(plist, 1);
    const hid_t dataset = H5Dcreate2(h5, name, type, space, H5P_DEFAULT, plist, H5P_DEFAULT);
    H5Pclose(plist);
    H5Sclose(space);
    return dataset;
  }

  bool Attach(hid_t dataset, const std::vector<Dim>& dims, bool alongTime) {
    unsigned index = 0;
    if (alongTime && H5DSattach_scale(dataset, scales[kTime], index++) < 0) return false;
    for (Dim d : dims) {
      if (H5DSattach_scale(dataset, scales[d], index++) < 0) return false;
    }
    return true;
  }

  bool Describe(hid_t object, const char* units, const char* longName) {
    return (units == nullptr || Attribute(object, "units", units)) && Attribute(object, "long_name", longName);
  }

  // Writes `values` (the whole of a dataset without time).
  template <typename T>
  bool Extra(const char* name, hid_t type, const std::vector<Dim>& dims, const std::vector<T>& values,
             const char* units, const char* longName) {
    const hid_t dataset = Create(name, type, dims, false);
    if (dataset < 0) return false;
    extras.push_back(dataset);
    return (values.empty() || H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) >= 0) &&
           Attach(dataset, dims, false) && Describe(dataset, units, longName);
  }

  bool LayOut(const Simulation& sim) {
    lengths[kTime] = 0;
    lengths[kRow] = static_cast<hsize_t>(sim.Cells.Rows());
    lengths[kColumn] = static_cast<hsize_t>(sim.Cells.Columns());
    lengths[kAgent] = sim.Agents.size();
    lengths[kDestDim] = sim.Destinations.size();

    // The dimension scales: coordinate variables holding 0, 1, 2, ... (time:
    // the step of each snapshot).
    static constexpr std::array<const char*, kDimCount> units = {"steps", "cells", "cells", nullptr, nullptr};
    static constexpr std::array<const char*, kDimCount> names = {
        "step count at the snapshot", "row of the grid (the cell's y index, from the top)",
        "column of the grid (the cell's x index, from the left)", "index of the agent in the agent list",
        "index of the destination (the DestIndex of its cells)"};
    for (std::size_t d = 0; d < kDimCount; ++d) {
      // The scales hold their own coordinates: time grows with the snapshots.
      if (d == kTime) {
        const hsize_t size = 0, max = H5S_UNLIMITED, chunk = 1024;
        const hid_t space = H5Screate_simple(1, &size, &max);
        const hid_t plist = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_chunk(plist, 1, &chunk);
        scales[d] = H5Dcreate2(h5, "time", H5T_NATIVE_INT32, space, H5P_DEFAULT, plist, H5P_DEFAULT);
        H5Pclose(plist);
        H5Sclose(space);
      } else {
        const hsize_t size = lengths[d];
        const hid_t space = H5Screate_simple(1, &size, nullptr);
        scales[d] = H5Dcreate2(h5, kDimNames[d], H5T_NATIVE_INT32, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        H5Sclose(space);
        std::vector<int32_t> values(size);
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int32_t>(i);
        if (scales[d] < 0 ||
            (!values.empty() && H5Dwrite(scales[d], H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0)) {
          return false;
        }
      }
      if (scales[d] < 0 || H5DSset_scale(scales[d], kDimNames[d]) < 0 ||
          !NumberAttribute<int32_t>(scales[d], "_Netcdf4Dimid", H5T_NATIVE_INT32, static_cast<int32_t>(d)) ||
          !Describe(scales[d], units[d], names[d])) {
        return false;
      }
    }

    series = {
        {"Track", H5T_NATIVE_DOUBLE, {kRow, kColumn}, "trail",
         "footprint trail (Track): +10 each time an agent moves off the cell"},
        {"ReturnTrack", H5T_NATIVE_DOUBLE, {kRow, kColumn}, "trail",
         "return trail (ReturnTrack): +10 for every step a returning agent starts on the cell"},
        {"agent_column", H5T_NATIVE_INT32, {kAgent}, "cells", "column of the agent's cell (CellX)"},
        {"agent_row", H5T_NATIVE_INT32, {kAgent}, "cells", "row of the agent's cell (CellY)"},
        {"agent_state", H5T_NATIVE_INT8, {kAgent}, nullptr, "agent state (State): 0 searching, 1 returning with a load"},
        {"agent_heading", H5T_NATIVE_INT32, {kAgent}, "degrees", "agent heading (Heading), whole degrees"},
        {"Returns", H5T_NATIVE_INT32, {kDestDim}, "loads", "loads delivered from the destination so far (Returns)"},
    };
    for (const Series& s : series) {
      const hid_t dataset = Create(s.name, s.type, s.dims, true);
      datasets.push_back(dataset);
      if (dataset < 0 || !Attach(dataset, s.dims, true) || !Describe(dataset, s.units, s.longName)) return false;
    }

    // What does not change along a run: the cells' kinds, where the destinations are.
    std::vector<int8_t> kinds(sim.Cells.Count());
    for (int32_t r = 0; r < sim.Cells.Rows(); ++r) {
      for (int32_t c = 0; c < sim.Cells.Columns(); ++c) {
        kinds[sim.Cells.Index(c, r)] = static_cast<int8_t>(sim.Cells.Kind(c, r));
      }
    }
    std::vector<int32_t> destColumn, destRow;
    for (const TDestination& d : sim.Destinations) {
      destColumn.push_back(sim.CellIndexOf(d.X));
      destRow.push_back(sim.CellIndexOf(d.Y));
    }
    if (!Extra("Kind", H5T_NATIVE_INT8, {kRow, kColumn}, kinds, nullptr,
               "kind of the cell at the first snapshot: 0 free, 1 nest, 2 destination, 3 obstacle") ||
        !Extra("destination_column", H5T_NATIVE_INT32, {kDestDim}, destColumn, "cells",
               "column of the destination's point") ||
        !Extra("destination_row", H5T_NATIVE_INT32, {kDestDim}, destRow, "cells",
               "row of the destination's point")) {
      return false;
    }
    const std::string seed = std::to_string(sim.Rand.Seed());
    if (!Attribute(h5, "title", "Quorvan field history") ||
        !Attribute(h5, "layout", "grids are [time, row, column]: row is the cell's y index, column its x index") ||
        !Attribute(h5, "seed", seed) ||
        !NumberAttribute<int32_t>(h5, "cell_size", H5T_NATIVE_INT32, sim.CellSize)) {
      return false;
    }
    laidOut = true;
    return true;
  }

  // Appends one row along time to `dataset`, from `values`.
  bool Append(hid_t dataset, hid_t type, const void* values, hsize_t time) {
    const hid_t space0 = H5Dget_space(dataset);
    const int rank = H5Sget_simple_extent_ndims(space0);
    std::vector<hsize_t> size(static_cast<std::size_t>(rank));
    H5Sget_simple_extent_dims(space0, size.data(), nullptr);
    H5Sclose(space0);
    size[0] = time + 1;
    if (H5Dset_extent(dataset, size.data()) < 0) return false;
    std::vector<hsize_t> start(size.size(), 0), count = size;
    start[0] = time;
    count[0] = 1;
    const hid_t space = H5Dget_space(dataset);
    const hid_t memory = H5Screate_simple(rank, count.data(), nullptr);
    bool ok = H5Sselect_hyperslab(space, H5S_SELECT_SET, start.data(), nullptr, count.data(), nullptr) >= 0;
    const bool empty = H5Sget_select_npoints(space) == 0;
    ok = ok && (empty || H5Dwrite(dataset, type, memory, space, H5P_DEFAULT, values) >= 0);
    H5Sclose(memory);
    H5Sclose(space);
    return ok;
  }
};

FieldHistory::FieldHistory() = default;
FieldHistory::~FieldHistory() {
  if (state_) {
    std::lock_guard lock(Hdf5Lock());
    state_.reset();
  }
}

int64_t FieldHistory::Snapshots() const {
  std::lock_guard lock(Hdf5Lock());
  return state_ ? state_->snapshots : 0;
}

bool FieldHistory::Open(const std::string& path, std::string& error) {
  std::lock_guard lock(Hdf5Lock());
  Quiet();
  state_.reset();
  auto s = std::make_unique<State>();
  s->path = path;
  if (!s->file.Open(path, error)) return false;
  const hid_t fcpl = H5Pcreate(H5P_FILE_CREATE);
  // netCDF-4 reads only files that keep their links' and attributes' creation order.
  H5Pset_link_creation_order(fcpl, H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED);
  H5Pset_attr_creation_order(fcpl, H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED);
  s->h5 = H5Fcreate(s->file.WritePath().c_str(), H5F_ACC_TRUNC, fcpl, H5P_DEFAULT);
  H5Pclose(fcpl);
  if (s->h5 < 0) {
    error = s->LibraryFault("HDF5 cannot create it");
    return false;
  }
  state_ = std::move(s);
  return true;
}

FieldSnapshot FieldHistory::Take(const Simulation& sim) {
  FieldSnapshot snap;
  snap.step = sim.StepCount;
  snap.rows = sim.Cells.Rows();
  snap.columns = sim.Cells.Columns();
  snap.track.assign(sim.Cells.TrackData(), sim.Cells.TrackData() + sim.Cells.Count());
  snap.returnTrack.assign(sim.Cells.ReturnTrackData(), sim.Cells.ReturnTrackData() + sim.Cells.Count());
  const std::size_t n = sim.Agents.size();
  snap.agentColumn.resize(n);
  snap.agentRow.resize(n);
  snap.agentState.resize(n);
  snap.agentHeading.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    snap.agentColumn[i] = sim.Agents[i].CellX;
    snap.agentRow[i] = sim.Agents[i].CellY;
    snap.agentState[i] = static_cast<int8_t>(sim.Agents[i].State);
    snap.agentHeading[i] = sim.Agents[i].Heading;
  }
  for (const TDestination& d : sim.Destinations) snap.returns.push_back(d.Returns);
  return snap;
}

bool FieldHistory::LayOut(const Simulation& sim, std::string& error) {
  std::lock_guard lock(Hdf5Lock());
  Quiet();
  if (!state_ || state_->h5 < 0) {
    error = "no field history is open";
    return false;
  }
  if (!state_->laidOut && !state_->LayOut(sim)) {
    error = state_->LibraryFault("HDF5 cannot lay out the datasets");
    return false;
  }
  return true;
}

bool FieldHistory::Append(const FieldSnapshot& snap, std::string& error) {
  std::lock_guard lock(Hdf5Lock());
  Quiet();
  if (!state_ || state_->h5 < 0 || !state_->laidOut) {
    error = "no field history is open";
    return false;
  }
  State& s = *state_;
  if (static_cast<hsize_t>(snap.rows) != s.lengths[kRow] || static_cast<hsize_t>(snap.columns) != s.lengths[kColumn] ||
      snap.agentColumn.size() != s.lengths[kAgent] || snap.returns.size() != s.lengths[kDestDim]) {
    error = s.Fault("the world changed its grid, agents or destinations during the run");
    return false;
  }
  const void* values[] = {snap.track.data(),     snap.returnTrack.data(), snap.agentColumn.data(),
                          snap.agentRow.data(),  snap.agentState.data(),  snap.agentHeading.data(),
                          snap.returns.data()};
  const hsize_t time = static_cast<hsize_t>(s.snapshots);
  bool ok = s.Append(s.scales[kTime], H5T_NATIVE_INT32, &snap.step, time);
  for (std::size_t i = 0; ok && i < s.series.size(); ++i) {
    ok = s.Append(s.datasets[i], s.series[i].type, values[i], time);
  }
  if (!ok) {
    error = s.LibraryFault("HDF5 cannot append the snapshot of step " + std::to_string(snap.step));
    return false;
  }
  ++s.snapshots;
  return true;
}

bool FieldHistory::Write(const Simulation& sim, std::string& error) {
  return LayOut(sim, error) && Append(Take(sim), error);
}

bool FieldHistory::Finish(const Simulation& sim, std::string& error) {
  {
    std::lock_guard lock(Hdf5Lock());
    Quiet();
    if (!state_ || state_->h5 < 0) {
      error = "no field history is open";
      return false;
    }
    State& s = *state_;
    if (!s.laidOut && !s.LayOut(sim)) {
      error = s.LibraryFault("HDF5 cannot lay out the datasets");
      return false;
    }
    const bool flushed = H5Fflush(s.h5, H5F_SCOPE_GLOBAL) >= 0;
    for (hid_t& d : s.datasets) {
      H5Dclose(d);
      d = -1;
    }
    s.datasets.clear();
    for (hid_t d : s.extras) H5Dclose(d);
    s.extras.clear();
    for (hid_t& d : s.scales) {
      H5Dclose(d);
      d = -1;
    }
    const bool closed = H5Fclose(s.h5) >= 0;
    s.h5 = -1;
    if (!flushed || !closed) {
      error = s.LibraryFault("HDF5 cannot close it");
      return false;
    }
  }
  return state_->file.Finish(error);
}

bool FieldHistory::Rename(std::string& error) {
  if (!state_) {
    error = "no field history is open";
    return false;
  }
  return state_->file.Rename(error);
}

}  // namespace quorvan
