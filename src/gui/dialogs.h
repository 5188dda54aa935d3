// The window's boxes and file dialogs, behind an interface so that tests
// can answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace omf::gui {

inline const char* const kWindowTitle = "Extract\\Insert Tool";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void Info(QWidget* parent, const QString& text, const QString& caption) = 0;
  virtual void Error(QWidget* parent, const QString& text) = 0;
  virtual bool YesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
  // "Select Directory": may create the folder the user typed.
  virtual bool SelectFolder(QWidget* parent, const QString& initial, QString& chosen) = 0;
  // "Select file..." of Add; `filter_position` counts from 1 both ways.
  virtual bool OpenInputs(QWidget* parent, int& filter_position, QStringList& files) = 0;
  virtual bool SaveList(QWidget* parent, QString& path) = 0;
  virtual bool SaveResults(QWidget* parent, QString& path) = 0;
};

// The real dialogs.
std::unique_ptr<Dialogs> MakeQtDialogs();

// The Add dialog's filters, in position order.
QStringList InputFilters();

}  // namespace omf::gui
