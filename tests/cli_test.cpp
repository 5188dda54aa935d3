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

}  // namespace
}  // namespace omf
