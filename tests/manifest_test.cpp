// Manifest lines and the interpreter.
#include <gtest/gtest.h>

#include <filesystem>

#include "container/extract.h"
#include "manifest/directive.h"
#include "manifest/interpreter.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace omf::manifest {
namespace {

using testing::BuildContainer;
using testing::Bytes;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteFileText;

TEST(Directive, LinesAndWhatTheyGive) {
  struct Case {
    std::string line;
    Directive directive;
    std::string argument;  // for directives
    FormatCode format;     // for "#Format:" lines
  };
  const Case cases[] = {
      {"#Format: OMF", Directive::kFormat, "OMF", kFormatInPlace},
      {"#Format: EOMF", Directive::kFormat, "EOMF", kFormatRebuild},
      {"#Format: eomf", Directive::kFormat, "eomf", kFormatUnknown},
      {"#Format: XYZ", Directive::kFormat, "XYZ", kFormatUnknown},
      {"#Format:", Directive::kFormat, "", kFormatUnknown},
      {"#Format: ", Directive::kFormat, "", kFormatUnknown},
      {"#Format: OMF and more words", Directive::kFormat, "OMF and more words", kFormatInPlace},
      {"#Format:  OMF", Directive::kFormat, " OMF", kFormatInPlace},
      {"#Format:OMF", Directive::kNone},
      {"#format: OMF", Directive::kNone},
      {"#Source: C:/a b/c.omf", Directive::kSource, "C:/a b/c.omf"},
      {"#Source:  lead.omf", Directive::kSource, " lead.omf"},
      {"   #Source: x.omf", Directive::kSource, "e: x.omf"},  // the cut counts from the line's start
      {"\t#Source:\tx.omf", Directive::kSource, "\tx.omf"},
      {"#Target whatever", Directive::kTarget, "whatever"},
      {"#Target", Directive::kTarget, ""},
      {"#Target:", Directive::kNone},
      {"#Target2 x", Directive::kNone},
      {"", Directive::kNone},
      {"   ", Directive::kNone},
      {"NULL", Directive::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectiveOf(c.line), c.directive) << c.line;
    if (c.directive == Directive::kNone) continue;
    EXPECT_EQ(ArgumentOf(c.line, c.directive), c.argument) << c.line;
    if (c.directive == Directive::kFormat) {
      EXPECT_EQ(LookupFormat(ArgumentOf(c.line, c.directive)), c.format) << c.line;
    }
  }
  const std::string long_token = "#Source: " + std::string(400, 'p');
  EXPECT_EQ(ArgumentOf(long_token, Directive::kSource).size(), 400u);  // taken whole
}

struct Host : InterpreterHost {
  std::vector<int> totals;
  int lines_done = 0;
  std::vector<std::string> messages;
  std::vector<std::string> sources;
  void SetCurrentMessage(const std::string& t) override {
    if (messages.empty() || messages.back() != t) messages.push_back(t);
  }
  void SetTotalPosition(int p) override { totals.push_back(p); }
  void LineDone() override { ++lines_done; }
  void SourceStarted(const std::string& path, FormatCode route) override {
    sources.push_back(std::to_string(route) + " " + path);
  }
};

class Interpreter : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_ / "out"); }
  std::string Manifest(const std::string& text) {
    WriteFileText(dir_ / "m.log", text);
    return dir_ / "m.log";
  }
  InterpretResult Interpret(const std::string& text) {
    return InterpretManifest(Manifest(text), dir_ / "out", state_, host_);
  }
  TempDir dir_;
  InterpreterState state_;
  Host host_;
};

TEST_F(Interpreter, OrdinaryLinesMoveTotalAndProgress) {
  Interpret("a\r\nb\r\nc\r\nd\r\ne\r\n");
  EXPECT_EQ(host_.totals, (std::vector<int>{0, 0, 25, 50, 75, 100}));
  EXPECT_EQ(host_.lines_done, 5);
  EXPECT_EQ(host_.messages, std::vector<std::string>{"Processing m.log..."});

  host_ = Host{};
  Interpret("");
  EXPECT_EQ(host_.lines_done, 0);
  EXPECT_EQ(host_.totals, std::vector<int>{0});
  host_ = Host{};
  Interpret("only line");  // no division by zero
  EXPECT_EQ(host_.lines_done, 1);
}

TEST_F(Interpreter, MissingSourcePassesOverAndItsLinesAreOrdinary) {
  const std::string missing = dir_ / "missing.omf";
  Interpret("#Format: OMF\n#Source: " + missing + "\n#Format: EOMF\nNULL\n");
  EXPECT_TRUE(host_.sources.empty());
  EXPECT_EQ(host_.lines_done, 4);
  EXPECT_EQ(state_.format_code, kFormatRebuild);
  // Directive lines now hold their arguments.
  EXPECT_EQ(state_.script_lines.Lines(), (std::vector<std::string>{"OMF", missing, "EOMF", "NULL"}));
}

TEST_F(Interpreter, SourceIsOpenedForWritingWhateverTheFormat) {
  // A folder matches but cannot be opened: the run stops, even with no
  // "#Format:" line before it.
  std::filesystem::create_directories(dir_ / "folder.omf");
  try {
    Interpret("#Source: " + (dir_ / "folder.omf") + "\n");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir_ / "folder.omf"));
  }
  // With format 5 a valid container is opened and released, no handler runs.
  BuildContainer({{1, 2, PatternBytes(10, 1)}}).image.WriteTo(dir_ / "c.omf");
  Interpret("#Source: " + (dir_ / "c.omf") + "\nNULL\n");
  EXPECT_TRUE(host_.sources.empty());
  EXPECT_NO_THROW(FileStream::Open(dir_ / "c.omf", OpenMode::kReadWrite));  // released
}

TEST_F(Interpreter, TheLineAfterTheItemLinesIsInterpreted) {
  // Hand-made: the rebuild's "#Format:" directly follows the in-place
  // source's item lines, then a second source directly follows the first
  // rebuild's item lines. Every source must be handled with its own route.
  BuildContainer({{1, 25, PatternBytes(100, 1)}}).image.WriteTo(dir_ / "a.omf");
  BuildContainer({{2, 2, PatternBytes(100, 2)}}).image.WriteTo(dir_ / "b.omf");
  BuildContainer({{3, 2, PatternBytes(100, 3)}}).image.WriteTo(dir_ / "c.omf");
  WriteFileBytes(dir_ / "new.dat", PatternBytes(40, 9));
  const auto r = Interpret("#Format: OMF\n#Source: " + (dir_ / "a.omf") + "\n" + (dir_ / "new.dat") +
                           "\n#Format: EOMF\n#Source: " + (dir_ / "b.omf") + "\nNULL\n#Source: " + (dir_ / "c.omf") +
                           "\nNULL\n");
  EXPECT_EQ(host_.sources, (std::vector<std::string>{"1 " + (dir_ / "a.omf"), "2 " + (dir_ / "b.omf"),
                                                     "2 " + (dir_ / "c.omf")}));
  EXPECT_EQ(r.replaced, 1u);
  EXPECT_EQ(r.rebuilt, 2u);
  EXPECT_TRUE(FileExists(dir_ / "out/b.omf"));
  EXPECT_TRUE(FileExists(dir_ / "out/c.omf"));
  EXPECT_EQ(state_.source_path, dir_ / "c.omf");
}

TEST_F(Interpreter, AHandlerErrorReleasesTheSource) {
  BuildContainer({{1, 25, PatternBytes(100, 1)}}).image.WriteTo(dir_ / "a.omf");
  EXPECT_THROW(Interpret("#Format: OMF\n#Source: " + (dir_ / "a.omf") + "\n" + (dir_ / "nope.dat") + "\n"), Error);
  EXPECT_NO_THROW(FileStream::Open(dir_ / "a.omf", OpenMode::kReadWrite));
}

TEST_F(Interpreter, LongSourcePathsAreTakenWhole) {
  std::string folder = dir_.path();
  while (folder.size() < 300) folder += "/" + std::string(60, 'd');
  std::filesystem::create_directories(folder);
  BuildContainer({{1, 25, PatternBytes(100, 1)}}).image.WriteTo(folder + "/a.omf");
  WriteFileBytes(dir_ / "new.dat", PatternBytes(40, 9));
  Interpret("#Format: OMF\n#Source: " + folder + "/a.omf\n" + (dir_ / "new.dat") + "\n");
  EXPECT_EQ(host_.sources.size(), 1u);
}

}  // namespace
}  // namespace omf::manifest
