// Writes the seed corpus of the world-file target: small valid worlds (cell
// size 10, a few agents, some steps in) and damaged copies of one of them.
// Usage: make_seed_worlds <folder>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "simulation.h"
#include "world_file.h"

using namespace quorvan;

namespace {

bool SaveSmallWorld(const std::string& path, int32_t mode, int steps, const char* agents) {
  Simulation sim;
  sim.Rand.FixSeed(7);
  sim.settings.Edit_size = "10";
  sim.settings.Edit_anzAg = agents;
  sim.settings.SetupMode = mode;
  sim.settings.CB_decay = mode == 2;
  if (const std::string e = sim.SetupWorld(); !e.empty()) {
    std::fprintf(stderr, "%s\n", e.c_str());
    return false;
  }
  std::vector<ChartPoint> chart;
  for (int i = 0; i < steps; ++i) {
    const StepResult r = sim.DoStep();
    chart.push_back({static_cast<double>(sim.StepCount), static_cast<double>(r.successful),
                     static_cast<double>(r.returning), static_cast<double>(r.trackMax)});
  }
  const std::string e = SaveWorld(path, sim, chart);
  if (!e.empty()) std::fprintf(stderr, "%s\n", e.c_str());
  return e.empty();
}

bool Write(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  if (!SaveSmallWorld(dir + "/random-4-agents.qvw", 0, 20, "4") ||
      !SaveSmallWorld(dir + "/raster-2-agents-fresh.qvw", 2, 0, "2") ||
      !SaveSmallWorld(dir + "/empty-0-agents.qvw", -1, 1, "0")) {
    return 1;
  }
  std::ifstream in(dir + "/random-4-agents.qvw", std::ios::binary);
  const std::vector<char> whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // Damaged copies: cut short, and with bytes changed in the middle.
  std::vector<char> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
  std::vector<char> flipped = whole;
  for (std::size_t i = whole.size() / 3; i < whole.size(); i += whole.size() / 7) flipped[i] ^= 0x5A;
  const std::vector<char> notHdf5{'q', 'v', 'w', '\n'};
  return Write(dir + "/damaged-truncated.qvw", cut) && Write(dir + "/damaged-flipped.qvw", flipped) &&
                 Write(dir + "/not-hdf5.qvw", notHdf5)
             ? 0
             : 1;
}
