// The owner-drawn pop-up menu: items drawn from the owner window's style colours with an icon
// column, a gradient background, selected and disabled colours and separators. Commands are
// identified by their numbers, as the menus of the main window know them.
#pragma once

#include <QColor>
#include <QImage>
#include <QMenu>
#include <QPointer>

class CMenuEx : public QMenu {
public:
    static constexpr int kIconSize = 16;
    static constexpr int kIconMargin = 3;
    static constexpr int kGap = 5;
    static constexpr int kTextMargin = 3;
    static constexpr int kIconColumn = kIconSize + 2 * kIconMargin; // 22
    static constexpr int kSeparatorHeight = 7;
    // Style colour indexes of the owner.
    static constexpr int kColorBackBegin = 0;
    static constexpr int kColorBackEnd = 1; // also the icon column
    static constexpr int kColorText = 7;
    static constexpr int kColorTextSelected = 8;
    static constexpr int kColorTextDisabled = 9;
    static constexpr int kColorSelected = 113;
    static constexpr int kColorSelectedDisabled = 114;

    // `owner` is the window whose style colours the menu uses (a skinned dialog or pane).
    explicit CMenuEx(QWidget* owner, const QString& title = QString());

    QAction* AppendItem(int commandId, const QString& text, const QImage& icon = QImage());
    void AppendSeparator();
    // A sub-menu drawn the same way.
    CMenuEx* AppendPopup(const QString& text);
    // The item of a command, searched through the sub-menus too.
    QAction* FindCommand(int commandId) const;
    // Greys (or enables) a command's item.
    void EnableCommand(int commandId, bool enabled);
    // Shows the menu at a screen point and returns the chosen command, or 0.
    int TrackPopup(const QPoint& globalPos);

    QWidget* Owner() const { return m_owner; }
    QColor OwnerColor(int index) const;
    // The size of an item: text height and icon column, or the separator's height.
    QSize MeasureItem(const QString& text, bool separator) const;
    QFont ItemFont() const;

private:
    QPointer<QWidget> m_owner;
};
