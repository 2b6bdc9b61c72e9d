// World files from any bytes: opening must either refuse the file with a
// message and leave the current world and chart exactly as they were, or
// accept it, and then the opened world must hold what every world holds and
// run steps like any other.

#include <hdf5.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "world_file.h"
#include "world_invariants.h"

using namespace quorvan;
using namespace quorvan::fuzz;

namespace {

constexpr int kStepsAfterOpen = 3;

const std::string& InputPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/quorvan-fuzz-world-" + std::to_string(getpid()) + ".qvw";
  }();
  return path;
}

bool WriteInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(InputPath().c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The library's error stacks on damaged files would drown the output.
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  std::atexit([] { std::remove(InputPath().c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteInput(data, size)) return 0;

  // The world that a refused file must leave alone: small, a few steps in.
  Simulation sim;
  sim.Rand.FixSeed(1);
  sim.settings.Edit_size = "10";
  sim.settings.Edit_anzAg = "3";
  FUZZ_REQUIRE(sim.SetupWorld().empty());
  sim.DoStep();
  const std::vector<ChartPoint> chartBefore{{1.0, 0.0, 0.0, 0.1}};
  std::vector<ChartPoint> chart = chartBefore;
  const Snapshot before = Snapshot::Of(sim);

  // Read in this process, not apart: the fuzzer needs the library's coverage.
  const std::string error = OpenWorldInProcess(InputPath(), sim, chart);
  // Whatever the file was, the reader has closed everything it opened.
  FUZZ_REQUIRE(H5Fget_obj_count(H5F_OBJ_ALL, H5F_OBJ_ALL) == 0, error);
  if (!error.empty()) {
    FUZZ_REQUIRE(error.rfind(InputPath() + ": ", 0) == 0, error);
    FUZZ_REQUIRE(Snapshot::Of(sim) == before && chart == chartBefore, error);
    return 0;
  }
  CheckWorld(sim, SIZE_MAX);
  for (int i = 0; i < kStepsAfterOpen; ++i) {
    Step(sim);
    CheckWorld(sim, SIZE_MAX);
  }
  return 0;
}
