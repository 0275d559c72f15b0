#include "CLiveUpdateDlg.h"

#include "CBaseWnd.h"
#include "PlatformServices.h"
#include "SkinPaint.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QTimerEvent>

namespace {

constexpr int kSide = 20;
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem line(int id, const QString& text, int marginTop) {
    PaneItem item;
    item.id = id;
    item.caption = text;
    item.setSize(CLiveUpdateDlg::kWidth - 2 * kSide, 20);
    item.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(kSide, 0, marginTop, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem button(int id, const char* text, int marginRight) {
    return bottomRightButton(id, text, marginRight, 14);
}

QString versionOf(int32_t major, int32_t minor) {
    return QString::fromStdString(versionText(major, minor));
}

} // namespace

CLiveUpdateDlg::CLiveUpdateDlg(QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin) {
    SetTitle(QStringLiteral("Live Update"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("UpdateWnd"), kPaneId, kWidth, kHeight);
    m_textBox = new QPlainTextEdit(m_pane);
    m_textBox->setObjectName(QStringLiteral("1043"));
    m_textBox->setReadOnly(true);
    m_textBox->hide();
}

CLiveUpdateDlg::CLiveUpdateDlg(std::shared_ptr<CVelVersionUpdate> checker, QWidget* parent,
                               CBaseSkin* skin)
    : CLiveUpdateDlg(parent, skin) {
    m_checker = std::move(checker);
    if (m_checker)
        m_installerUrl = m_checker->installerUrl();
    ShowPage(kPageChecking,
             QStringLiteral("Geting the version information, please waiting a moment ..."));
    m_checkTimer.start(kCheckDelayMs, this);
}

CLiveUpdateDlg::CLiveUpdateDlg(const VersionCheckResult& result, std::string installerUrl,
                               QWidget* parent, CBaseSkin* skin)
    : CLiveUpdateDlg(parent, skin) {
    m_installerUrl = std::move(installerUrl);
    ShowResult(result);
}

CLiveUpdateDlg::~CLiveUpdateDlg() {
    // A check still under way reports to nobody from here on.
    stopMessages();
    m_checkTimer.stop();
    m_checker.reset();
}

void CLiveUpdateDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_checkTimer.timerId()) {
        CBaseDialog::timerEvent(event);
        return;
    }
    m_checkTimer.stop(); // one-shot
    // Forced: the person asked, whatever the history file says.
    if (!m_checker || !m_checker->start(true, handle()))
        ShowPage(kPageFailed, QStringLiteral("Failed to fetch the version information!"));
}

intptr_t CLiveUpdateDlg::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg != kMsgVersionCheck)
        return CBaseDialog::onMessage(msg, wParam, lParam);
    const auto* result = reinterpret_cast<const VersionCheckResult*>(lParam);
    if (!result || !result->success)
        ShowPage(kPageFailed, QStringLiteral("Failed to fetch the version information!"));
    else
        ShowResult(*result);
    return 0;
}

void CLiveUpdateDlg::ShowResult(const VersionCheckResult& result) {
    m_fetchedMajor = result.majorId;
    m_fetchedMinor = result.minorId;
    m_description = QString::fromStdString(result.description);
    if (isNewerVersion(result.majorId, result.minorId))
        ShowPage(kPageNewVersion, QStringLiteral("Find new version, update or not?"));
    else
        ShowPage(kPageLatest, QStringLiteral("You have the lastest version now. No update is "
                                             "available at this times."));
}

void CLiveUpdateDlg::ShowPage(Page page, const QString& message) {
    m_page = page;
    m_pane->RemoveAllItems();
    m_pane->AddItem(line(kMessageText, message, 24));
    switch (page) {
    case kPageChecking:
        break;
    case kPageFailed:
    case kPageLatest:
        m_pane->AddItem(button(kCloseButton, "Close", kSide));
        break;
    case kPageNewVersion: {
        m_pane->AddItem(
            line(kCurrentText,
                 QStringLiteral("Current Version : ") + versionOf(kOwnMajorId, kOwnMinorId), 8));
        m_pane->AddItem(line(
            kLatestText,
            QStringLiteral("Lastest Version : ") + versionOf(m_fetchedMajor, m_fetchedMinor), 4));
        PaneItem box;
        box.id = kTextBoxItem;
        box.hosted = m_textBox;
        box.placement = kPlaceTopLeftLine;
        box.setMargins(kSide, kSide, 10, 52);
        box.behaviour = kItemNoHover;
        m_pane->AddItem(box);
        m_pane->AddItem(button(kCancelButton, "Cancel", kSide));
        m_pane->AddItem(button(kOkButton, "OK", 10));
        SetKeyButtons(m_pane, kOkButton, kCancelButton);
        m_textBox->setPlainText(
            QStringLiteral("Version ") + versionOf(m_fetchedMajor, m_fetchedMinor) +
            QStringLiteral(" :\n") +
            QString(m_description).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        break;
    }
    }
    m_textBox->setVisible(page == kPageNewVersion);
    m_pane->ArrangeItems();
    m_pane->update();
    update();
}

void CLiveUpdateDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kOkButton:
        platformServices().openDocument(m_installerUrl);
        done(IDOK);
        break;
    case kCancelButton:
    case kCloseButton:
        done(IDCANCEL);
        break;
    default:
        break;
    }
}

bool CLiveUpdateDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
