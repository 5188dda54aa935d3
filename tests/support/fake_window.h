// Test-only: a window substitute for the controllers, with scripted
// dialog answers and a record of what was shown.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/button_states.h"
#include "app/window_port.h"

namespace omf::testing {

class FakeWindow : public app::WindowPort {
 public:
  FakeWindow() { app::ApplyInitialButtonStates(*this); }

  // State.
  std::vector<std::string> list;
  std::set<int> selected;
  int current = -1;
  std::vector<std::string> results;
  std::string current_message;
  std::string extracted = "Extracted: 0";
  int progress = 0;
  int total = 0;
  std::map<app::Button, bool> enabled;

  // Scripted answers, taken in order; an empty queue answers Cancel.
  struct InputsAnswer {
    int filter_position;
    std::vector<std::string> files;
  };
  std::deque<std::string> folder_answers;
  std::deque<InputsAnswer> input_answers;
  std::deque<std::string> save_answers;
  bool yes_answer = true;
  std::function<void(app::Button, bool)> on_enable;  // hook into a running run

  // What was shown.
  std::vector<std::string> boxes;   // "caption|text"
  std::vector<std::string> errors;
  std::vector<std::string> folder_dialogs_opened_at;
  std::vector<int> input_dialogs_opened_with;
  std::vector<int> totals;
  int quits = 0;

  int ListCount() const override { return static_cast<int>(list.size()); }
  std::string ListItem(int i) const override { return list.at(static_cast<std::size_t>(i)); }
  void ListAppend(const std::string& item) override { list.push_back(item); }
  void ListDelete(int i) override {
    list.erase(list.begin() + i);
    std::set<int> moved;
    for (int s : selected) {
      if (s < i) moved.insert(s);
      if (s > i) moved.insert(s - 1);
    }
    selected = moved;
  }
  void ListClear() override {
    list.clear();
    selected.clear();
  }
  bool ListSelected(int i) const override { return selected.count(i) > 0; }
  void ListSetCurrent(int i) override { current = i; }

  void ResultsClear() override { results.clear(); }
  int ResultsLineCount() const override { return static_cast<int>(results.size()); }
  std::string ResultsText() const override {
    std::string text;
    for (const auto& l : results) text += l + "\n";
    return text;
  }
  void ResultsAppendLine(const std::string& line) override { results.push_back(line); }
  void ResultsFocus() override {}

  void SetCurrentMessage(const std::string& t) override { current_message = t; }
  void SetExtracted(const std::string& t) override { extracted = t; }
  void SetProgress(int p) override { progress = p; }
  void SetTotal(int p) override {
    total = p;
    totals.push_back(p);
  }
  void SetEnabled(app::Button b, bool on) override {
    enabled[b] = on;
    if (on_enable) on_enable(b, on);
  }
  bool IsEnabled(app::Button b) const override { return enabled.at(b); }

  void InfoBox(const std::string& text, const std::string& caption) override { boxes.push_back(caption + "|" + text); }
  void ErrorBox(const std::string& text) override { errors.push_back(text); }
  bool AskYesNo(const std::string&, const std::string&) override { return yes_answer; }
  bool SelectFolder(const std::string& initial, std::string& chosen) override {
    folder_dialogs_opened_at.push_back(initial);
    if (folder_answers.empty()) return false;
    chosen = folder_answers.front();
    folder_answers.pop_front();
    return true;
  }
  bool SelectInputs(int& position, std::vector<std::string>& files) override {
    input_dialogs_opened_with.push_back(position);
    if (input_answers.empty()) return false;
    position = input_answers.front().filter_position;
    files = input_answers.front().files;
    input_answers.pop_front();
    return true;
  }
  bool SelectListTarget(std::string& path) override { return NextSave(path); }
  bool SelectResultsTarget(std::string& path) override { return NextSave(path); }
  void Quit() override { ++quits; }

  // The enabled states of the four list buttons and Process, as a string
  // of 0/1 in the order SaveList, RemLog, ClearAll, Process.
  std::string ListButtons() const {
    std::string s;
    for (auto b : {app::Button::kSaveList, app::Button::kRemLog, app::Button::kClearAll, app::Button::kProcess}) {
      s += enabled.at(b) ? '1' : '0';
    }
    return s;
  }

 private:
  bool NextSave(std::string& path) {
    if (save_answers.empty()) return false;
    path = save_answers.front();
    save_answers.pop_front();
    return true;
  }
};

}  // namespace omf::testing
