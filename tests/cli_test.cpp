// End to end through the `omf` binary: files, result.log, output and exit
// statuses.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace omf {
namespace {

using testing::BuildContainer;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::ReadFileText;
using testing::TempDir;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs `omf <args>` in `cwd`; stdout and stderr are files, not terminals.
Outcome Omf(const TempDir& dir, const std::string& cwd, const std::string& args) {
  const std::string cmd = "cd '" + cwd + "' && '" OMF_BINARY "' " + args + " >'" + (dir / ".out") + "' 2>'" +
                          (dir / ".err") + "' </dev/null";
  const int raw = std::system(cmd.c_str());
  return {WEXITSTATUS(raw), ReadFileText(dir / ".out"), ReadFileText(dir / ".err")};
}

class OmfCli : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildContainer({{1, 25, PatternBytes(5000, 1)}, {2, 19, {}}, {0x1A, 2, PatternBytes(1200, 2)}})
        .image.WriteTo(dir_ / "scene.omf");
    BuildContainer({{0x12345, 90, PatternBytes(70, 3)}}).image.WriteTo(dir_ / "two.omf");
    auto bad = BuildContainer({{4, 2, PatternBytes(3000, 4)}});
    bad.image.SetLink(static_cast<std::uint32_t>((bad.data_header_pos[0] + 12) / 512), 0, 0);
    bad.image.WriteTo(dir_ / "bad.omf");
  }
  TempDir dir_;
};

TEST_F(OmfCli, ExtractWritesItemFilesAndResultLogByteForByte) {
  // Relative container paths are made absolute; -o is created, made
  // absolute and normal.
  auto r = Omf(dir_, dir_.path(), "extract -o ./out/x/../y/ scene.omf two.omf");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress line when stderr is not a terminal
  const std::string out = dir_ / "out/y";
  EXPECT_EQ(ReadFileText(out + "/result.log"),
            "#Format: OMF\r\n#Source: " + (dir_ / "scene.omf") + "\r\n" + out + "/0001.dat\r\nNULL\r\n" + out +
                "/001A.dat\r\n#Format: OMF\r\n#Source: " + (dir_ / "two.omf") + "\r\n" + out + "/12345.dat\r\n");
  EXPECT_EQ(ReadFileBytes(out + "/0001.dat"), PatternBytes(5000, 1));
  EXPECT_EQ(ReadFileBytes(out + "/001A.dat"), PatternBytes(1200, 2));
  EXPECT_EQ(ReadFileBytes(out + "/12345.dat"), PatternBytes(70, 3));
}

TEST_F(OmfCli, ExtractDefaultsToTheCurrentFolder) {
  std::filesystem::create_directory(dir_ / "here");
  auto r = Omf(dir_, dir_ / "here", "extract ../two.omf");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileText(dir_ / "here/result.log"),
            "#Format: OMF\r\n#Source: " + (dir_ / "two.omf") + "\r\n" + (dir_ / "here") + "/12345.dat\r\n");
}

TEST_F(OmfCli, ErrorsEndTheRunWithMessageAndStatus) {
  auto r = Omf(dir_, dir_.path(), "extract -o out scene.omf missing.omf two.omf");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot open file " + (dir_ / "missing.omf") + "\n");
  EXPECT_FALSE(FileExists(dir_ / "out/result.log"));
  EXPECT_FALSE(FileExists(dir_ / "out/12345.dat"));

  r = Omf(dir_, dir_.path(), "extract -o out bad.omf");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Corrupt container " + (dir_ / "bad.omf") + ": entry 0 (id 0004): data: NextLink is 0", 0),
            0u)
      << r.err;
  EXPECT_FALSE(FileExists(dir_ / "out/0004.dat"));

  for (const char* usage : {"", "extract", "frobnicate x.omf", "list", "extract --bogus scene.omf"}) {
    EXPECT_EQ(Omf(dir_, dir_.path(), usage).status, 2) << usage;
  }
}

TEST_F(OmfCli, KeepGoingLeavesFailuresOutAndExitsThree) {
  auto r = Omf(dir_, dir_.path(), "extract --keep-going -o out scene.omf bad.omf two.omf");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Corrupt container " + (dir_ / "bad.omf")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 containers done, 1 failed"), std::string::npos) << r.err;
  const std::string log = ReadFileText(dir_ / "out/result.log");
  EXPECT_EQ(log.find("bad.omf"), std::string::npos);
  EXPECT_NE(log.find("#Source: " + (dir_ / "two.omf") + "\r\n"), std::string::npos);
}

TEST_F(OmfCli, ListAndCheck) {
  auto r = Omf(dir_, dir_.path(), "list --json scene.omf");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "[{\"index\":0,\"id\":1,\"type\":25,\"size\":5000,\"file\":\"0001.dat\"},\n"
            "{\"index\":1,\"id\":2,\"type\":19,\"size\":null,\"file\":null},\n"
            "{\"index\":2,\"id\":26,\"type\":2,\"size\":1200,\"file\":\"001A.dat\"}]\n");
  r = Omf(dir_, dir_.path(), "list scene.omf");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "     0      0001     25          5000  0001.dat\n"
            "     1      0002     19             -  NULL\n"
            "     2      001A      2          1200  001A.dat\n");

  r = Omf(dir_, dir_.path(), "check scene.omf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("scene.omf: OK"), std::string::npos) << r.out;
  r = Omf(dir_, dir_.path(), "check bad.omf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("NextLink is 0"), std::string::npos) << r.err;
}

// Replaces every "#Format: OMF" of a manifest with another format name.
std::string WithFormat(std::string log, const std::string& name) {
  for (std::size_t at = 0; (at = log.find("#Format: OMF", at)) != std::string::npos; at += 9) {
    log.replace(at, 12, "#Format: " + name);
  }
  return log;
}

TEST_F(OmfCli, ReplayInPlaceAfterAnEdit) {
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o out scene.omf").status, 0);
  const auto original = ReadFileBytes(dir_ / "scene.omf");
  testing::WriteFileBytes(dir_ / "out/0001.dat", PatternBytes(4000, 7));  // shorter: fits

  auto dry = Omf(dir_, dir_.path(), "replay --dry-run out/result.log");
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find("scene.omf: entry 0 (id 0001, type 25): replaced, 4000 bytes (now 5000)"), std::string::npos)
      << dry.out;
  EXPECT_EQ(ReadFileBytes(dir_ / "scene.omf"), original);

  auto r = Omf(dir_, dir_.path(), "replay --backup -o out out/result.log");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "scene.omf.bak"), original);
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o again scene.omf").status, 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "again/0001.dat"), PatternBytes(4000, 7));
  EXPECT_FALSE(FileExists(dir_ / "out/result.log.bak"));
}

TEST_F(OmfCli, ReplayRefusedItemExitsThree) {
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o out scene.omf").status, 0);
  const auto original = ReadFileBytes(dir_ / "scene.omf");
  testing::WriteFileBytes(dir_ / "out/0001.dat", PatternBytes(5001, 7));
  auto r = Omf(dir_, dir_.path(), "replay -o out out/result.log");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Item file " + (dir_ / "out/0001.dat") + " is 5001 bytes, longer than the 5000 bytes"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "scene.omf"), original);
}

TEST_F(OmfCli, ReplayByRebuildThroughAProjectList) {
  BuildContainer({{1, 2, PatternBytes(5000, 1)}, {0x1A, 2, PatternBytes(1200, 2)}}).image.WriteTo(dir_ / "plain.omf");
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o out plain.omf").status, 0);
  testing::WriteFileText(dir_ / "out/edit.log", WithFormat(ReadFileText(dir_ / "out/result.log"), "EOMF"));
  testing::WriteFileBytes(dir_ / "out/001A.dat", PatternBytes(9000, 5));  // grows
  testing::WriteFileText(dir_ / "project.lst", (dir_ / "out/edit.log") + "\r\n");
  auto r = Omf(dir_, dir_.path(), "replay --list -o rebuilt project.lst");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(FileExists(dir_ / "rebuilt/result.log"));  // a replay writes no manifest
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o check rebuilt/plain.omf").status, 0);
  auto grown = PatternBytes(9000, 5);
  for (auto& b : grown) b = b == 0xD0 ? 0x50 : b;
  if (grown.back() != 0) grown.push_back(0);
  EXPECT_EQ(ReadFileBytes(dir_ / "check/001A.dat"), grown);
}

TEST_F(OmfCli, FailedRebuildLeavesNoFile) {
  // scene.omf holds a type 25 item, which the rebuild refuses.
  ASSERT_EQ(Omf(dir_, dir_.path(), "extract -o out scene.omf").status, 0);
  testing::WriteFileText(dir_ / "out/edit.log", WithFormat(ReadFileText(dir_ / "out/result.log"), "EOMF"));
  auto r = Omf(dir_, dir_.path(), "replay -o rebuilt out/edit.log");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot rebuild " + (dir_ / "scene.omf") +
                       ": item 0001 (entry 0) has ItemType 25; only items of type 2 can be rebuilt\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "rebuilt"));
}

}  // namespace
}  // namespace omf
