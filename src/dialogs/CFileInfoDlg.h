// The media information dialog: one item's type, resolution, size, duration and path, and a text
// box with either the source's streams ("Original") or what the item's profile will produce
// ("Encoder").
#pragma once

#include "CBaseDialog.h"
#include "MediaInfoText.h"

#include <vector>

class CBaseWnd;
class QPlainTextEdit;

class CFileInfoDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kConfirm = 1,
        kStreamTitle = 2,
        kOriginal = 3,
        kEncoder = 4,
        kFileType = 11,
        kResolution = 12,
        kFileSize = 13,
        kDuration = 14,
        kFilePath = 15,
        kTextBoxItem = 16,
    };
    static constexpr int kTemplateId = 136;
    static constexpr int kPaneId = 119;
    static constexpr int kTextBoxId = 1019;
    static constexpr unsigned kCaptionMask = kCaptionClose | kCaptionIcon; // 33
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 420;

    // `streams` (the engine's array for the item, `count` records) is copied.
    CFileInfoDlg(const MediaItem& item, const tagVeldesStreamInfo* streams, int count,
                 QWidget* parent = nullptr, CBaseSkin* skin = nullptr);

    // 1 original, 2 encoder. Setting the mode it already has changes nothing.
    int Mode() const { return m_mode; }
    void SetMode(int mode);
    CBaseWnd* Pane() const { return m_pane; }
    QPlainTextEdit* TextBox() const { return m_textBox; }
    // What the text box shows, with its "\r\n" line ends.
    const std::string& StreamText() const { return m_streamText; }

    void OnPaneClick(const PaneNotify& notify) override;
    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;

private:
    void AddItems(const MediaItem& item);

    CBaseWnd* m_pane = nullptr;
    QPlainTextEdit* m_textBox = nullptr;
    std::vector<tagVeldesStreamInfo> m_streams;
    FirstStreams m_first;
    Profile m_profile;
    int m_mode = 0;
    std::string m_streamText;
};
