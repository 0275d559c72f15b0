// How the platform services' dialog requests become Qt dialogs: the classic "Name|patterns|"
// filter, message box buttons, icons and answers. Kept apart from showing anything so that the
// translation can be checked without a person at the screen.
#ifndef QTDIALOGSUPPORT_H
#define QTDIALOGSUPPORT_H

#include <QMessageBox>
#include <QStringList>

#include <string>

class QFileDialog;

namespace platform {

// "Name|*.a;*.b|Name2|*.c|" (or ended by "||") to Qt's name filters, one per pair:
// "Name (*.a *.b)". A name that already ends in a "(...)" pattern list keeps its text before it;
// the pattern field is what counts. The list ends at the first empty field, as the classic
// double terminator ends it.
QStringList qtNameFilters(const std::string& filter);

// Caption, text, icon and buttons of a message box, the first button being the default.
void setUpMessageBox(QMessageBox& box, const std::string& text, const std::string& caption,
                     unsigned buttons, unsigned icon);

// The classic answer for the button that closed a box of the set `buttons`; a box closed without
// a button (the window's close control) answers as its Escape button would.
int classicAnswer(QMessageBox::StandardButton button, unsigned buttons);

// A multi-selection dialog for existing files, symbolic links not resolved, patterns matched
// whatever the letter case.
void setUpOpenFilesDialog(QFileDialog& dialog, const std::string& caption,
                          const std::string& filter, const std::string& initialFolder);

} // namespace platform

#endif
