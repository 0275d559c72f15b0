#include "CMenuEx.h"

#include "CBaseDialog.h"
#include "CBaseWnd.h"
#include "CMenuExStyle.h"
#include "SkinPaint.h"
#include "WindowOrigin.h"

#include "CVelSkin.h"
#include "SkinFaces.h"

#include <QFontMetrics>

namespace {

QAction* findIn(const QMenu* menu, int commandId) {
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            if (QAction* found = findIn(action->menu(), commandId))
                return found;
        } else if (!action->isSeparator() && action->data().toInt() == commandId) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

CMenuEx::CMenuEx(QWidget* owner, const QString& title) : QMenu(title, owner), m_owner(owner) {
    auto* style = new CMenuExStyle();
    style->setParent(this);
    setStyle(style);
    setFont(ItemFont());
}

QFont CMenuEx::ItemFont() const {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(10);
    return uiFont(font);
}

QAction* CMenuEx::AppendItem(int commandId, const QString& text, const QImage& icon) {
    QAction* action = addAction(text);
    action->setData(commandId);
    if (!icon.isNull())
        action->setIcon(QIcon(QPixmap::fromImage(icon)));
    return action;
}

void CMenuEx::AppendSeparator() {
    addSeparator();
}

CMenuEx* CMenuEx::AppendPopup(const QString& text) {
    auto* popup = new CMenuEx(m_owner, text);
    popup->setParent(this, popup->windowFlags());
    addMenu(popup);
    return popup;
}

QAction* CMenuEx::FindCommand(int commandId) const {
    return findIn(this, commandId);
}

void CMenuEx::EnableCommand(int commandId, bool enabled) {
    if (QAction* action = FindCommand(commandId))
        action->setEnabled(enabled);
}

int CMenuEx::TrackPopup(const QPoint& globalPos) {
    // The point was reckoned from Qt's idea of where the window is; a window manager may have
    // placed it elsewhere since. The menu goes where the window really is.
    QPoint at = globalPos;
    if (QWidget* window = m_owner ? m_owner->window() : nullptr) {
        const QPoint believed = window->mapToGlobal(QPoint());
        correctWindowPosition(*window);
        at += window->mapToGlobal(QPoint()) - believed;
    }
    QAction* chosen = exec(at);
    return chosen ? chosen->data().toInt() : 0;
}

QColor CMenuEx::OwnerColor(int index) const {
    if (auto* dialog = dynamic_cast<const CBaseDialog*>(m_owner.data()))
        return argbColor(dialog->DialogColor(index));
    if (auto* pane = dynamic_cast<const CBaseWnd*>(m_owner.data()))
        return argbColor(pane->StyleColor(0, index));
    return argbColor(theSkin().StyleColor(0, 0, index));
}

QSize CMenuEx::MeasureItem(const QString& text, bool separator) const {
    if (separator)
        return QSize(kIconColumn + kGap, kSeparatorHeight);
    const QFontMetrics metrics(ItemFont());
    QString shown = text;
    shown.replace(QLatin1Char('\t'), QStringLiteral("    "));
    shown.remove(QLatin1Char('&'));
    const int width = kIconColumn + kGap + metrics.horizontalAdvance(shown) + 2 * kTextMargin + 16;
    const int height = std::max(kIconColumn, metrics.height() + 2 * kTextMargin);
    return QSize(width, height);
}
