// The grammar of quorvan-batch: which command a command line is, help and
// version, and refusals that name the option and its value.

#include <gtest/gtest.h>

#include <filesystem>

#include "batch_command.h"

namespace quorvan::batch {
namespace {

// The program's one grammar: --help and --version stop with 0, merge has a
// help of its own, and a single run's bad value is never taken for a sweep.
TEST(BatchCommand, HelpVersionAndWhatMakesASweep) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;        ///< when parsing stops here; -1: a command
    const char* output;  ///< in the help, version or refusal
  };
  const Case cases[] = {
      {{"--version"}, 0, "quorvan-batch " QUORVAN_TEST_VERSION "\n"},
      {{"--help"}, 0, "--replicates K"},
      {{"--help"}, 0, "--for N"},
      {{"merge", "--help"}, 0, "SHARD_DIR"},
      {{"--agents", ""}, 2, "--agents: '' is not a whole number from 0 to 2147483647"},
      {{"--csv", "x.csv", "--agents"}, 2, "--agents needs a value"},
      {{"--csv", "x.csv", "--agents", "12,5"}, 2, "--agents: '12,5' is several values"},
      {{"--consume", "0,35", "--csv", "x.csv"}, -1, ""},
      {{"--noise", "1e15"}, 2, "--noise: '1e15' is not a number from"},
      {{"--out", "x", "merge", "--out", "m", "s"}, 2, "merge: --out goes with a run or a sweep"},
      {{"--help"}, 0, "--design lhs|sobol|morris"},
      {{"analyze", "--help"}, 0, "--outputs LIST"},
      {{"--out", "x", "analyze", "d"}, 2, "analyze: --out goes with a run or a sweep"},
      {{"--csv", "x.csv", "--wiggle", "0..180"}, 2, "--wiggle: '0..180' is an interval, which makes a design"},
  };
  for (const Case& c : cases) {
    const BatchCommand parsed = ParseBatchCommandLine(c.args);
    EXPECT_EQ(std::holds_alternative<std::monostate>(parsed.command) ? parsed.exitCode : -1, c.exitCode) << c.output;
    EXPECT_NE(parsed.output.find(c.output), std::string::npos) << parsed.output;
  }
}

}  // namespace
}  // namespace quorvan::batch
