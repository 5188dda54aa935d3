// What the run and the input list commands need of the main window.
//
// The controller talks to the window only through this interface, so it
// runs unchanged under the Qt window and under a test's substitute. Every
// call is made on the window's thread.
#pragma once

#include <string>
#include <vector>

namespace omf::app {

enum class Button { kAddLog, kSaveList, kRemLog, kClearAll, kProcess, kExit, kStop, kSaveLog };

// The filters of the Add dialog, by position (counted from 1).
enum FilterPosition : int {
  kFilterContainers = 1,   // "Object Metafile (*.omf)"
  kFilterProjectLists = 2, // "Project list files (*.lst)"
  kFilterLogFiles = 3,     // "Log files (*.log)"
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // The input list.
  virtual int ListCount() const = 0;
  virtual std::string ListItem(int index) const = 0;
  virtual void ListAppend(const std::string& item) = 0;
  virtual void ListDelete(int index) = 0;
  virtual void ListClear() = 0;
  virtual bool ListSelected(int index) const = 0;
  // Moves the focus frame; -1 leaves no item current.
  virtual void ListSetCurrent(int index) = 0;

  // The results pane.
  virtual void ResultsClear() = 0;
  virtual int ResultsLineCount() const = 0;
  virtual std::string ResultsText() const = 0;
  virtual void ResultsAppendLine(const std::string& line) = 0;
  virtual void ResultsFocus() = 0;

  // Labels, bars and buttons.
  virtual void SetCurrentMessage(const std::string& text) = 0;
  virtual void SetExtracted(const std::string& text) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void SetTotal(int position) = 0;
  virtual void SetEnabled(Button button, bool enabled) = 0;
  virtual bool IsEnabled(Button button) const = 0;

  // Boxes and dialogs; each returns when the user has answered.
  virtual void InfoBox(const std::string& text, const std::string& caption) = 0;
  virtual void ErrorBox(const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // "Select Directory", opened at `initial`; may create the folder.
  virtual bool SelectFolder(const std::string& initial, std::string& chosen) = 0;
  // "Select file..." of Add, opened with `filter_position`; on OK gives the
  // accepted position and the chosen files in the dialog's order.
  virtual bool SelectInputs(int& filter_position, std::vector<std::string>& files) = 0;
  virtual bool SelectListTarget(std::string& path) = 0;     // Save list
  virtual bool SelectResultsTarget(std::string& path) = 0;  // Save results

  // Closes the window (after a run that was asked to stop and quit).
  virtual void Quit() = 0;
};

}  // namespace omf::app
