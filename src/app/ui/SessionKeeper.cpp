#include "SessionKeeper.h"

#include "CMovaraDlg.h"

#include "CFileListWnd.h"
#include "PlatformServices.h"

#include <QTimerEvent>

#include <vector>

SessionKeeper::SessionKeeper(CMovaraDlg& window, std::string path)
    : m_window(window), m_path(std::move(path)), m_writer(m_path) {
    m_window.SetListChangeHandler([this] { Changed(); });
}

SessionKeeper::~SessionKeeper() {
    m_window.SetListChangeHandler(nullptr);
}

void SessionKeeper::Restore() {
    if (m_path.empty())
        return; // nowhere to keep it: no crash restore in this run
    std::vector<SessionEntry> entries;
    const SessionFile::LoadResult found = SessionFile::load(m_path, m_window.Catalogue(), entries);
    bool restored = false;
    if (found == SessionFile::LoadResult::Loaded && !entries.empty()) {
        const std::string text = "Movara did not close normally. Restore the " +
                                 std::to_string(entries.size()) +
                                 " media items of the last session?";
        if (platformServices().messageBox(text, "Movara", MB_YESNO, MB_ICONQUESTION) == IDYES) {
            restored = true;
            for (SessionEntry& entry : entries) {
                SessionFile::restoreState(entry);
                m_window.RestoreItem(entry.item, entry.output);
            }
        }
    }
    // The file follows the list from now on; a session declined is gone. A restored one stays
    // until the next snapshot replaces it.
    if (!restored)
        SessionFile::remove(m_path);
    m_keeping = true;
    Changed();
}

void SessionKeeper::Changed() {
    if (m_keeping && !m_timer.isActive())
        m_timer.start(kCoalesceMs, this);
}

void SessionKeeper::Flush() {
    m_timer.stop();
    Snapshot();
    m_writer.flush();
}

void SessionKeeper::End() {
    m_keeping = false;
    m_timer.stop();
    m_writer.discard();
}

void SessionKeeper::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    m_timer.stop();
    Snapshot();
}

void SessionKeeper::Snapshot() {
    if (!m_keeping || !m_window.FileList())
        return;
    SessionSnapshot snapshot;
    const MediaList& items = m_window.FileList()->MediaItems();
    snapshot.items.reserve(items.size());
    const auto outputs = m_window.Convert().finishedOutputs();
    static const std::string none;
    for (const auto& item : items) {
        const auto output = item->hasState(kItemFinish) ? outputs.find(item.get()) : outputs.end();
        SessionFile::addItem(snapshot, *item, output != outputs.end() ? output->second : none);
    }
    m_writer.submit(std::move(snapshot));
}
