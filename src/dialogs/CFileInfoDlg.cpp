#include "CFileInfoDlg.h"

#include "CBaseWnd.h"
#include "SkinPaint.h"

#include <QPainter>

#include <QPlainTextEdit>
#include <algorithm>

namespace {

// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem textItem(int id, const QString& text, int32_t placement, int width, int marginTop) {
    PaneItem item;
    item.id = id;
    item.caption = text;
    item.setSize(width, 20);
    item.placement = placement;
    item.setMargins(10, 10, marginTop, 0);
    item.behaviour = kItemNoHover;
    item.imageAlign = kAlignImageLeft | kAlignImageVCenter;
    return item;
}

PaneItem button(int id, const char* text, const char* tip, int32_t placement, int marginLeft) {
    PaneItem item;
    item.id = id;
    item.caption = QString::fromUtf8(text);
    item.tooltip = QString::fromUtf8(tip);
    item.setSize(80, 20);
    item.placement = placement | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(marginLeft, 12, 10, 15);
    item.behaviour = kItemFrame | kItemBackground;
    item.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    return item;
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CFileInfoDlg::CFileInfoDlg(const MediaItem& item, const tagVeldesStreamInfo* streams, int count,
                           QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionMask, skin) {
    if (streams && count > 0)
        m_streams.assign(streams, streams + count);
    m_first = firstStreams(m_streams.data(), static_cast<int>(m_streams.size()));
    if (item.profile)
        m_profile = *item.profile;
    SetTitle(QStringLiteral("Media Information"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("MediaInfoWnd"), kPaneId, kWidth, kHeight);
    m_textBox = new QPlainTextEdit(m_pane);
    m_textBox->setObjectName(QString::number(kTextBoxId));
    m_textBox->setReadOnly(true);
    m_textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The labels end with one or two tabs so that their colons line up: a tab stop beyond the
    // short labels ("Bitrate", "Channels") and within reach of the long ones.
    const QFontMetrics metrics(m_textBox->font());
    const auto width = [&](const char* text) { return metrics.horizontalAdvance(text); };
    const int shortest = std::min(
        {width("FrameRate"), width("Resolution"), width("AspectRatio"), width("SampleRate")});
    const int shortLabels = std::max(width("Bitrate"), width("Channels"));
    m_textBox->setTabStopDistance((shortest + shortLabels) / 2.0 + 1);
    AddItems(item);
    SetMode(kInfoModeOriginal);
    m_pane->ArrangeItems();
    Relayout();
}

void CFileInfoDlg::AddItems(const MediaItem& item) {
    const int32_t flow = kPlaceTopLeft;
    m_pane->AddItem(textItem(kFileType, qs("File Type : " + mediaTypeText(item)),
                             flow | kPlaceFixedWidth | kPlaceFixedHeight, 140, 10));
    m_pane->AddItem(textItem(kResolution, qs("Resolution : " + mediaResolutionText(item, m_first)),
                             flow | kPlaceFixedHeight, 0, 10));
    m_pane->AddItem(textItem(kFileSize, qs("File Size   : " + item.sourceSizeText()),
                             flow | kPlaceFixedWidth | kPlaceFixedHeight, 140, 6));
    m_pane->AddItem(textItem(kDuration, qs("Duration     : " + mediaTimeText(item.duration)),
                             flow | kPlaceFixedHeight, 0, 6));
    PaneItem path = textItem(kFilePath, qs("File Path : " + item.sourcePath),
                             kPlaceTopLeftLine | kPlaceFixedHeight, 0, 10);
    path.tooltip = qs(item.sourcePath);
    m_pane->AddItem(path);
    m_pane->AddItem(textItem(kStreamTitle, QStringLiteral("Original Stream Information :"),
                             kPlaceTopLeftLine | kPlaceNatural, 0, 15));
    PaneItem box;
    box.id = kTextBoxItem;
    box.hosted = m_textBox;
    box.placement = kPlaceTopLeftLine;
    box.setMargins(10, 10, 10, 50);
    box.behaviour = kItemNoHover;
    m_pane->AddItem(box);
    m_pane->AddItem(
        button(kOriginal, "Original", "Show original stream information", kPlaceBottomLeft, 12));
    m_pane->AddItem(
        button(kEncoder, "Encoder", "Show encode stream information", kPlaceBottomLeft, 10));
    m_pane->AddItem(button(kConfirm, "Confirm", "", kPlaceBottomRight, 12));
}

void CFileInfoDlg::SetMode(int mode) {
    if (mode == m_mode || (mode != kInfoModeOriginal && mode != kInfoModeEncoder))
        return;
    m_mode = mode;
    m_pane->SetItemCaption(kStreamTitle, mode == kInfoModeOriginal
                                             ? QStringLiteral("Original Stream Information :")
                                             : QStringLiteral("Encoder Stream Information :"));
    m_streamText = streamInfoText(mode, m_profile, m_first);
    // The box breaks lines at "\n"; a lone "\r" would show as a stray glyph.
    m_textBox->setPlainText(qs(m_streamText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_pane->ArrangeItems();
}

void CFileInfoDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kConfirm:
        accept();
        break;
    case kOriginal:
        SetMode(kInfoModeOriginal);
        break;
    case kEncoder:
        SetMode(kInfoModeEncoder);
        break;
    default:
        break;
    }
}

bool CFileInfoDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
