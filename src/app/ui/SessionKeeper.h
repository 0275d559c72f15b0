#pragma once

#include "SessionWriter.h"

#include <QBasicTimer>
#include <QObject>

#include <string>

class CMovaraDlg;

// Keeps "Session.xml" in step with the main window's list: a change starts a short timer, so a
// burst of changes makes one snapshot; the snapshot is taken on the window's thread and written
// by a SessionWriter. At start-up it offers to restore the list of a run that did not end
// normally; End() (the normal end) removes the file.
class SessionKeeper : public QObject {
public:
    // How long changes are gathered before a snapshot.
    static constexpr int kCoalesceMs = 250;

    // An empty path (no writable folder) keeps nothing.
    SessionKeeper(CMovaraDlg& window, std::string path);
    ~SessionKeeper() override;

    // Asks about a session file left by the last run and restores its items on Yes; a damaged
    // file is set aside. From then on changes of the list are kept.
    void Restore();
    // Called by the window on every change of the list.
    void Changed();
    // Writes a snapshot of the list now and waits until it is on disk.
    void Flush();
    // The normal end: nothing more is kept and the file goes.
    void End();

    const std::string& Path() const { return m_path; }
    SessionWriter& Writer() { return m_writer; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void Snapshot();

    CMovaraDlg& m_window;
    std::string m_path;
    SessionWriter m_writer;
    QBasicTimer m_timer;
    bool m_keeping = false;
};
