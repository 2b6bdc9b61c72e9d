// The safe writer: what each kind of target becomes, what a failure, a full
// disk and a signal leave behind.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "output_file.h"
#include "scratch_files.h"

namespace quorvan::batch {
namespace {

namespace fs = std::filesystem;

using scratch::Read;
using scratch::Put;
fs::path Scratch(const std::string& name) { return scratch::Folder("io", name); }

// Whatever a writer left besides the files a case made: temporary files.
int Leftovers(const fs::path& dir) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string().find(".tmp-") != std::string::npos;
  return n;
}

bool WriteAll(const std::string& path, const std::string& text, std::string& error,
              OutputFile::Needs needs = OutputFile::Needs::kStream) {
  OutputFile f;
  if (!f.Open(path, error, needs)) return false;
  f.Write(text);  // a failure is Finish()'s to report
  return f.Finish(error) && f.Rename(error);
}

mode_t Mode(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(OutputFile, EveryKindOfTargetGetsWhatItShould) {
  const fs::path dir = Scratch("targets");
  struct Case {
    std::string name;
    std::function<bool(const fs::path& at)> make;  // false: cannot here (skipped)
    OutputFile::Needs needs;
    bool written;                                  // else refused, and nothing changes
    std::function<void(const fs::path& at)> check;
  };
  const auto isLinkTo = [&](const std::string& to, const std::string& text) {
    return [=](const fs::path& at) {
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(at)));
      EXPECT_EQ(Read(at.parent_path() / to), text);
    };
  };
  const auto charDevice = [](const fs::path& at) { return ::mknod(at.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; };
  const Case cases[] = {
      {"new", [](const fs::path&) { return true; }, OutputFile::Needs::kStream, true,
       [](const fs::path& at) {
         EXPECT_EQ(Read(at), "new text");
         const mode_t mask = ::umask(0);
         ::umask(mask);
         EXPECT_EQ(Mode(at) & 07777, 0666 & ~mask);
       }},
      {"kept-mode", [](const fs::path& at) { Put(at, "old"); fs::permissions(at, fs::perms(0640)); return true; },
       OutputFile::Needs::kStream, true, [](const fs::path& at) { EXPECT_EQ(Mode(at) & 07777, 0640u); }},
      {"link", [&](const fs::path& at) { Put(dir / "link.file", "old"); fs::create_symlink("link.file", at); return true; },
       OutputFile::Needs::kStream, true, isLinkTo("link.file", "new text")},
      {"dangling", [](const fs::path& at) { fs::create_symlink("dangling.file", at); return true; },
       OutputFile::Needs::kRegularFile, true, isLinkTo("dangling.file", "new text")},
      {"chain", [&](const fs::path& at) {
         fs::create_directories(dir / "sub");
         fs::create_symlink("sub/chain.mid", at);
         fs::create_symlink("../chain.file", dir / "sub/chain.mid");
         return true;
       }, OutputFile::Needs::kStream, true, isLinkTo("chain.file", "new text")},
      {"device", charDevice, OutputFile::Needs::kStream, true,
       [](const fs::path& at) { EXPECT_TRUE(S_ISCHR(Mode(at))); }},
      {"device-refused", charDevice, OutputFile::Needs::kRegularFile, false,
       [](const fs::path& at) { EXPECT_TRUE(S_ISCHR(Mode(at))); }},
      {"fifo-refused", [](const fs::path& at) { return ::mkfifo(at.c_str(), 0600) == 0; }, OutputFile::Needs::kRegularFile,
       false, [](const fs::path& at) { EXPECT_TRUE(S_ISFIFO(Mode(at))); }},
      {"folder", [](const fs::path& at) { return fs::create_directory(at); }, OutputFile::Needs::kStream, false,
       [](const fs::path& at) { EXPECT_TRUE(fs::is_directory(at)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path at = dir / c.name;
    if (!c.make(at)) {
      std::printf("skipped '%s': cannot make it here (mknod needs root)\n", c.name.c_str());
      continue;
    }
    std::string error;
    EXPECT_EQ(WriteAll(at.string(), "new text", error, c.needs), c.written) << error;
    if (!c.written) {
      EXPECT_NE(error.find("'" + at.string() + "'"), std::string::npos) << error;
    }
    c.check(at);
  }
  EXPECT_EQ(Leftovers(dir) + Leftovers(dir / "sub"), 0);
}

TEST(OutputFile, AFifoIsWrittenIntoAndAnUnfinishedFileChangesNothing) {
  const fs::path dir = Scratch("fifo");
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = Read(fifo); });
  std::string error;
  EXPECT_TRUE(WriteAll(fifo.string(), "through the pipe", error)) << error;
  reader.join();
  EXPECT_EQ(got, "through the pipe");
  EXPECT_TRUE(S_ISFIFO(Mode(fifo)));

  Put(dir / "kept", "old");
  {
    OutputFile f;
    ASSERT_TRUE(f.Open((dir / "kept").string(), error));
    f.Write("half");
  }  // never renamed
  EXPECT_EQ(Read(dir / "kept"), "old");
  EXPECT_EQ(Leftovers(dir), 0);
}

TEST(OutputFile, AFullDiskIsNamedAndLeavesTheOldFile) {
  const fs::path dir = Scratch("full");
  if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
    std::printf("skipped: cannot mount a small tmpfs here (needs root)\n");
    GTEST_SKIP();
  }
  Put(dir / "kept.csv", "old");
  std::string error;
  EXPECT_FALSE(WriteAll((dir / "kept.csv").string(), std::string(1 << 20, 'x'), error));
  EXPECT_EQ(error, "cannot write '" + (dir / "kept.csv").string() + "': no space left on device");
  EXPECT_EQ(Read(dir / "kept.csv"), "old");
  EXPECT_EQ(Leftovers(dir), 0);
  ::umount(dir.c_str());
}

TEST(OutputFile, ASignalRemovesTheTemporaryFiles) {
  const fs::path dir = Scratch("signal");
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      OutputFile a, b;
      std::string error;
      if (!a.Open((dir / "a.csv").string(), error) || !b.Open((dir / "b.json").string(), error)) ::_exit(3);
      a.Write(std::string(1 << 19, 'x'));
      ::raise(sig);
      ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(Leftovers(dir), 0);
  }
}

}  // namespace
}  // namespace quorvan::batch
