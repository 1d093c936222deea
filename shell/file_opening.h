#pragma once
// Opening a request file that the operator or the desktop names: Open (its
// file dialog), a file dropped on the window, the command line, a later
// start that hands its file over. The file's name selects the sport (its
// first four letters, as "SPORT" is read); the program switches to it, save
// prompt first, and the document loads the file's own content: the sport's
// own file in the program directory as it is, a file elsewhere as unsaved
// changes of the sport's list (Save writes the sport's file). A name
// without a sport, a file that cannot be read or one from elsewhere without
// requests is reported and changes nothing.

#include <QString>

class QWidget;

namespace corvella {

class CCorvellaDoc;
class Ui;

class FileOpening {
 public:
  // Both must outlive the object.
  FileOpening(CCorvellaDoc& doc, Ui& ui) : m_doc(doc), m_ui(ui) {}

  // Opens `path` as above; false when it was refused or the operator
  // cancelled the save prompt. `recordSport` false leaves "SPORT" of the
  // configuration as it is (printing a file from the command line).
  bool Open(const QString& path, bool recordSport = true);
  // Shows the Open dialog on the program directory, over `parent`; the file
  // chosen, "" when none.
  QString ChooseFile(QWidget* parent) const;

 private:
  CCorvellaDoc& m_doc;
  Ui& m_ui;
};

}  // namespace corvella
