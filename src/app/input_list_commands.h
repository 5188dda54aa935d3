// The commands that edit the input list: Add, Remove, Clear all, Save list,
// and files dropped onto the list.
//
// Add clears the list when the input kind changes; a project list's lines
// replace the items; containers and log files are appended. The buttons
// that need a non-empty list follow it. Errors are shown in an error box
// and end the command where they happen.
#pragma once

#include <string>
#include <vector>

#include "app/window_port.h"
#include "app/window_state.h"

namespace omf::app {

class InputListCommands {
 public:
  InputListCommands(WindowPort& port, WindowState& state) : port_(port), state_(state) {}

  void Add();
  void Remove();
  void ClearAll();
  void SaveList();
  // Files dropped onto the list: added as if chosen in Add, the kind taken
  // from the first file's extension (.omf, .lst, .log); files of another
  // kind are left out. Returns false when nothing could be added.
  bool Drop(const std::vector<std::string>& files);

 private:
  // Add's steps after the dialog was accepted with `filter_position`.
  void AddChosen(int filter_position, const std::vector<std::string>& files);
  // Add's last step: the list buttons follow a non-empty list.
  void EnableForNonEmptyList();
  void DisableListButtons();

  WindowPort& port_;
  WindowState& state_;
};

// The filter position for a file's extension, or 0 when none fits.
int FilterPositionForFile(const std::string& path);

}  // namespace omf::app
