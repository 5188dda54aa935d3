#include "app/input_list_commands.h"

#include <algorithm>
#include <cctype>

#include "platform/error.h"
#include "platform/line_list.h"

namespace omf::app {

manifest::FormatCode InputModeFor(int filter_position) {
  if (filter_position < 1 || filter_position > static_cast<int>(manifest::kFormatTable.size())) {
    return manifest::kNoInput;
  }
  return manifest::kFormatTable[static_cast<std::size_t>(filter_position - 1)].code;
}

int FilterPositionForFile(const std::string& path) {
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return 0;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == "omf") return kFilterContainers;
  if (ext == "lst") return kFilterProjectLists;
  if (ext == "log") return kFilterLogFiles;
  return 0;
}

void InputListCommands::DisableListButtons() {
  for (Button b : {Button::kClearAll, Button::kRemLog, Button::kProcess, Button::kSaveList}) {
    port_.SetEnabled(b, false);
  }
}

void InputListCommands::EnableForNonEmptyList() {
  if (port_.ListCount() == 0) return;
  for (Button b : {Button::kClearAll, Button::kRemLog, Button::kProcess, Button::kSaveList}) {
    port_.SetEnabled(b, true);
  }
}

void InputListCommands::AddChosen(int filter_position, const std::vector<std::string>& files) {
  const manifest::FormatCode mode = InputModeFor(filter_position);
  if (mode != state_.input_mode) port_.ListClear();
  state_.input_mode = mode;
  if (mode == manifest::kFormatProjectList) {
    LineList list;
    if (!files.empty()) list.LoadFromFile(files.front());
    port_.ListClear();
    for (const auto& line : list.Lines()) port_.ListAppend(line);
  } else {
    for (const auto& f : files) port_.ListAppend(f);
  }
}

void InputListCommands::Add() {
  if (state_.running) return;
  port_.SetEnabled(Button::kRemLog, false);
  port_.SetEnabled(Button::kProcess, false);
  port_.SetEnabled(Button::kSaveList, false);
  int position = state_.filter_position;
  std::vector<std::string> files;
  if (port_.SelectInputs(position, files)) {
    state_.filter_position = position;
    try {
      AddChosen(position, files);
    } catch (const Error& e) {
      port_.ErrorBox(e.what());
      return;
    }
  }
  EnableForNonEmptyList();
}

bool InputListCommands::Drop(const std::vector<std::string>& files) {
  if (state_.running || files.empty()) return false;
  const int position = FilterPositionForFile(files.front());
  if (position == 0) return false;
  std::vector<std::string> kept;
  for (const auto& f : files) {
    if (FilterPositionForFile(f) == position) kept.push_back(f);
  }
  port_.SetEnabled(Button::kRemLog, false);
  port_.SetEnabled(Button::kProcess, false);
  port_.SetEnabled(Button::kSaveList, false);
  state_.filter_position = position;
  try {
    AddChosen(position, kept);
  } catch (const Error& e) {
    port_.ErrorBox(e.what());
    return false;
  }
  EnableForNonEmptyList();
  return true;
}

void InputListCommands::Remove() {
  if (state_.running) return;
  for (int i = port_.ListCount() - 1; i >= 0; --i) {
    if (port_.ListSelected(i)) port_.ListDelete(i);
  }
  if (port_.ListCount() > 0) {
    port_.ListSetCurrent(port_.ListCount() - 1);
  } else {
    port_.ListSetCurrent(-1);
    DisableListButtons();
  }
}

void InputListCommands::ClearAll() {
  if (state_.running) return;
  port_.ListClear();
  DisableListButtons();
}

void InputListCommands::SaveList() {
  if (state_.running) return;
  std::string path;
  if (!port_.SelectListTarget(path)) return;
  LineList list;
  for (int i = 0; i < port_.ListCount(); ++i) list.Add(port_.ListItem(i));
  try {
    list.SaveToFile(path);
  } catch (const Error& e) {
    port_.ErrorBox(e.what());
  }
}

}  // namespace omf::app
