// The processing run: manifest lines, result.log, dispatch by input kind,
// Total positions, keep-going and stop.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/processing_run.h"
#include "platform/error.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace omf::app {
namespace {

using testing::BuildContainer;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileText;
using testing::TempDir;
using testing::WriteFileText;

struct Recorder : RunListener {
  std::vector<std::string> events;
  std::vector<int> totals;
  std::size_t stop_after_inputs = SIZE_MAX;
  std::size_t inputs_done = 0;
  void InputStarted(std::size_t i, std::size_t n, const std::string&) override {
    events.push_back("start " + std::to_string(i) + "/" + std::to_string(n));
  }
  void InputDone(std::size_t) override { ++inputs_done; }
  void InputFailed(const std::string&, const std::string&) override { events.push_back("failed"); }
  void SetTotalPosition(int p) override { totals.push_back(p); }
  bool StopRequested() override { return inputs_done >= stop_after_inputs; }
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildContainer({{1, 25, PatternBytes(10, 1)}, {2, 19, {}}, {0x1A, 2, PatternBytes(20, 2)}})
        .image.WriteTo(dir_ / "a.omf");
    BuildContainer({{3, 2, PatternBytes(5, 3)}}).image.WriteTo(dir_ / "b.omf");
    auto bad = BuildContainer({{4, 2, PatternBytes(5, 3)}});
    bad.image.Put32(4, 12);  // BlockSize below the minimum
    bad.image.WriteTo(dir_ / "bad.omf");
    ctx_.output_folder = dir_.path();
  }
  std::string P(const std::string& name) const { return dir_ / name; }

  TempDir dir_;
  RunContext ctx_;
  Recorder rec_;
};

TEST_F(RunTest, ContainerRunWritesResultLog) {
  ctx_.manifest.Add("left over from an earlier run");
  auto r = ProcessInputs(manifest::kFormatInPlace, {P("a.omf"), P("b.omf")}, ctx_, rec_);
  EXPECT_EQ(r.done, 2u);
  EXPECT_TRUE(r.saved_manifest);
  EXPECT_EQ(ReadFileText(P("result.log")),
            "#Format: OMF\r\n#Source: " + P("a.omf") + "\r\n" + P("0001.dat") + "\r\nNULL\r\n" + P("001A.dat") +
                "\r\n#Format: OMF\r\n#Source: " + P("b.omf") + "\r\n" + P("0003.dat") + "\r\n");
  EXPECT_EQ(rec_.events, (std::vector<std::string>{"start 0/2", "start 1/2"}));
}

TEST_F(RunTest, TotalMovesByInputAndNeverShowsHundred) {
  ProcessInputs(manifest::kFormatInPlace, {P("b.omf"), P("b.omf"), P("b.omf")}, ctx_, rec_);
  EXPECT_EQ(rec_.totals, (std::vector<int>{0, 0, 33, 66}));
}

TEST_F(RunTest, AnErrorEndsTheRunWithoutResultLog) {
  EXPECT_THROW(ProcessInputs(manifest::kFormatInPlace, {P("a.omf"), P("bad.omf"), P("b.omf")}, ctx_, rec_), Error);
  EXPECT_FALSE(FileExists(P("result.log")));
  EXPECT_FALSE(FileExists(P("0003.dat")));  // the third container was never reached
}

TEST_F(RunTest, KeepGoingLeavesTheFailedInputOut) {
  RunOptions options;
  options.keep_going = true;
  auto r = ProcessInputs(manifest::kFormatInPlace, {P("bad.omf"), P("b.omf"), P("missing.omf")}, ctx_, rec_, options);
  EXPECT_EQ(r.done, 1u);
  EXPECT_EQ(r.failed, 2u);
  EXPECT_EQ(ReadFileText(P("result.log")), "#Format: OMF\r\n#Source: " + P("b.omf") + "\r\n" + P("0003.dat") + "\r\n");
}

TEST_F(RunTest, StopBetweenInputsSavesWhatIsComplete) {
  rec_.stop_after_inputs = 1;
  auto r = ProcessInputs(manifest::kFormatInPlace, {P("a.omf"), P("b.omf")}, ctx_, rec_);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.done, 1u);
  EXPECT_EQ(ctx_.manifest.Count(), 5);
  EXPECT_NE(ReadFileText(P("result.log")).find("a.omf"), std::string::npos);
  EXPECT_FALSE(FileExists(P("0003.dat")));
}

TEST_F(RunTest, ManifestInputsAreInterpretedAndWriteNoResultLog) {
  // Extract, then replay the manifest: once as a log file, once through a
  // project-list line with an empty line beside it.
  ProcessInputs(manifest::kFormatInPlace, {P("a.omf")}, ctx_, rec_);
  const std::string log = ReadFileText(P("result.log"));
  WriteFileText(P("edit.log"), log);
  std::filesystem::remove(P("result.log"));
  for (auto mode : {manifest::kFormatLogFile, manifest::kFormatProjectList}) {
    auto r = ProcessInputs(mode, {P("edit.log")}, ctx_, rec_);
    EXPECT_EQ(r.replaced, 1u);  // the type 25 item; type 2 and 19 pass over
    EXPECT_EQ(ctx_.manifest.Lines(), (std::vector<std::string>{"#Format: ", "#Source: " + P("edit.log")}));
    EXPECT_FALSE(FileExists(P("result.log")));
  }
  // An empty input is dispatched with an empty path and fails to open.
  EXPECT_THROW(ProcessInputs(manifest::kFormatProjectList, {""}, ctx_, rec_), Error);
  EXPECT_EQ(ctx_.manifest.Get(1), "#Source: ");
}

}  // namespace
}  // namespace omf::app
