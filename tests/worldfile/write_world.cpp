// Writes a small world for the h5py reading test: 4-pixel cells, 25 agents,
// 10 steps of the random landscape.
#include <cstdio>

#include "simulation.h"
#include "world_file.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  quorvan::Simulation sim;
  sim.Rand.FixSeed(5);
  sim.settings.Edit_size = "4";
  sim.settings.Edit_anzAg = "25";
  if (!sim.SetupWorld().empty()) return 1;
  for (int i = 0; i < 10; ++i) sim.DoStep();
  // The trail the reader checks: a value no step could produce by chance.
  sim.Cells.Track(3, 7) = 12.25;
  const std::string error = quorvan::SaveWorld(argv[1], sim, {});
  if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
  return error.empty() ? 0 : 1;
}
