// What the three pages of the video edit dialog share: the current item with the engine's
// stream records, the skinned panel that fills the page, and the messages to the main window.
#pragma once

#include "CBaseSetup.h"

#include "velcodecapi.h"

#include <QRect>

#include <cstdint>
#include <vector>

class CBaseWnd;
class MessageTarget;
struct MediaItem;
struct PaneItem;

using StreamList = std::vector<tagVeldesStreamInfo>;

class CVideoEditPage : public CBaseSetup {
public:
    // `mainWindow` receives the change messages (may be null: nothing is sent).
    CVideoEditPage(int dialogId, MessageTarget* mainWindow, QWidget* parent, CBaseSkin* skin);

    // The item whose settings the page shows and edits, or none; `streams` are the engine's
    // records of its source (empty when unknown).
    virtual void ShowItem(MediaItem* item, const StreamList& streams) = 0;
    MediaItem* Item() const { return m_item; }
    CBaseWnd* Panel() const { return m_panel; }

protected:
    void SetCurrent(MediaItem* item, const StreamList& streams);
    // The first video stream of the current item's records, or null.
    const tagVeldesStreamInfo* FirstVideoStream() const;
    const StreamList& Streams() const { return m_streams; }
    // Sends `msg` with the current item as lParam; nothing without an item.
    intptr_t NotifyMain(unsigned msg, uintptr_t wParam);
    // Makes the panel (a CBaseWnd unless one is given) and lets it fill the page.
    CBaseWnd* AttachPanel(CBaseWnd* panel, const QString& name, int paneId);

    // Items at fixed places of the panel.
    static PaneItem Label(int id, const QString& text, const QRect& rect);
    static PaneItem CheckBox(int id, const QString& text, const QString& tip, const QRect& rect);
    static PaneItem Radio(int id, const QString& text, const QString& tip, const QRect& rect);
    static PaneItem Button(int id, const QString& text, const QRect& rect);
    static PaneItem Hosted(int id, QWidget* control, const QRect& rect);
    // Sets or clears the pane item's disabled bit.
    void EnableElement(int id, bool enabled);
    void CheckElement(int id, bool checked);
    bool ElementChecked(int id) const;

private:
    MessageTarget* m_main;
    MediaItem* m_item = nullptr;
    StreamList m_streams;
    CBaseWnd* m_panel = nullptr;
};
