// Test-only: dialogs answered by a script instead of a user.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <string>
#include <vector>

#include "gui/dialogs.h"

namespace omf::testing {

struct DialogScript {
  std::deque<QString> folders;                         // SelectFolder answers
  std::deque<std::pair<int, QStringList>> inputs;      // OpenInputs answers
  std::deque<QString> saves;                           // SaveList / SaveResults answers
  bool yes = true;
  std::vector<std::string> shown;                      // "caption|text" of every box
};

class ScriptedDialogs final : public gui::Dialogs {
 public:
  explicit ScriptedDialogs(DialogScript& script) : s_(script) {}
  void Info(QWidget*, const QString& text, const QString& caption) override {
    s_.shown.push_back((caption + "|" + text).toStdString());
  }
  void Error(QWidget*, const QString& text) override { s_.shown.push_back(("error|" + text).toStdString()); }
  bool YesNo(QWidget*, const QString& text, const QString&) override {
    s_.shown.push_back(("question|" + text).toStdString());
    return s_.yes;
  }
  bool SelectFolder(QWidget*, const QString&, QString& chosen) override { return Take(s_.folders, chosen); }
  bool OpenInputs(QWidget*, int& position, QStringList& files) override {
    if (s_.inputs.empty()) return false;
    position = s_.inputs.front().first;
    files = s_.inputs.front().second;
    s_.inputs.pop_front();
    return true;
  }
  bool SaveList(QWidget*, QString& path) override { return Take(s_.saves, path); }
  bool SaveResults(QWidget*, QString& path) override { return Take(s_.saves, path); }

 private:
  static bool Take(std::deque<QString>& q, QString& out) {
    if (q.empty()) return false;
    out = q.front();
    q.pop_front();
    return true;
  }
  DialogScript& s_;
};

}  // namespace omf::testing
