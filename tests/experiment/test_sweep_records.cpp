// The records of a sweep under faults: damaged, cut, foreign and converted
// records, a changed world, a second process, a merge that failed. Each ends
// in the tables of the uninterrupted sweep or in a refusal naming the fault.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch_run.h"
#include "run_records.h"
#include "sweep_folder.h"
#include "sweep_main.h"
#include "world_file.h"
#include "scratch_files.h"

namespace quorvan::batch {
namespace {

namespace fs = std::filesystem;

using scratch::Read;
using scratch::Put;
fs::path Scratch(const std::string& name) { return scratch::Folder("records", name); }

std::vector<std::string> Small(const fs::path& out, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"--agents", "30", "--steps", "40", "--wiggle", "0:40:20", "--replicates", "2",
                                   "--seed",   "5",  "--series", "--plot", "none", "--quiet", "--jobs", "1",
                                   "--out",    out.string()};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The exit status of `call` and what it said on stderr.
std::pair<int, std::string> Said(const std::function<int()>& call) {
  testing::internal::CaptureStderr();
  const int status = call();
  return {status, testing::internal::GetCapturedStderr()};
}

// A record file's header of `run` and where its record ends.
std::string HeaderOf(const std::string& text, int run, std::size_t* end = nullptr) {
  const std::string mark = "#quorvan-run " + std::to_string(run) + " ";
  const std::size_t at = text.find(mark);
  const std::size_t next = text.find("#quorvan-run ", at + 1);
  if (end != nullptr) *end = next == std::string::npos ? text.size() : next;
  return text.substr(at, text.find('\n', at) - at);
}

std::string IdentityIn(const std::string& text) {
  const std::string header = HeaderOf(text, 0);
  const std::size_t a = header.find(' ', 13) + 1;
  return header.substr(a, header.find(' ', a) - a);
}

TEST(SweepRecords, ResumeRunsDamagedRecordsAgainAndRefusesForeignOnes) {
  const fs::path dir = Scratch("resume");
  ASSERT_EQ(RunSweep(Small(dir / "clean")), 0);
  const std::string runs = Read(dir / "clean/runs.csv"), series = Read(dir / "clean/series.csv");
  const std::string file = Read(dir / "clean/parts/records-0001-1.qvr");
  const std::string identity = IdentityIn(file);
  std::size_t end2 = 0;
  HeaderOf(file, 2, &end2);
  const std::size_t start2 = file.find(HeaderOf(file, 2));
  const std::string row2 = file.substr(file.find('\n', start2) + 1, file.find('\n', file.find('\n', start2) + 1) -
                                                                        file.find('\n', start2));

  struct Case {
    std::string name;
    std::function<std::string(const std::string&)> records;  // the record file after the fault
    std::string refusal;  // empty: the resume gives the clean tables
  };
  const Case cases[] = {
      {"edited value", [&](std::string t) { return t.replace(end2 - 4, 1, t[end2 - 4] == '9' ? "8" : "9"); }, ""},
      {"cut mid-line", [&](const std::string& t) { return t.substr(0, t.size() - 7); }, ""},
      {"cut at a line end", [&](const std::string& t) { return t.substr(0, t.rfind('\n', t.size() - 2) + 1); }, ""},
      {"cut in a header", [&](const std::string& t) { return t.substr(0, start2 + 20); }, ""},
      {"empty", [](const std::string&) { return std::string(); }, ""},
      {"CRLF", [](const std::string& t) {
         std::string crlf;
         for (const char c : t) c == '\n' ? crlf += "\r\n" : crlf += c;
         return crlf;
       }, ""},
      {"row emptied", [&](std::string t) { return t.erase(file.find('\n', start2) + 1, row2.size()); }, ""},
      {"another sweep's record",
       [&](const std::string& t) { return t + EncodeRecord(1, "0123456789abcdef", "1,x\n", ""); }, "another sweep"},
      {"another run's lines", [&](const std::string& t) { return t + EncodeRecord(3, identity, row2, ""); },
       "holds lines of run 2"},
      {"a run the sweep lacks", [&](const std::string& t) { return t + EncodeRecord(99, identity, "99,1\n", ""); },
       "does not have"},
      {"two records that differ",
       [&](const std::string& t) { return t + EncodeRecord(2, identity, "2,0" + row2.substr(row2.find(',')), ""); },
       "two records that differ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path at = dir / "case";
    fs::remove_all(at);
    fs::copy(dir / "clean", at, fs::copy_options::recursive);
    fs::remove(at / "runs.csv");
    fs::remove(at / "series.csv");
    Put(at / "parts/records-0001-1.qvr", c.records(file));
    const auto [status, said] = Said([&] { return RunSweep({"--resume", at.string(), "--quiet"}); });
    if (c.refusal.empty()) {
      EXPECT_EQ(status, 0) << said;
      EXPECT_EQ(Read(at / "runs.csv"), runs);
      EXPECT_EQ(Read(at / "series.csv"), series);
    } else {
      EXPECT_EQ(status, 2);
      EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
      EXPECT_FALSE(fs::exists(at / "runs.csv"));
    }
  }
}

TEST(SweepRecords, AChangedWorldASecondProcessAndAnUnfinishedShardAreRefused) {
  const fs::path dir = Scratch("refused");
  const fs::path world = dir / "w.qvw";
  {
    RunSpec o;
    o.agents = 20;
    o.stopTime = 2;
    o.seed = 1;
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(o, sim, nullptr, summary), "");
    ASSERT_EQ(SaveWorld(world.string(), sim, {}), "");
  }
  const std::vector<std::string> overWorld = {"--world", world.string(), "--steps", "30", "--replicates", "2",
                                              "--seed",  "3",            "--quiet", "--plot", "none",
                                              "--out",   (dir / "w").string()};
  ASSERT_EQ(RunSweep(overWorld), 0);
  std::ofstream(world, std::ios::binary | std::ios::app) << '\0';  // the same path, other contents

  ASSERT_EQ(RunSweep(Small(dir / "s1", {"--shard", "1/2"})), 0);
  ASSERT_EQ(RunSweep(Small(dir / "s2", {"--shard", "2/2"})), 0);
  const fs::path s2records = dir / "s2/parts/records-0001-1.qvr";
  const std::string whole = Read(s2records);
  Put(s2records, whole.substr(0, whole.size() - 3));
  std::optional<FolderLock> held;
  ASSERT_EQ(held.emplace().Take((dir / "s1").string()), "");

  struct Case {
    std::string name;
    std::function<int()> call;
    std::string refusal;
  };
  const std::string out = (dir / "merged").string();
  const Case cases[] = {
      {"changed world", [&] { return RunSweep({"--resume", (dir / "w").string()}); }, "'" + world.string() + "' has changed"},
      {"a resume while another holds the folder", [&] { return RunSweep({"--resume", (dir / "s1").string()}); },
       "in use by another quorvan-batch"},
      {"a merge while another holds a shard",
       [&] { return RunMerge({"--out", out, (dir / "s1").string(), (dir / "s2").string()}); }, "in use"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [status, said] = Said(c.call);
    EXPECT_EQ(status, 2);
    EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
  }
  held.reset();
  {
    FolderLock released;
    EXPECT_EQ(released.Take((dir / "s1").string()), "");  // the lock went with its holder
  }
  const auto [status, said] = Said([&] { return RunMerge({"--out", out, (dir / "s1").string(), (dir / "s2").string()}); });
  EXPECT_EQ(status, 2);
  EXPECT_NE(said.find("shard 2/2 ('" + (dir / "s2").string() + "') is not done"), std::string::npos) << said;
  EXPECT_NE(said.find("cut short"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(RunSweep({"--resume", (dir / "s2").string(), "--quiet"}), 0);
  EXPECT_EQ(RunMerge({"--out", out, "--quiet", (dir / "s1").string(), (dir / "s2").string()}), 0);
  ASSERT_EQ(RunSweep(Small(dir / "one")), 0);
  EXPECT_EQ(Read(dir / "merged/series.csv"), Read(dir / "one/series.csv"));
}

TEST(SweepRecords, AMergeThatFailedOnAFullDiskIsFinishedByMergingAgain) {
  const fs::path dir = Scratch("full");
  ASSERT_EQ(RunSweep(Small(dir / "s1", {"--shard", "1/2"})), 0);
  ASSERT_EQ(RunSweep(Small(dir / "s2", {"--shard", "2/2"})), 0);
  ASSERT_EQ(RunSweep(Small(dir / "one")), 0);
  const fs::path disk = dir / "disk";
  fs::create_directories(disk);
  // Disks that fill at each file of the merge in turn: the tables, the
  // summaries and each picture of the plot.
  for (const char* size : {"8k", "16k", "24k", "64k", "96k", "128k"}) {
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) != 0) {
      std::printf("skipped: cannot mount a small tmpfs here (needs root)\n");
      GTEST_SKIP();
    }
    const std::vector<std::string> merge = {"--out",  (disk / "m").string(), "--plot", "on", "--quiet",
                                            (dir / "s1").string(), (dir / "s2").string()};
    const auto [status, said] = Said([&] { return RunMerge(merge); });
    if (status != 0) {
      EXPECT_EQ(status, 2) << size;
      EXPECT_NE(said.find("no space left on device"), std::string::npos) << size << ": " << said;
      ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", MS_REMOUNT, "size=4m"), 0);
      EXPECT_EQ(RunMerge(merge), 0) << size;
    }
    EXPECT_TRUE(fs::exists(disk / "m/plot.svg")) << size;
    EXPECT_EQ(Read(disk / "m/series.csv"), Read(dir / "one/series.csv")) << size;
    ::umount(disk.c_str());
  }
}

TEST(SweepRecords, AWorldFarOnNeedsNoMoreMemoryThanOneFromStepZero) {
  const fs::path dir = Scratch("far");
  const fs::path world = dir / "far.qvw";
  {
    RunSpec o;
    o.agents = 20;
    o.stopTime = 1;
    o.seed = 1;
    Simulation sim;
    RunSummary summary;
    ASSERT_EQ(RunWorld(o, sim, nullptr, summary), "");
    sim.StepCount = 300000000;
    ASSERT_EQ(SaveWorld(world.string(), sim, {}), "");
  }
  // In a child, whose peak memory is measured (and, outside sanitizer
  // builds, held to 1 GiB of address space): curves indexed by the absolute
  // step would need gigabytes.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit limit{1u << 30, 1u << 30};
    ::setrlimit(RLIMIT_AS, &limit);
#endif
    ::_exit(RunSweep({"--world", world.string(), "--steps", "300000010", "--replicates", "2", "--seed", "1",
                      "--quiet", "--plot", "none", "--out", (dir / "out").string()}));
  }
  int status = 0;
  rusage usage{};
  ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_LT(usage.ru_maxrss, 1 << 20) << "KiB at the peak";
  EXPECT_NE(Read(dir / "out/runs.csv").find(",300000010,"), std::string::npos);
}

}  // namespace
}  // namespace quorvan::batch
