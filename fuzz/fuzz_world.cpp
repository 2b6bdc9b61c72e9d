// A whole world driven by the input: every setting (texts included) comes
// from the bytes, then setups, steps, setting changes and mouse edits at
// any pixel (off the panel too) in the order the bytes give. After every
// operation the world must hold what the model promises: agents on the
// grid, kinds 0..3, destination cells naming entries that exist, and a
// refused setup or step leaving the world exactly as it was.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "world_invariants.h"
#include "numerics.h"
#include "simulation.h"

using namespace quorvan;
using namespace quorvan::fuzz;

namespace {

constexpr int32_t kMaxAgents = 200;  // keeps one execution fast
constexpr int kMaxSteps = 50;
constexpr int kMaxSetups = 3;
constexpr int kMaxOperations = 96;

// A display that only checks what it is asked to paint.
class CheckingDisplay : public Display {
 public:
  explicit CheckingDisplay(const Simulation*& sim) : sim_(sim) {}
  void PaintCell(int32_t column, int32_t row) override {
    FUZZ_REQUIRE(sim_ != nullptr && sim_->HasWorld());
    FUZZ_REQUIRE(column >= 0 && column < sim_->ColCount && row >= 0 && row < sim_->RowCount,
                 std::to_string(column) + "," + std::to_string(row));
  }

 private:
  const Simulation*& sim_;
};

// A text for an edit box: sometimes a number in one of its written forms,
// sometimes any bytes.
std::string Text(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return IntToText(in.ConsumeIntegralInRange<int32_t>(-5, 1000));
    case 1: {
      std::string s = std::to_string(in.ConsumeFloatingPointInRange(-2.0, 2.0));
      if (in.ConsumeBool()) {
        for (char& c : s) if (c == '.') c = ',';
      }
      return s;
    }
    default:
      return in.ConsumeRandomLengthString(24);
  }
}

// The agent count: any text, but a number above the bound is brought into it.
std::string AgentText(FuzzedDataProvider& in) {
  std::string s = Text(in);
  if (const auto n = TextToInt(s); n && *n > kMaxAgents) s = IntToText(*n % (kMaxAgents + 1));
  return s;
}

// The cell size: mostly 5..10, whose grids of at most 81 x 81 cells keep
// an execution fast; now and then any size or any text (2 gives 202 x 202).
std::string CellSizeText(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return Text(in);
    case 1:
      return IntToText(in.ConsumeIntegralInRange<int32_t>(1, 11));
    default:
      return IntToText(in.ConsumeIntegralInRange<int32_t>(5, 10));
  }
}

int32_t Angle(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 180) : in.ConsumeIntegral<int32_t>();
}

// A pixel coordinate: on the panel, just off it, or anywhere.
int32_t Pixel(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return in.ConsumeIntegralInRange<int32_t>(0, kPanelWidth - 1);
    case 1:
      return in.ConsumeIntegralInRange<int32_t>(-40, kPanelWidth + 40);
    default:
      return in.ConsumeIntegral<int32_t>();
  }
}

void ReadSettings(FuzzedDataProvider& in, Settings& s) {
  s.Edit_anzAg = AgentText(in);
  s.Edit_size = CellSizeText(in);
  s.SetupMode = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 4) : in.ConsumeIntegral<int32_t>();
  s.E_stop = Text(in);
  s.TrB_thresh = Angle(in);
  s.SB_wiggle = Angle(in);
  s.E_noise = Text(in);
  s.E_decay = Text(in);
  s.CB_decay = in.ConsumeBool();
  s.E_CProbab = Text(in);
  s.rb_rulette = in.ConsumeBool();
  s.rb_hill = in.ConsumeBool();
  s.CB_showAg = in.ConsumeBool();
  s.CB_showAB = in.ConsumeBool();
  s.CB_noTracks = in.ConsumeBool();
  s.CB_gravity = in.ConsumeBool();
  s.E_grav = Text(in);
}

void Setup(Simulation& sim) {
  const Snapshot before = Snapshot::Of(sim);
  const std::string error = sim.SetupWorld();
  if (!error.empty()) {
    FUZZ_REQUIRE(Snapshot::Of(sim) == before, error);
    return;
  }
  FUZZ_REQUIRE(sim.HasWorld() && sim.StepCount == 0);
  const auto count = TextToInt(sim.settings.Edit_anzAg);
  FUZZ_REQUIRE(count && sim.Agents.size() == static_cast<std::size_t>(*count > 0 ? *count : 0));
  FUZZ_REQUIRE(sim.Cells.Kind(sim.NestColumn(), sim.NestRow()) == kNest);
  if (sim.settings.SetupMode < 0 || sim.settings.SetupMode > 3) FUZZ_REQUIRE(sim.Destinations.empty());
}

// One mouse edit: only the cells of the edited point's 3 x 3 block may
// change, and none for a point whose cell is off the grid.
void Edit(Simulation& sim, FuzzedDataProvider& in) {
  const int32_t x = Pixel(in);
  const int32_t y = Pixel(in);
  const auto action = static_cast<EditAction>(in.ConsumeIntegralInRange(0, 3));
  const int32_t dest = in.ConsumeBool() ? static_cast<int32_t>(sim.Destinations.size()) - 1 - in.ConsumeIntegralInRange(0, 2)
                                        : in.ConsumeIntegral<int32_t>();
  std::vector<int32_t> kinds(sim.Cells.KindData(), sim.Cells.KindData() + sim.Cells.Count());
  sim.EditCellAt(x, y, action, dest);
  if (!sim.HasWorld()) return;
  const int32_t c = sim.CellIndexOf(x);
  const int32_t r = sim.CellIndexOf(y);
  if (c >= 0 && c < sim.ColCount && r >= 0 && r < sim.RowCount) {
    // The block's cells may change: take them as they are now.
    for (int32_t dy = -1; dy <= 1; ++dy) {
      for (int32_t dx = -1; dx <= 1; ++dx) {
        int32_t col = c + dx, row = r + dy;
        WrapCell(col, row, sim.ColCount, sim.RowCount);
        const int32_t kind = sim.Cells.Kind(col, row);
        kinds[sim.Cells.Index(col, row)] = kind;
        FUZZ_REQUIRE(kind >= kFree && kind <= kObstacle);
        if (kind == kDestination) {
          const int32_t d = sim.Cells(col, row).DestIndex;
          FUZZ_REQUIRE(d >= 0 && static_cast<std::size_t>(d) < sim.Destinations.size(), std::to_string(d));
        }
      }
    }
  }
  FUZZ_REQUIRE(std::equal(kinds.begin(), kinds.end(), sim.Cells.KindData()), "an edit changed a cell away from its point");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const Simulation* watched = nullptr;
  CheckingDisplay display(watched);
  Simulation sim(&display);
  watched = &sim;
  // A fixed seed keeps every execution reproducible.
  sim.Rand.FixSeed(in.ConsumeIntegral<uint64_t>());
  if (in.ConsumeBool()) sim.Rand.SetLandscapeSeed(in.ConsumeIntegral<uint64_t>());
  ReadSettings(in, sim.settings);
  Setup(sim);
  CheckWorld(sim, kMaxAgents);

  int steps = 0, setups = 1;
  for (int op = 0; op < kMaxOperations && in.remaining_bytes() > 0; ++op) {
    switch (in.ConsumeIntegralInRange(0, 7)) {
      case 0:
      case 1:
        if (steps++ < kMaxSteps) Step(sim);
        break;
      case 2:
        Edit(sim, in);
        break;
      case 3:
        sim.AddDestination(Pixel(in), Pixel(in));
        break;
      case 4: {
        Settings& s = sim.settings;
        std::string* texts[] = {&s.E_noise, &s.E_decay, &s.E_CProbab, &s.E_grav, &s.E_stop};
        const auto which = in.ConsumeIntegralInRange<std::size_t>(0, std::size(texts) + 1);
        if (which == std::size(texts)) {
          s.Edit_anzAg = AgentText(in);
        } else if (which == std::size(texts) + 1) {
          s.Edit_size = CellSizeText(in);
        } else {
          *texts[which] = Text(in);
        }
        break;
      }
      case 5:
        if (in.ConsumeBool()) {
          sim.settings.TrB_thresh = Angle(in);
          sim.settings.SB_wiggle = Angle(in);
        } else {
          sim.settings.CB_decay = in.ConsumeBool();
          sim.settings.CB_showAB = in.ConsumeBool();
          sim.settings.rb_rulette = in.ConsumeBool();
          sim.settings.rb_hill = in.ConsumeBool();
          sim.settings.SetupMode = in.ConsumeIntegralInRange<int32_t>(-2, 4);
        }
        break;
      case 6:
        if (setups++ < kMaxSetups) {
          Setup(sim);
          CheckCells(sim);
        }
        break;
      default:
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
          sim.ClearWorld();
        } else {
          // A drag: several edits of one kind in a row.
          const int n = in.ConsumeIntegralInRange(1, 8);
          for (int i = 0; i < n; ++i) Edit(sim, in);
        }
        break;
    }
    CheckAgents(sim, kMaxAgents);
  }
  CheckWorld(sim, kMaxAgents);
  return 0;
}
