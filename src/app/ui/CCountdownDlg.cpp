#include "CCountdownDlg.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "SkinPaint.h"

#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int kSide = 16;
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem button(int id, const char* text, int marginRight) {
    return bottomRightButton(id, text, marginRight, 14);
}

} // namespace

CCountdownDlg::CCountdownDlg(const QString& prompt, int seconds, QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_prompt(prompt),
      m_seconds(seconds < 0 ? kDefaultSeconds : seconds) {
    SetTitle(QStringLiteral("Warning"));
    setWindowTitle(QStringLiteral("Warning"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("Countdown"), kPaneId, kWidth, kHeight);

    PaneItem text;
    text.id = kText;
    text.caption = Text();
    text.setSize(kWidth - 2 * kSide, 40);
    text.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    text.setMargins(kSide, 0, 18, 0);
    text.behaviour = kItemNoHover;
    m_pane->AddItem(text);
    // Right to left: Cancel at the edge, OK beside it.
    m_pane->AddItem(button(kCancel, "Cancel", kSide));
    m_pane->AddItem(button(kOk, "OK", 10));
    // OK powers off at once: Enter must not do that by accident.
    SetKeyButtons(m_pane, kCancel, kCancel);
    Relayout();
}

QString CCountdownDlg::Text() const {
    return m_prompt + QString::number(m_seconds) + QStringLiteral("s");
}

void CCountdownDlg::showEvent(QShowEvent* event) {
    CBaseDialog::showEvent(event);
    if (!m_timer.isActive() && result() == 0)
        m_timer.start(kTickMs, this);
}

void CCountdownDlg::timerEvent(QTimerEvent* event) {
    if (!m_timer.isActive() || event->timerId() != m_timer.timerId()) {
        CBaseDialog::timerEvent(event);
        return;
    }
    if (m_seconds > 0) {
        --m_seconds;
        m_pane->SetItemCaption(kText, Text());
        return;
    }
    Finish(1);
}

void CCountdownDlg::Finish(int result) {
    m_timer.stop();
    done(result);
}

void CCountdownDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    if (notify.item->id == kOk)
        Finish(1);
    else if (notify.item->id == kCancel)
        Finish(2);
}

void CCountdownDlg::OnCloseButton() {
    // Closing the window is no consent to power off.
    Finish(2);
}

bool CCountdownDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
