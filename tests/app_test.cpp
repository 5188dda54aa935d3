// The run over container inputs and its manifest "result.log".
#include <gtest/gtest.h>

#include "app/container_run.h"
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

struct Recorder : ContainerRunListener {
  std::vector<std::string> events;
  std::size_t stop_after = SIZE_MAX;
  void ContainerStarted(std::size_t i, std::size_t n, const std::string&) override {
    events.push_back("start " + std::to_string(i) + "/" + std::to_string(n));
  }
  void ContainerFailed(const std::string&, const std::string&) override { events.push_back("failed"); }
  bool StopRequested() override { return events.size() >= stop_after; }
};

class ContainerRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildContainer({{1, 25, PatternBytes(10, 1)}, {2, 19, {}}, {0x1A, 2, PatternBytes(20, 2)}})
        .image.WriteTo(dir_ / "a.omf");
    BuildContainer({{3, 2, PatternBytes(5, 3)}}).image.WriteTo(dir_ / "b.omf");
    auto bad = BuildContainer({{4, 2, PatternBytes(5, 3)}});
    bad.image.Put32(4, 12);  // BlockSize below the minimum
    bad.image.WriteTo(dir_ / "bad.omf");
  }
  std::string Out(const std::string& name) const { return dir_.path() + "/" + name; }

  TempDir dir_;
  LineList manifest_;
  Recorder recorder_;
};

TEST_F(ContainerRunTest, ManifestNamesFormatSourceAndItems) {
  auto r = RunContainers({Out("a.omf"), Out("b.omf")}, dir_.path(), manifest_, recorder_);
  EXPECT_EQ(r.done, 2u);
  EXPECT_EQ(ReadFileText(Out("result.log")),
            "#Format: OMF\r\n#Source: " + Out("a.omf") + "\r\n" + Out("0001.dat") + "\r\nNULL\r\n" +
                Out("001A.dat") + "\r\n#Format: OMF\r\n#Source: " + Out("b.omf") + "\r\n" + Out("0003.dat") +
                "\r\n");
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"start 0/2", "start 1/2"}));
}

TEST_F(ContainerRunTest, AnErrorEndsTheRunWithoutResultLog) {
  EXPECT_THROW(RunContainers({Out("a.omf"), Out("bad.omf"), Out("b.omf")}, dir_.path(), manifest_, recorder_),
               Error);
  EXPECT_FALSE(FileExists(Out("result.log")));
  EXPECT_FALSE(FileExists(Out("0003.dat")));  // the third container was never reached
}

TEST_F(ContainerRunTest, KeepGoingLeavesTheFailedContainerOut) {
  ContainerRunOptions options;
  options.keep_going = true;
  auto r = RunContainers({Out("bad.omf"), Out("b.omf"), Out("missing.omf")}, dir_.path(), manifest_, recorder_,
                         options);
  EXPECT_EQ(r.done, 1u);
  EXPECT_EQ(r.failed, 2u);
  EXPECT_EQ(ReadFileText(Out("result.log")),
            "#Format: OMF\r\n#Source: " + Out("b.omf") + "\r\n" + Out("0003.dat") + "\r\n");
}

TEST_F(ContainerRunTest, StopBetweenContainersSavesWhatIsComplete) {
  recorder_.stop_after = 1;  // asked to stop once the first container has started
  auto r = RunContainers({Out("a.omf"), Out("b.omf")}, dir_.path(), manifest_, recorder_);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.done, 1u);
  EXPECT_EQ(manifest_.Get(1), "#Source: " + Out("a.omf"));
  EXPECT_EQ(manifest_.Count(), 5);
  EXPECT_TRUE(FileExists(Out("result.log")));
}

}  // namespace
}  // namespace omf::app
