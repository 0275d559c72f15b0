// The balloon tooltip of the skinned panes: shown after a delay at a point, with a stem pointing
// at it, and hidden as soon as the cursor leaves that point or a button is pressed anywhere.
// Clicks pass through it to whatever lies under it.
#pragma once

#include "BalloonShape.h"

#include <QFont>
#include <QImage>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <climits>

class QPainter;

class CXInfoTip : public QWidget {
public:
    static constexpr int kTimerShow = 100; // the show delay
    static constexpr int kTimerHide = 101; // watches the cursor while shown
    static constexpr int kDefaultDelay = 500;
    static constexpr int kHideCheckInterval = 200;

    explicit CXInfoTip(QWidget* parent = nullptr);

    // Shows `text` at `point` (the cursor position when null) after `delay` ms (the show delay
    // when negative).
    void Show(const QString& text, const QPoint* point = nullptr, int delay = -1);
    // As Show, keeping the balloon right of `clearLeft` (a screen x): what lies left of it,
    // such as a row's check box, stays visible.
    void ShowRightOf(const QString& text, const QPoint& point, int clearLeft, int delay = -1);
    void Hide();
    // A new text for the balloon shown or about to be (its item's tooltip changed under it).
    void Retext(const QString& text);
    void SetIcon(const QImage& icon);
    void SetShowDelay(int ms) { m_delay = ms; }
    void SetTipFont(const QFont& font) {
        m_font = font;
        m_ownFont = true;
    }
    // Tools: windows that show their text when the mouse rests on them.
    void AddTool(QWidget* tool, const QString& text);
    void RemoveTool(QWidget* tool);

    QString Text() const { return m_text; }
    QPoint Anchor() const { return m_anchor; }
    const BalloonShape& Shape() const { return m_shape; }
    bool IsPending() const { return m_showTimer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnShowTimer();
    void PaintBalloon(QPainter& painter);
    void PaintCard(QPainter& painter);
    void OnHideTimer();
    QRect ScreenAt(const QPoint& point) const;

    QString m_text;
    QImage m_icon;
    QPoint m_anchor;
    int m_clearLeft = INT_MIN; // no part of the balloon left of this screen x
    QPoint m_restAt;           // where the pointer rested when asked: moving it hides the balloon
    int m_delay = kDefaultDelay;
    QFont TipFont() const;
    QFont m_font;
    bool m_ownFont = false;
    QMap<QWidget*, QString> m_tools;
    QTimer m_showTimer;
    QTimer m_hideTimer;
    BalloonShape m_shape;
};
