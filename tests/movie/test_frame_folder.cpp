// Frame folders: put in place whole, or not at all.

#include "frame_folder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace quorvan::movie {
namespace {

namespace fs = std::filesystem;

std::size_t Entries(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(FrameFolder, FramesAppearOnlyOnCommitAndKeepOtherFiles) {
  QTemporaryDir tmp;
  const fs::path root = tmp.path().toStdString();
  QImage picture(6, 4, QImage::Format_RGB32);
  picture.fill(0xFF336699u);
  // (the folder exists already, with a file of its own and an old frame)
  for (const bool existing : {false, true}) {
    const fs::path dir = root / (existing ? "old" : "new");
    if (existing) {
      fs::create_directory(dir);
      std::ofstream(dir / "notes.txt") << "mine";
      std::ofstream(dir / FrameFolder::FileName(20)) << "old frame";
    }
    std::string error;
    {
      FrameFolder frames;
      ASSERT_TRUE(frames.Open(dir.string(), error)) << error;
      ASSERT_TRUE(frames.WritePng(10, picture, error)) << error;
      ASSERT_TRUE(frames.WritePng(20, picture, error)) << error;
      EXPECT_EQ(fs::exists(dir / "frame-000010.png"), false);
      ASSERT_TRUE(frames.Commit(error)) << error;
    }
    EXPECT_EQ(Entries(dir), existing ? 3u : 2u);
    EXPECT_EQ(QImage(QString::fromStdString((dir / "frame-000020.png").string())), picture);
    EXPECT_EQ(Entries(root), existing ? 2u : 1u) << "a temporary folder was left";
  }
}

TEST(FrameFolder, WithoutCommitNothingIsLeft) {
  QTemporaryDir tmp;
  const fs::path root = tmp.path().toStdString();
  std::string error;
  {
    FrameFolder frames;
    ASSERT_TRUE(frames.Open((root / "frames").string(), error));
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(0xFFFFFFFFu);
    ASSERT_TRUE(frames.WritePng(1, picture, error));
  }
  EXPECT_EQ(Entries(root), 0u);
  EXPECT_EQ(FrameFolder::FileName(1234567), "frame-1234567.png");
  std::ofstream(root / "plain") << "x";
  FrameFolder onAFile;
  EXPECT_FALSE(onAFile.Open((root / "plain").string(), error));
  EXPECT_NE(error.find("plain"), std::string::npos);
}

}  // namespace
}  // namespace quorvan::movie
