// The window's commands and run through a substitute window: the input
// list commands, the enabled-state table, the run's dialogs, boxes, bars
// and labels, Stop, Save results and closing during a run.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/input_list_commands.h"
#include "app/run_controller.h"
#include "support/container_builder.h"
#include "support/fake_window.h"
#include "support/temp_dir.h"

namespace omf::app {
namespace {

using testing::BuildContainer;
using testing::FakeWindow;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileText;
using testing::TempDir;
using testing::WriteFileText;

class Controller : public ::testing::Test {
 protected:
  Controller() : commands_(win_, state_), run_(win_, state_, executor_) {}
  void SetUp() override {
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::create_directories(dir_ / "out");
    BuildContainer({{1, 25, PatternBytes(100, 1)}, {2, 19, {}}, {0x1A, 2, PatternBytes(20, 2)}})
        .image.WriteTo(dir_ / "a.omf");
    BuildContainer({{3, 2, PatternBytes(5, 3)}}).image.WriteTo(dir_ / "b.omf");
  }
  void TearDown() override { std::filesystem::current_path(old_cwd_); }
  std::string P(const std::string& name) const { return dir_ / name; }
  void AddContainers(const std::vector<std::string>& names) {
    std::vector<std::string> files;
    for (const auto& n : names) files.push_back(P(n));
    win_.input_answers.push_back({kFilterContainers, files});
    commands_.Add();
  }

  TempDir dir_;
  std::filesystem::path old_cwd_;
  FakeWindow win_;
  WindowState state_;
  InlineExecutor executor_;
  InputListCommands commands_;
  RunController run_;
};

// ---- Input list commands and their enabled states ----

TEST_F(Controller, AddAppendsOrReplacesByKind) {
  WriteFileText(P("p.lst"), "x.log\r\n\r\ny.log");
  WriteFileText(P("q.lst"), "z.log\n");
  struct Step {
    int filter;
    std::vector<std::string> files;
    std::vector<std::string> list;
    manifest::FormatCode mode;
  };
  const Step steps[] = {
      {kFilterContainers, {"a.omf", "b.omf"}, {"a.omf", "b.omf"}, manifest::kFormatInPlace},
      {kFilterContainers, {"a.omf"}, {"a.omf", "b.omf", "a.omf"}, manifest::kFormatInPlace},  // duplicates kept
      {kFilterLogFiles, {"m.log"}, {"m.log"}, manifest::kFormatLogFile},                        // kind changed: cleared
      {kFilterProjectLists, {P("p.lst"), P("q.lst")}, {"x.log", "", "y.log"}, manifest::kFormatProjectList},
      {kFilterProjectLists, {P("q.lst")}, {"z.log"}, manifest::kFormatProjectList},  // replaces again
  };
  for (const auto& s : steps) {
    win_.input_answers.push_back({s.filter, s.files});
    commands_.Add();
    EXPECT_EQ(win_.list, s.list);
    EXPECT_EQ(state_.input_mode, s.mode);
    EXPECT_EQ(win_.ListButtons(), "1111");
  }
  // The dialog opens with the filter accepted last.
  EXPECT_EQ(win_.input_dialogs_opened_with, (std::vector<int>{1, 1, 1, 3, 2}));
}

TEST_F(Controller, EnabledStatesFollowTheList) {
  struct Case {
    const char* name;
    std::function<void()> act;
    std::string buttons;  // SaveList RemLog ClearAll Process
    std::vector<std::string> list;
  };
  WriteFileText(P("empty.lst"), "");
  const Case cases[] = {
      {"cancel with an empty list", [&] { commands_.Add(); }, "0000", {}},
      {"add containers", [&] { AddContainers({"a.omf", "b.omf", "a.omf", "b.omf"}); }, "1111",
       {P("a.omf"), P("b.omf"), P("a.omf"), P("b.omf")}},
      {"cancel with items", [&] { commands_.Add(); }, "1111", {P("a.omf"), P("b.omf"), P("a.omf"), P("b.omf")}},
      {"remove the first three",
       [&] {
         win_.selected = {0, 1, 2};
         commands_.Remove();
       },
       "1111", {P("b.omf")}},
      {"empty project list over containers: Clear all stays on",
       [&] {
         win_.input_answers.push_back({kFilterProjectLists, {P("empty.lst")}});
         commands_.Add();
       },
       "0010", {}},
      {"add again", [&] { AddContainers({"a.omf"}); }, "1111", {P("a.omf")}},
      {"clear all", [&] { commands_.ClearAll(); }, "0000", {}},
      {"add after clear", [&] { AddContainers({"b.omf"}); }, "1111", {P("b.omf")}},
      {"remove everything",
       [&] {
         win_.selected = {0};
         commands_.Remove();
       },
       "0000", {}},
  };
  for (const auto& c : cases) {
    c.act();
    EXPECT_EQ(win_.ListButtons(), c.buttons) << c.name;
    EXPECT_EQ(win_.list, c.list) << c.name;
    EXPECT_TRUE(win_.enabled.at(Button::kAddLog) && win_.enabled.at(Button::kExit)) << c.name;
  }
  EXPECT_EQ(win_.current, -1);  // no item current after removing all
}

TEST_F(Controller, RemoveMakesTheLastItemCurrent) {
  AddContainers({"a.omf", "b.omf", "a.omf", "b.omf"});
  win_.selected = {1, 3};
  commands_.Remove();
  EXPECT_EQ(win_.list, (std::vector<std::string>{P("a.omf"), P("a.omf")}));
  EXPECT_EQ(win_.current, 1);
  EXPECT_TRUE(win_.selected.empty());
}

TEST_F(Controller, SaveListAndLoadItBackAsAProjectList) {
  AddContainers({"a.omf", "b.omf"});
  win_.list.push_back("");  // an empty item survives the round trip
  win_.save_answers.push_back(P("saved.lst"));
  commands_.SaveList();
  EXPECT_EQ(ReadFileText(P("saved.lst")), P("a.omf") + "\r\n" + P("b.omf") + "\r\n\r\n");
  win_.input_answers.push_back({kFilterProjectLists, {P("saved.lst")}});
  commands_.Add();
  EXPECT_EQ(win_.list, (std::vector<std::string>{P("a.omf"), P("b.omf"), ""}));
  EXPECT_EQ(state_.input_mode, manifest::kFormatProjectList);
  // An unreadable list is reported; the three buttons stay off.
  win_.input_answers.push_back({kFilterProjectLists, {P("missing.lst")}});
  commands_.Add();
  EXPECT_EQ(win_.errors, std::vector<std::string>{"Cannot open file " + P("missing.lst")});
  EXPECT_EQ(win_.enabled.at(Button::kProcess), false);
}

TEST_F(Controller, DroppedFilesTakeTheirKindFromTheExtension) {
  EXPECT_TRUE(commands_.Drop({P("a.omf"), P("notes.txt"), P("B.OMF")}));
  EXPECT_EQ(win_.list, (std::vector<std::string>{P("a.omf"), P("B.OMF")}));
  EXPECT_EQ(state_.input_mode, manifest::kFormatInPlace);
  EXPECT_TRUE(commands_.Drop({P("m.log")}));
  EXPECT_EQ(win_.list, (std::vector<std::string>{P("m.log")}));
  EXPECT_EQ(state_.filter_position, kFilterLogFiles);
  EXPECT_FALSE(commands_.Drop({P("notes.txt")}));
}

// ---- The run ----

TEST_F(Controller, EmptyListOrCancelledFolder) {
  run_.Process();
  EXPECT_TRUE(win_.boxes.empty());
  EXPECT_TRUE(win_.folder_dialogs_opened_at.empty());

  AddContainers({"a.omf"});
  win_.results = {"typed by the user"};
  state_.run.manifest.Add("stale");
  run_.Process();  // no folder answer: cancelled
  EXPECT_TRUE(win_.results.empty());
  EXPECT_EQ(state_.run.manifest.Count(), 0);
  EXPECT_EQ(win_.extracted, "Extracted: 0");  // untouched
  EXPECT_EQ(win_.boxes, std::vector<std::string>{"Process status:|Operation complete!"});
  EXPECT_FALSE(FileExists(P("result.log")));
}

TEST_F(Controller, ContainerRunShowsProgressAndWritesResultLog) {
  AddContainers({"a.omf", "b.omf", "b.omf"});
  std::vector<std::string> during;
  win_.on_enable = [&](Button b, bool on) {
    if (b == Button::kStop && on) during.push_back(win_.ListButtons() + (win_.enabled.at(Button::kAddLog) ? "1" : "0"));
  };
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  EXPECT_EQ(during, (std::vector<std::string>(3, "00000")));  // list commands off while running
  EXPECT_EQ(win_.ListButtons(), "1111");                       // and back on afterwards
  EXPECT_TRUE(win_.enabled.at(Button::kAddLog));
  EXPECT_FALSE(win_.enabled.at(Button::kStop));
  EXPECT_EQ(win_.totals, (std::vector<int>{0, 0, 0, 33, 66, 0}));
  EXPECT_EQ(win_.extracted, "");
  EXPECT_EQ(win_.progress, 0);
  EXPECT_EQ(run_.ExtractedFiles(), 4u);
  EXPECT_EQ(win_.results, std::vector<std::string>{"Total 130 bytes extracted."});
  EXPECT_TRUE(win_.enabled.at(Button::kSaveLog));  // Results holds a line
  EXPECT_EQ(win_.boxes, std::vector<std::string>{"Process status:|Operation complete!"});
  const std::string log = ReadFileText(P("out/result.log"));
  EXPECT_EQ(log.rfind("#Format: OMF\r\n#Source: " + P("a.omf") + "\r\n" + P("out") + "/0001.dat\r\nNULL\r\n", 0), 0u);
  EXPECT_EQ(std::filesystem::current_path(), P("out"));
  // The next run's folder dialog opens in the last output folder.
  run_.Process();
  EXPECT_EQ(win_.folder_dialogs_opened_at.back(), P("out"));
}

TEST_F(Controller, StopIsHonouredBetweenInputsAndClearedNextRun) {
  AddContainers({"a.omf", "b.omf", "b.omf"});
  bool clicked = false;
  win_.on_enable = [&](Button b, bool on) {
    if (b == Button::kStop && on && !clicked) {
      clicked = true;
      run_.Stop();
    }
  };
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  EXPECT_FALSE(win_.enabled.at(Button::kStop));
  EXPECT_EQ(win_.results.front(), "Stopped after 1 of 3 inputs.");
  EXPECT_EQ(ReadFileText(P("out/result.log")).find("b.omf"), std::string::npos);
  EXPECT_FALSE(FileExists(P("out/0003.dat")));

  win_.on_enable = nullptr;
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  EXPECT_TRUE(FileExists(P("out/0003.dat")));
}

TEST_F(Controller, AnErrorIsShownAndEndsTheRun) {
  AddContainers({"a.omf", "missing.omf", "b.omf"});
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  const std::string message = "Cannot open file " + P("missing.omf");
  EXPECT_EQ(win_.errors, std::vector<std::string>{message});
  EXPECT_EQ(win_.results.back(), message);
  EXPECT_TRUE(win_.boxes.empty());  // no "Operation complete!"
  EXPECT_FALSE(FileExists(P("out/result.log")));
  EXPECT_EQ(win_.ListButtons(), "1111");
  EXPECT_FALSE(win_.enabled.at(Button::kStop));
}

TEST_F(Controller, ReplayWarningsReachTheResults) {
  AddContainers({"a.omf"});
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  testing::WriteFileBytes(P("out/0001.dat"), PatternBytes(101, 9));  // longer than the item
  win_.input_answers.push_back({kFilterLogFiles, {P("out/result.log")}});
  commands_.Add();
  win_.results.clear();
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  ASSERT_FALSE(win_.results.empty());
  EXPECT_NE(win_.results[0].find("is 101 bytes, longer than the 100 bytes"), std::string::npos) << win_.results[0];
  EXPECT_EQ(win_.boxes.back(), "Process status:|Operation complete!");
}

TEST_F(Controller, SaveResultsWritesRichTextAndNamesTheFile) {
  win_.results = {"line {one}", "back\\slash", "caf\xC3\xA9"};
  win_.enabled[Button::kSaveLog] = true;
  win_.save_answers.push_back(P("results.txt"));
  run_.SaveResults();
  const std::string rtf = ReadFileText(P("results.txt"));
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rtf.find("line \\{one\\}\\par"), std::string::npos);
  EXPECT_NE(rtf.find("back\\\\slash"), std::string::npos);
  EXPECT_NE(rtf.find("caf\\u233?"), std::string::npos);
  EXPECT_EQ(win_.boxes, std::vector<std::string>{"Operation status|results.txt"});
  EXPECT_FALSE(win_.enabled.at(Button::kSaveLog));

  win_.enabled[Button::kSaveLog] = true;
  win_.save_answers.push_back(P("no/such/folder/r.txt"));
  run_.SaveResults();
  EXPECT_EQ(win_.errors.size(), 1u);
  EXPECT_TRUE(win_.enabled.at(Button::kSaveLog));
  EXPECT_EQ(win_.boxes.size(), 1u);
}

TEST_F(Controller, ClosingDuringARunStopsAndQuits) {
  EXPECT_TRUE(run_.CloseRequested());  // no run: close at once
  AddContainers({"a.omf", "b.omf"});
  bool asked = false;
  win_.on_enable = [&](Button b, bool on) {
    if (b == Button::kStop && on && !asked) {
      asked = true;
      EXPECT_FALSE(run_.CloseRequested());
    }
  };
  win_.folder_answers.push_back(P("out"));
  run_.Process();
  EXPECT_EQ(win_.quits, 1);
  EXPECT_FALSE(FileExists(P("out/0003.dat")));  // stopped after the first input
}

}  // namespace
}  // namespace omf::app
