// The main window on screens smaller than its classic size (a large scale factor on a laptop
// screen): its minimum and initial sizes never exceed the screen's available area, so that the
// whole window, status bar included, stays reachable and maximising can fill the screen. The
// list and the preview give way first; the fixed bars keep their heights.
#include "CMovaraDlg.h"

#include <QScreen>
#include <QWindow>

#include <algorithm>

QSize CMovaraDlg::FittedMinimumSize(const QSize& available) {
    if (available.isEmpty())
        return QSize(kMinWidth, kMinHeight);
    return QSize(std::min(kMinWidth, available.width()), std::min(kMinHeight, available.height()));
}

void CMovaraDlg::FitToScreen(bool shrinkWindow) {
    const QScreen* shown = screen();
    if (!shown)
        return;
    const QRect available = shown->availableGeometry();
    setMinimumSize(FittedMinimumSize(available.size()));
    if (!shrinkWindow || isMaximized() || isFullScreen())
        return;
    const QSize fitted = size().boundedTo(available.size());
    if (fitted != size())
        resize(fitted);
    // Keep the caption on the screen, where a person can take hold of it.
    QRect frame(pos(), fitted);
    if (!available.contains(frame)) {
        frame.moveLeft(
            std::clamp(frame.left(), available.left(), available.right() - fitted.width() + 1));
        frame.moveTop(
            std::clamp(frame.top(), available.top(), available.bottom() - fitted.height() + 1));
        move(frame.topLeft());
    }
}

void CMovaraDlg::FollowScreenChanges() {
    if (m_followsScreen || !windowHandle())
        return;
    m_followsScreen = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { FitToScreen(true); });
}

void CMovaraDlg::showEvent(QShowEvent* event) {
    CBaseDialog::showEvent(event);
    FitToScreen(false);
    FollowScreenChanges();
}
