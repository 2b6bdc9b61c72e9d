// Saving a world to an HDF5 file and opening it again (layout in
// docs/world-format.md).

#include "world_file.h"

#include <hdf5.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "numerics.h"
#include "output_file.h"
#include "read_apart.h"
#include "simulation.h"

namespace quorvan {

namespace {

// What went wrong while reading or writing; caught at the top and turned
// into "<file>: <what>".
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// HDF5 as Debian builds it is not thread-safe, and a sweep opens worlds
// from several threads: one file operation at a time.
std::mutex& LibraryLock() {
  static std::mutex lock;
  return lock;
}

void Quiet() {
  // The library's own error stack printing would go to stderr; the messages
  // returned here say what matters.
  static const bool once = [] {
    H5open();
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    return true;
  }();
  (void)once;
}

// Closes an HDF5 identifier when it goes out of scope.
class Id {
 public:
  Id(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
  ~Id() {
    if (id_ >= 0) close_(id_);
  }
  Id(const Id&) = delete;
  Id& operator=(const Id&) = delete;
  operator hid_t() const { return id_; }
  bool ok() const { return id_ >= 0; }

 private:
  hid_t id_;
  herr_t (*close_)(hid_t);
};

template <typename T>
hid_t NativeType();
template <>
hid_t NativeType<int32_t>() { return H5T_NATIVE_INT32; }
template <>
hid_t NativeType<int8_t>() { return H5T_NATIVE_INT8; }
template <>
hid_t NativeType<uint64_t>() { return H5T_NATIVE_UINT64; }
template <>
hid_t NativeType<double>() { return H5T_NATIVE_DOUBLE; }
template <>
hid_t NativeType<long double>() { return H5T_NATIVE_LDOUBLE; }

template <typename T>
H5T_class_t ClassOf() {
  return std::is_floating_point_v<T> ? H5T_FLOAT : H5T_INTEGER;
}

// ---------------------------------------------------------------- writing

void Check(herr_t status, const std::string& what) {
  if (status < 0) throw FileError("cannot write " + what);
}

hid_t Group(hid_t parent, const char* name) {
  const hid_t g = H5Gcreate2(parent, name, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  if (g < 0) throw FileError(std::string("cannot write group ") + name);
  return g;
}

template <typename T>
void PutAttr(hid_t where, const char* name, const T* values, hsize_t count) {
  Id space(count == 1 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &count, nullptr), H5Sclose);
  Id attr(H5Acreate2(where, name, NativeType<T>(), space, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  if (!attr.ok()) throw FileError(std::string("cannot write attribute ") + name);
  Check(H5Awrite(attr, NativeType<T>(), values), std::string("attribute ") + name);
}
template <typename T>
void PutAttr(hid_t where, const char* name, T value) {
  PutAttr(where, name, &value, 1);
}
void PutFlag(hid_t where, const char* name, bool value) { PutAttr<int8_t>(where, name, value ? 1 : 0); }

void PutText(hid_t where, const char* name, const std::string& text) {
  Id type(H5Tcopy(H5T_C_S1), H5Tclose);
  H5Tset_size(type, text.empty() ? 1 : text.size());
  H5Tset_strpad(type, H5T_STR_NULLPAD);
  H5Tset_cset(type, H5T_CSET_UTF8);
  Id space(H5Screate(H5S_SCALAR), H5Sclose);
  Id attr(H5Acreate2(where, name, type, space, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  if (!attr.ok()) throw FileError(std::string("cannot write attribute ") + name);
  const std::string padded = text.empty() ? std::string(1, '\0') : text;
  Check(H5Awrite(attr, type, padded.data()), std::string("attribute ") + name);
}

// The two shapes of dataset: a table of one value per entry, or rows of
// columns (the grid; the agents' fixed-width tables, which have no rows at
// all in a world without agents).
enum class Rank { One = 1, Two = 2 };

// A 1-D (`columns` long) or 2-D dataset; the big grid fields are chunked and
// deflated.
template <typename T>
void PutData(hid_t where, const char* name, const T* values, Rank shape, hsize_t rows, hsize_t columns,
             bool compress) {
  const std::array<hsize_t, 2> dims{rows, columns};
  const int rank = static_cast<int>(shape);
  Id space(H5Screate_simple(rank, rank == 1 ? &dims[1] : dims.data(), nullptr), H5Sclose);
  Id plist(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
  if (compress && rank == 2 && rows > 0 && columns > 0 && H5Zfilter_avail(H5Z_FILTER_DEFLATE) > 0) {
    const std::array<hsize_t, 2> chunk{std::min<hsize_t>(rows, 64), columns};
    H5Pset_chunk(plist, 2, chunk.data());
    H5Pset_shuffle(plist);
    H5Pset_deflate(plist, 1);
  }
  Id set(H5Dcreate2(where, name, NativeType<T>(), space, H5P_DEFAULT, plist, H5P_DEFAULT), H5Dclose);
  if (!set.ok()) throw FileError(std::string("cannot write dataset ") + name);
  if ((rank == 1 ? columns : rows * columns) == 0) return;  // an empty table holds nothing
  Check(H5Dwrite(set, NativeType<T>(), H5S_ALL, H5S_ALL, H5P_DEFAULT, values), std::string("dataset ") + name);
}

template <typename T, typename Agent, typename Field>
void PutAgentField(hid_t group, const char* name, const std::vector<Agent>& agents, Field field) {
  std::vector<T> v;
  v.reserve(agents.size());
  for (const Agent& a : agents) v.push_back(field(a));
  PutData(group, name, v.data(), Rank::One, 0, v.size(), false);
}

void WriteSettings(hid_t file, const Settings& s) {
  Id g(Group(file, "settings"), H5Gclose);
  PutText(g, "Edit_anzAg", s.Edit_anzAg);
  PutText(g, "Edit_size", s.Edit_size);
  PutAttr<int32_t>(g, "SetupMode", s.SetupMode);
  PutText(g, "E_stop", s.E_stop);
  PutAttr<int32_t>(g, "TrB_thresh", s.TrB_thresh);
  PutAttr<int32_t>(g, "SB_wiggle", s.SB_wiggle);
  PutText(g, "E_noise", s.E_noise);
  PutText(g, "E_decay", s.E_decay);
  PutFlag(g, "CB_decay", s.CB_decay);
  PutText(g, "E_CProbab", s.E_CProbab);
  PutFlag(g, "rb_rulette", s.rb_rulette);
  PutFlag(g, "rb_hill", s.rb_hill);
  PutFlag(g, "CB_showAg", s.CB_showAg);
  PutFlag(g, "CB_showAB", s.CB_showAB);
  PutFlag(g, "CB_noTracks", s.CB_noTracks);
  PutFlag(g, "CB_gravity", s.CB_gravity);
  PutText(g, "E_grav", s.E_grav);
}

// The chart's deliveries, NaN where a point has none (a point of a world
// saved before the chart kept them).
void WriteChartDeliveries(hid_t chartGroup, const std::vector<ChartPoint>& points) {
  PutAgentField<double>(chartGroup, "deliveries", points, [](const ChartPoint& p) {
    return p.deliveries ? static_cast<double>(*p.deliveries) : std::numeric_limits<double>::quiet_NaN();
  });
}

void WriteFile(hid_t file, const Simulation& sim, std::span<const ChartPoint> chart) {
  PutAttr<int32_t>(file, "format_version", kWorldFormatVersion);
  WriteSettings(file, sim.settings);

  {
    Id g(Group(file, "world"), H5Gclose);
    for (auto [name, value] : {std::pair{"ColCount", sim.ColCount}, {"RowCount", sim.RowCount},
                               {"CellSize", sim.CellSize}, {"HalfCell", sim.HalfCell},
                               {"StepCount", sim.StepCount}, {"StopTime", sim.StopTime}}) {
      PutAttr<int32_t>(g, name, value);
    }
    PutAttr<long double>(g, "TrackMax", sim.TrackMax);
    PutAttr<long double>(g, "TrackMin", sim.TrackMin);
  }

  {
    const TCellList& cells = sim.Cells;
    const auto rows = static_cast<hsize_t>(cells.Rows());
    const auto cols = static_cast<hsize_t>(cells.Columns());
    Id g(Group(file, "cells"), H5Gclose);
    PutAttr<long double>(g, "ShownMax", cells.ShownMax);
    PutAttr<long double>(g, "ShownMin", cells.ShownMin);
    PutData(g, "Track", cells.TrackData(), Rank::Two, rows, cols, true);
    PutData(g, "ReturnTrack", cells.ReturnTrackData(), Rank::Two, rows, cols, true);
    PutData(g, "HomeScent", cells.HomeScentData(), Rank::Two, rows, cols, true);
    PutData(g, "LastPainted", cells.LastPaintedData(), Rank::Two, rows, cols, true);
    PutData(g, "Kind", cells.KindData(), Rank::Two, rows, cols, true);
    std::vector<int32_t> v(cells.Count());
    const auto put = [&](const char* name, int32_t TCell::*field) {
      for (std::size_t i = 0; i < v.size(); ++i) v[i] = cells.at(i).*field;
      PutData(g, name, v.data(), Rank::Two, rows, cols, true);
    };
    put("Distance", &TCell::Distance);
    put("DestIndex", &TCell::DestIndex);
    put("Grey", &TCell::Grey);
  }

  {
    const auto& agents = sim.Agents;
    Id g(Group(file, "agents"), H5Gclose);
    const auto field = [&](const char* name, int32_t TAgent::*f) {
      PutAgentField<int32_t>(g, name, agents, [f](const TAgent& a) { return a.*f; });
    };
    field("CellX", &TAgent::CellX);
    field("CellY", &TAgent::CellY);
    field("State", &TAgent::State);
    field("Source", &TAgent::Source);
    field("Successful", &TAgent::Successful);
    field("PixelX", &TAgent::PixelX);
    field("PixelY", &TAgent::PixelY);
    field("Radius", &TAgent::Radius);
    field("Heading", &TAgent::Heading);
    field("StepX", &TAgent::StepX);
    field("StepY", &TAgent::StepY);
    PutAgentField<double>(g, "ScentSum", agents, [](const TAgent& a) { return a.ScentSum; });
    PutAgentField<int32_t>(g, "DirectionCount", agents,
                           [](const TAgent& a) { return static_cast<int32_t>(a.Directions.size()); });
    PutAgentField<int32_t>(g, "ChanceCount", agents,
                           [](const TAgent& a) { return static_cast<int32_t>(a.Chances.size()); });
    // Fixed-width tables of eight; entries beyond an agent's count are 0.
    const std::size_t n = agents.size();
    std::vector<int32_t> dx(n * kMaxDirections, 0), dy(n * kMaxDirections, 0);
    std::vector<double> chances(n * kMaxDirections, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
      const TAgent& a = agents[i];
      for (std::size_t j = 0; j < a.Directions.size(); ++j) {
        dx[i * kMaxDirections + j] = a.Directions[j].dx;
        dy[i * kMaxDirections + j] = a.Directions[j].dy;
      }
      for (std::size_t j = 0; j < a.Chances.size(); ++j) chances[i * kMaxDirections + j] = a.Chances[j];
    }
    PutData(g, "DirectionDx", dx.data(), Rank::Two, n, kMaxDirections, false);
    PutData(g, "DirectionDy", dy.data(), Rank::Two, n, kMaxDirections, false);
    PutData(g, "Chances", chances.data(), Rank::Two, n, kMaxDirections, false);
  }

  {
    Id g(Group(file, "destinations"), H5Gclose);
    const auto field = [&](const char* name, int32_t TDestination::*f) {
      PutAgentField<int32_t>(g, name, sim.Destinations, [f](const TDestination& d) { return d.*f; });
    };
    field("X", &TDestination::X);
    field("Y", &TDestination::Y);
    field("Returns", &TDestination::Returns);
  }

  {
    const RandomState st = sim.Rand.State();
    Id g(Group(file, "random"), H5Gclose);
    PutAttr<uint64_t>(g, "state", st.words, 4);
    PutAttr<uint64_t>(g, "seed", st.seed);
    PutAttr<uint64_t>(g, "reseeds", st.reseeds);
    PutFlag(g, "fixed", st.fixed);
    PutFlag(g, "has_landscape_seed", st.landscapeSeed.has_value());
    PutAttr<uint64_t>(g, "landscape_seed", st.landscapeSeed.value_or(0));
  }

  {
    Id g(Group(file, "chart"), H5Gclose);
    std::vector<ChartPoint> points(chart.begin(), chart.end());
    const auto field = [&](const char* name, double ChartPoint::*f) {
      PutAgentField<double>(g, name, points, [f](const ChartPoint& p) { return p.*f; });
    };
    field("step", &ChartPoint::step);
    field("successful", &ChartPoint::successful);
    field("returning", &ChartPoint::returning);
    field("track_max", &ChartPoint::trackMax);
    WriteChartDeliveries(g, points);
  }
}

// ---------------------------------------------------------------- reading

hid_t OpenGroup(hid_t file, const char* name) {
  const hid_t g = H5Gopen2(file, name, H5P_DEFAULT);
  if (g < 0) throw FileError(std::string("group '") + name + "' is missing or damaged");
  return g;
}

template <typename T>
T GetAttr(hid_t where, const char* name, T* values = nullptr, hsize_t count = 1) {
  const auto fail = [name](const char* why) { return FileError(std::string("attribute '") + name + "' " + why); };
  if (H5Aexists(where, name) <= 0) throw fail("is missing");
  Id attr(H5Aopen(where, name, H5P_DEFAULT), H5Aclose);
  if (!attr.ok()) throw fail("cannot be read");
  Id type(H5Aget_type(attr), H5Tclose);
  Id space(H5Aget_space(attr), H5Sclose);
  if (H5Tget_class(type) != ClassOf<T>() || H5Sget_simple_extent_npoints(space) != static_cast<hssize_t>(count)) {
    throw fail("has the wrong type or size");
  }
  T one{};
  if (H5Aread(attr, NativeType<T>(), values ? values : &one) < 0) throw fail("cannot be read");
  return values ? values[0] : one;
}

bool GetFlag(hid_t where, const char* name) {
  const int8_t v = GetAttr<int8_t>(where, name);
  if (v != 0 && v != 1) throw FileError(std::string("attribute '") + name + "' is not 0 or 1");
  return v == 1;
}

std::string GetText(hid_t where, const char* name) {
  const auto fail = [name](const char* why) { return FileError(std::string("attribute '") + name + "' " + why); };
  if (H5Aexists(where, name) <= 0) throw fail("is missing");
  Id attr(H5Aopen(where, name, H5P_DEFAULT), H5Aclose);
  Id type(H5Aget_type(attr), H5Tclose);
  if (!attr.ok() || H5Tget_class(type) != H5T_STRING || H5Tis_variable_str(type) > 0) throw fail("is not a text");
  const std::size_t size = H5Tget_size(type);
  if (size == 0 || size > (1u << 20)) throw fail("is not a text");
  std::string text(size, '\0');
  Id mem(H5Tcopy(type), H5Tclose);
  if (H5Aread(attr, mem, text.data()) < 0) throw fail("cannot be read");
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// Reads a 1-D (`columns` long) or 2-D dataset whose shape must be the expected one.
template <typename T>
std::vector<T> GetData(hid_t where, const char* name, Rank shape, hsize_t rows, hsize_t columns) {
  const auto fail = [name](const std::string& why) { return FileError("dataset '" + std::string(name) + "' " + why); };
  if (H5Lexists(where, name, H5P_DEFAULT) <= 0) throw fail("is missing");
  Id set(H5Dopen2(where, name, H5P_DEFAULT), H5Dclose);
  if (!set.ok()) throw fail("cannot be opened");
  Id type(H5Dget_type(set), H5Tclose);
  Id space(H5Dget_space(set), H5Sclose);
  if (H5Tget_class(type) != ClassOf<T>()) throw fail("has the wrong type");
  const int rank = static_cast<int>(shape);
  std::array<hsize_t, 2> dims{};
  if (H5Sget_simple_extent_ndims(space) != rank || H5Sget_simple_extent_dims(space, dims.data(), nullptr) != rank ||
      (rank == 1 ? dims[0] != columns : (dims[0] != rows || dims[1] != columns))) {
    throw fail("does not have the expected shape");
  }
  std::vector<T> v(static_cast<std::size_t>(rank == 1 ? columns : rows * columns));
  if (!v.empty() && H5Dread(set, NativeType<T>(), H5S_ALL, H5S_ALL, H5P_DEFAULT, v.data()) < 0) {
    throw fail("cannot be read (damaged or truncated file)");
  }
  return v;
}

// The length of a 1-D table (the agent count, the chart length).
hsize_t TableLength(hid_t where, const char* name) {
  Id set(H5Dopen2(where, name, H5P_DEFAULT), H5Dclose);
  if (!set.ok()) throw FileError("dataset '" + std::string(name) + "' is missing or damaged");
  Id space(H5Dget_space(set), H5Sclose);
  hsize_t n = 0;
  if (H5Sget_simple_extent_ndims(space) != 1 || H5Sget_simple_extent_dims(space, &n, nullptr) != 1) {
    throw FileError("dataset '" + std::string(name) + "' is not a table");
  }
  if (n > static_cast<hsize_t>(INT32_MAX)) throw FileError("dataset '" + std::string(name) + "' is too long");
  return n;
}

void Require(bool ok, const std::string& what) {
  if (!ok) throw FileError(what);
}

// Everything an open builds before it replaces anything.
struct Loaded {
  Settings settings;
  int32_t ColCount = 0, RowCount = 0, CellSize = 0, HalfCell = 0, StepCount = 0, StopTime = 0;
  long double TrackMax = 0.0L, TrackMin = 0.0L;
  TCellList cells;
  TLimbo limbo;
  std::vector<TAgent> agents;
  std::vector<TDestination> destinations;
  RandomState random;
  std::vector<ChartPoint> chart;
};

Settings ReadSettings(hid_t file) {
  Id g(OpenGroup(file, "settings"), H5Gclose);
  Settings s;
  s.Edit_anzAg = GetText(g, "Edit_anzAg");
  s.Edit_size = GetText(g, "Edit_size");
  s.SetupMode = GetAttr<int32_t>(g, "SetupMode");
  s.E_stop = GetText(g, "E_stop");
  s.TrB_thresh = GetAttr<int32_t>(g, "TrB_thresh");
  s.SB_wiggle = GetAttr<int32_t>(g, "SB_wiggle");
  s.E_noise = GetText(g, "E_noise");
  s.E_decay = GetText(g, "E_decay");
  s.CB_decay = GetFlag(g, "CB_decay");
  s.E_CProbab = GetText(g, "E_CProbab");
  s.rb_rulette = GetFlag(g, "rb_rulette");
  s.rb_hill = GetFlag(g, "rb_hill");
  s.CB_showAg = GetFlag(g, "CB_showAg");
  s.CB_showAB = GetFlag(g, "CB_showAB");
  s.CB_noTracks = GetFlag(g, "CB_noTracks");
  s.CB_gravity = GetFlag(g, "CB_gravity");
  s.E_grav = GetText(g, "E_grav");
  const std::string angles = IntToText(kMinAngle) + ".." + IntToText(kMaxAngle);
  Require(s.TrB_thresh >= kMinAngle && s.TrB_thresh <= kMaxAngle, "angle threshold outside " + angles);
  Require(s.SB_wiggle >= kMinAngle && s.SB_wiggle <= kMaxAngle, "wiggle threshold outside " + angles);
  Require(s.SetupMode == kNoLandscape || IsLandscapeMode(s.SetupMode),
          "landscape mode outside " + IntToText(kNoLandscape) + ".." + IntToText(kManhattanLandscape));
  return s;
}

void ReadWorld(hid_t file, Loaded& w) {
  Id g(OpenGroup(file, "world"), H5Gclose);
  w.ColCount = GetAttr<int32_t>(g, "ColCount");
  w.RowCount = GetAttr<int32_t>(g, "RowCount");
  w.CellSize = GetAttr<int32_t>(g, "CellSize");
  w.HalfCell = GetAttr<int32_t>(g, "HalfCell");
  w.StepCount = GetAttr<int32_t>(g, "StepCount");
  w.StopTime = GetAttr<int32_t>(g, "StopTime");
  w.TrackMax = GetAttr<long double>(g, "TrackMax");
  w.TrackMin = GetAttr<long double>(g, "TrackMin");
  // The grid follows from the cell size; anything else is not a world this
  // program could have built.
  Require(w.CellSize >= kMinCellSize && w.CellSize <= kMaxCellSize,
          "cell size outside " + IntToText(kMinCellSize) + ".." + IntToText(kMaxCellSize));
  Require(w.HalfCell == static_cast<int32_t>(RoundEven(w.CellSize / 2.0)) &&
              w.ColCount == static_cast<int32_t>(RoundEven(static_cast<double>(kPanelWidth) / w.CellSize)) &&
              w.RowCount == static_cast<int32_t>(RoundEven(static_cast<double>(kPanelHeight) / w.CellSize)),
          "grid size does not match the cell size");
  Require(w.StepCount >= 0, "negative step count");
  // A scan never produces NaN (its comparisons skip them).
  Require(!std::isnan(w.TrackMax) && !std::isnan(w.TrackMin), "TrackMax or TrackMin is not a number");
}

void ReadCells(hid_t file, Loaded& w, std::size_t destinations) {
  Id g(OpenGroup(file, "cells"), H5Gclose);
  const auto rows = static_cast<hsize_t>(w.RowCount);
  const auto cols = static_cast<hsize_t>(w.ColCount);
  TCellList& cells = w.cells;
  cells.Resize(w.ColCount, w.RowCount);
  w.limbo.Resize(w.ColCount, w.RowCount);
  cells.ShownMax = GetAttr<long double>(g, "ShownMax");
  cells.ShownMin = GetAttr<long double>(g, "ShownMin");
  Require(!std::isnan(cells.ShownMax) && !std::isnan(cells.ShownMin), "ShownMax or ShownMin is not a number");
  const auto track = GetData<double>(g, "Track", Rank::Two, rows, cols);
  const auto returnTrack = GetData<double>(g, "ReturnTrack", Rank::Two, rows, cols);
  const auto homeScent = GetData<double>(g, "HomeScent", Rank::Two, rows, cols);
  const auto lastPainted = GetData<double>(g, "LastPainted", Rank::Two, rows, cols);
  const auto kind = GetData<int32_t>(g, "Kind", Rank::Two, rows, cols);
  const auto distance = GetData<int32_t>(g, "Distance", Rank::Two, rows, cols);
  const auto destIndex = GetData<int32_t>(g, "DestIndex", Rank::Two, rows, cols);
  const auto grey = GetData<int32_t>(g, "Grey", Rank::Two, rows, cols);

  const int32_t nestC = static_cast<int32_t>(RoundEven(w.ColCount / 2.0));
  const int32_t nestR = static_cast<int32_t>(RoundEven(w.RowCount / 2.0));
  const int32_t nestX = nestC * w.CellSize + w.HalfCell;
  const int32_t nestY = nestR * w.CellSize + w.HalfCell;
  for (int32_t r = 0; r < w.RowCount; ++r) {
    for (int32_t c = 0; c < w.ColCount; ++c) {
      const std::size_t i = cells.Index(c, r);
      const std::string at = " at column " + std::to_string(c) + ", row " + std::to_string(r);
      Require(kind[i] >= kFree && kind[i] <= kObstacle, "cell kind " + std::to_string(kind[i]) + " outside 0..3" + at);
      Require(kind[i] != kDestination || (destIndex[i] >= 0 && static_cast<std::size_t>(destIndex[i]) < destinations),
              "destination index " + std::to_string(destIndex[i]) + " out of range" + at);
      TCell cell(c * w.CellSize + w.HalfCell, r * w.CellSize + w.HalfCell, w.HalfCell, 0);
      // Distance and home scent only ever come from the nest's position.
      Require(distance[i] == CellDistance(cell.PositionX, cell.PositionY, nestX, nestY) &&
                  homeScent[i] == 10.0 * (1000 - distance[i]),
              "distance or home scent does not match the grid" + at);
      cell.Distance = distance[i];
      cell.DestIndex = destIndex[i];
      cell.Grey = grey[i];
      cells.at(i) = cell;
      cells.Track(c, r) = track[i];
      cells.ReturnTrack(c, r) = returnTrack[i];
      cells.HomeScent(c, r) = homeScent[i];
      cells.LastPainted(c, r) = lastPainted[i];
      cells.Kind(c, r) = kind[i];
    }
  }
}

void ReadAgents(hid_t file, Loaded& w) {
  Id g(OpenGroup(file, "agents"), H5Gclose);
  const hsize_t n = TableLength(g, "CellX");
  const auto field = [&](const char* name) { return GetData<int32_t>(g, name, Rank::One, 0, n); };
  const auto cx = field("CellX"), cy = field("CellY"), state = field("State"), source = field("Source"),
             success = field("Successful"), px = field("PixelX"), py = field("PixelY"), radius = field("Radius"),
             heading = field("Heading"), sx = field("StepX"), sy = field("StepY"),
             dirCount = field("DirectionCount"), chanceCount = field("ChanceCount");
  const auto scent = GetData<double>(g, "ScentSum", Rank::One, 0, n);
  const auto dx = GetData<int32_t>(g, "DirectionDx", Rank::Two, n, kMaxDirections);
  const auto dy = GetData<int32_t>(g, "DirectionDy", Rank::Two, n, kMaxDirections);
  const auto chances = GetData<double>(g, "Chances", Rank::Two, n, kMaxDirections);
  const auto step = [](int32_t v) { return v >= -1 && v <= 1; };
  w.agents.resize(static_cast<std::size_t>(n));
  for (std::size_t i = 0; i < w.agents.size(); ++i) {
    const std::string who = "agent " + std::to_string(i) + ": ";
    Require(cx[i] >= 0 && cx[i] < w.ColCount && cy[i] >= 0 && cy[i] < w.RowCount, who + "cell outside the grid");
    Require(px[i] == cx[i] * w.CellSize + w.HalfCell && py[i] == cy[i] * w.CellSize + w.HalfCell,
            who + "pixel position does not match its cell");
    Require(state[i] == kSearching || state[i] == kReturning, who + "state is not 0 or 1");
    Require(success[i] == 0 || success[i] == 1, who + "Successful is not 0 or 1");
    Require(source[i] >= 0 && (source[i] == 0 || static_cast<std::size_t>(source[i]) < w.destinations.size()),
            who + "source destination out of range");
    Require(heading[i] >= 0 && heading[i] <= 360, who + "heading outside 0..360");
    Require(step(sx[i]) && step(sy[i]), who + "step outside -1..1");
    Require(std::isfinite(scent[i]), who + "ScentSum is not finite");
    Require(dirCount[i] >= 0 && dirCount[i] <= 8 && chanceCount[i] >= 0 && chanceCount[i] <= 8,
            who + "more than 8 directions or chances");
    TAgent& a = w.agents[i];
    a.CellX = cx[i];
    a.CellY = cy[i];
    a.State = state[i];
    a.Source = source[i];
    a.Successful = success[i];
    a.PixelX = px[i];
    a.PixelY = py[i];
    a.Radius = radius[i];
    a.Heading = heading[i];
    a.StepX = sx[i];
    a.StepY = sy[i];
    a.ScentSum = scent[i];
    for (std::size_t j = 0; j < static_cast<std::size_t>(dirCount[i]); ++j) {
      const std::size_t k = i * kMaxDirections + j;
      Require(step(dx[k]) && step(dy[k]), who + "direction outside -1..1");
      a.Directions.push_back({dx[k], dy[k]});
    }
    for (std::size_t j = 0; j < static_cast<std::size_t>(chanceCount[i]); ++j) {
      const double v = chances[i * kMaxDirections + j];
      Require(!std::isnan(v), who + "a chance is not a number");
      a.Chances.push_back(v);
    }
  }
}

// A destination's point is where a Ctrl-click fell on the panel, or the
// centre of a landscape's cell (which for some cell sizes lies a pixel past
// the panel's edge); nothing else makes one.
void CheckDestinationPoint(const Loaded& w, std::size_t i, int32_t x, int32_t y) {
  const int32_t width = std::max(kPanelWidth, w.ColCount * w.CellSize);
  const int32_t height = std::max(kPanelHeight, w.RowCount * w.CellSize);
  Require(x >= 0 && x < width && y >= 0 && y < height,
          "destination " + std::to_string(i) + ": point (" + std::to_string(x) + ", " + std::to_string(y) +
              ") lies off the panel (dataset '/destinations/X', '/destinations/Y')");
}

void ReadDestinations(hid_t file, Loaded& w) {
  Id g(OpenGroup(file, "destinations"), H5Gclose);
  const hsize_t n = TableLength(g, "X");
  const auto x = GetData<int32_t>(g, "X", Rank::One, 0, n);
  const auto y = GetData<int32_t>(g, "Y", Rank::One, 0, n);
  const auto returns = GetData<int32_t>(g, "Returns", Rank::One, 0, n);
  w.destinations.resize(static_cast<std::size_t>(n));
  for (std::size_t i = 0; i < w.destinations.size(); ++i) {
    Require(returns[i] >= 0, "destination " + std::to_string(i) + ": negative return count");
    CheckDestinationPoint(w, i, x[i], y[i]);
    w.destinations[i] = {x[i], y[i], returns[i]};
  }
}

void ReadRandom(hid_t file, Loaded& w) {
  Id g(OpenGroup(file, "random"), H5Gclose);
  RandomState& st = w.random;
  GetAttr<uint64_t>(g, "state", st.words, 4);
  st.seed = GetAttr<uint64_t>(g, "seed");
  st.reseeds = GetAttr<uint64_t>(g, "reseeds");
  st.fixed = GetFlag(g, "fixed");
  const uint64_t landscape = GetAttr<uint64_t>(g, "landscape_seed");
  if (GetFlag(g, "has_landscape_seed")) st.landscapeSeed = landscape;
  // An all-zero xoshiro state yields zeros for ever.
  Require((st.words[0] | st.words[1] | st.words[2] | st.words[3]) != 0, "random state is all zero");
}

// Worlds saved before the chart kept its deliveries have no such table:
// their points open without them.
void ReadChartDeliveries(hid_t chartGroup, hsize_t n, std::vector<ChartPoint>& chart) {
  if (H5Lexists(chartGroup, "deliveries", H5P_DEFAULT) <= 0) return;
  const auto deliveries = GetData<double>(chartGroup, "deliveries", Rank::One, 0, n);
  for (std::size_t i = 0; i < chart.size(); ++i) {
    const double d = deliveries[i];
    if (std::isnan(d)) continue;
    Require(d >= 0.0 && d <= static_cast<double>(INT32_MAX) && d == std::floor(d),
            "chart point " + std::to_string(i) + " has a delivery count that is no count");
    chart[i].deliveries = static_cast<int32_t>(d);
  }
}

void ReadChart(hid_t file, Loaded& w) {
  Id g(OpenGroup(file, "chart"), H5Gclose);
  const hsize_t n = TableLength(g, "step");
  const auto step = GetData<double>(g, "step", Rank::One, 0, n);
  const auto successful = GetData<double>(g, "successful", Rank::One, 0, n);
  const auto returning = GetData<double>(g, "returning", Rank::One, 0, n);
  const auto trackMax = GetData<double>(g, "track_max", Rank::One, 0, n);
  w.chart.resize(static_cast<std::size_t>(n));
  for (std::size_t i = 0; i < w.chart.size(); ++i) {
    Require(std::isfinite(step[i]) && std::isfinite(successful[i]) && std::isfinite(returning[i]) &&
                !std::isnan(trackMax[i]),
            "chart point " + std::to_string(i) + " is not a number");
    w.chart[i] = {step[i], successful[i], returning[i], trackMax[i], std::nullopt};
  }
  ReadChartDeliveries(g, n, w.chart);
}

// The whole file, built in memory by HDF5's core driver: the library never
// writes to disk itself, so that a full disk is met by our own writes (with
// their message) and not inside HDF5, whose shutdown would otherwise trip
// over a file it failed to close.
std::vector<char> WorldImage(const Simulation& sim, std::span<const ChartPoint> chart) {
  Id fapl(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
  if (!fapl.ok() || H5Pset_fapl_core(fapl, 1 << 20, false) < 0) throw FileError("cannot build the file in memory");
  std::vector<char> image;
  {
    Id file(H5Fcreate("quorvan-world-image", H5F_ACC_TRUNC, H5P_DEFAULT, fapl), H5Fclose);
    if (!file.ok()) throw FileError("cannot build the file in memory");
    WriteFile(file, sim, chart);
    if (H5Fflush(file, H5F_SCOPE_GLOBAL) < 0) throw FileError("cannot build the file in memory");
    const ssize_t size = H5Fget_file_image(file, nullptr, 0);
    if (size <= 0) throw FileError("cannot build the file in memory");
    image.resize(static_cast<std::size_t>(size));
    if (H5Fget_file_image(file, image.data(), image.size()) != size) throw FileError("cannot build the file in memory");
  }
  return image;
}

// Where the file goes: HDF5 files are read back by seeking, so only a
// regular file (or a link to one, or nothing yet) will do.
std::string TargetError(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  return "HDF5 needs a regular file, and this is a device, pipe or socket";
}

// Everything an open reads, read and checked; a message on failure.
std::string ReadWorldFile(const std::string& path, Loaded& w) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return path + ": no such file";
  if (H5Fis_hdf5(path.c_str()) <= 0) return path + ": not an HDF5 file";
  try {
    Id file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
    if (!file.ok()) throw FileError("the file is damaged or truncated");
    if (H5Aexists(file, "format_version") <= 0) throw FileError("no format version: not a Quorvan world");
    const int32_t version = GetAttr<int32_t>(file, "format_version");
    if (version != kWorldFormatVersion) {
      throw FileError("format version " + std::to_string(version) + ", but this program reads version " +
                      std::to_string(kWorldFormatVersion));
    }
    w.settings = ReadSettings(file);
    ReadWorld(file, w);
    ReadDestinations(file, w);
    ReadCells(file, w, w.destinations.size());
    ReadAgents(file, w);
    ReadRandom(file, w);
    ReadChart(file, w);
  } catch (const FileError& e) {
    return path + ": " + e.what();
  } catch (const std::bad_alloc&) {
    return path + ": too large to open";
  }
  return {};
}

// Everything is read and checked: now the world changes, all at once (and
// without the display, which whoever shows the world repaints).
void Replace(Loaded& w, Simulation& sim, std::vector<ChartPoint>& chart) {
  sim.settings = std::move(w.settings);
  sim.ColCount = w.ColCount;
  sim.RowCount = w.RowCount;
  sim.CellSize = w.CellSize;
  sim.HalfCell = w.HalfCell;
  sim.StepCount = w.StepCount;
  sim.StopTime = w.StopTime;
  sim.TrackMax = w.TrackMax;
  sim.TrackMin = w.TrackMin;
  sim.Cells = std::move(w.cells);
  sim.Limbo = std::move(w.limbo);
  sim.Agents = std::move(w.agents);
  sim.Destinations = std::move(w.destinations);
  sim.Rand.SetState(w.random);
  chart = std::move(w.chart);
}

std::string ReadAndReplace(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart) {
  Loaded w;
  if (std::string error = ReadWorldFile(path, w); !error.empty()) return error;
  Replace(w, sim, chart);
  return {};
}

// A file as it stands on disk: a sweep opens one world for every run, and a
// file that a child has read through once is read here directly while it
// stays the same file with the same size and times.
using FileVersion = std::array<int64_t, 7>;

std::optional<FileVersion> VersionOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileVersion{static_cast<int64_t>(st.st_dev), static_cast<int64_t>(st.st_ino), st.st_size,
                     st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

// Guarded by LibraryLock.
std::set<FileVersion>& CheckedApart() {
  static std::set<FileVersion> versions;
  return versions;
}

}  // namespace

std::string SaveWorld(const std::string& path, const Simulation& sim, std::span<const ChartPoint> chart) {
  const std::lock_guard lock(LibraryLock());
  Quiet();
  if (!sim.HasWorld()) return path + ": there is no world to save";
  if (std::string why = TargetError(path); !why.empty()) return path + ": " + why;
  std::vector<char> image;
  try {
    image = WorldImage(sim, chart);
  } catch (const FileError& e) {
    return path + ": " + e.what();
  } catch (const std::bad_alloc&) {
    return path + ": not enough memory";
  }
  batch::OutputFile out;
  std::string error;
  if (!out.Open(path, error)) return error;
  std::fwrite(image.data(), 1, image.size(), out.File());
  if (!out.Finish(error) || !out.Rename(error)) return error;
  return {};
}

std::string OpenWorldInProcess(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart) {
  const std::lock_guard lock(LibraryLock());
  Quiet();
  return ReadAndReplace(path, sim, chart);
}

std::string OpenWorld(const std::string& path, Simulation& sim, std::vector<ChartPoint>& chart) {
  const std::lock_guard lock(LibraryLock());
  Quiet();
  const std::optional<FileVersion> version = VersionOf(path);
  if (version && CheckedApart().contains(*version)) return ReadAndReplace(path, sim, chart);
  // The library can crash on a damaged file where no check of ours can
  // stop it: the file is read first in a child process, which dies instead.
  NoAnswer failure;
  const std::optional<std::string> checked = ReadApart(
      [&path] {
        Loaded probe;
        return ReadWorldFile(path, probe);
      },
      failure);
  if (!checked && failure.timedOut) {
    // The child hung, not on the file (a read takes milliseconds) but most
    // likely on a lock that another thread held at the fork: read here.
    std::string error = ReadAndReplace(path, sim, chart);
    if (error.empty() && version && VersionOf(path) == version) CheckedApart().insert(*version);
    return error;
  }
  if (!checked && !failure.started) return path + ": cannot start a process to read it: " + failure.how;
  if (!checked) return path + ": the file is damaged: the HDF5 library crashed reading it (" + failure.how + ")";
  if (!checked->empty()) return *checked;
  if (version && VersionOf(path) == version) CheckedApart().insert(*version);
  return ReadAndReplace(path, sim, chart);
}

}  // namespace quorvan
