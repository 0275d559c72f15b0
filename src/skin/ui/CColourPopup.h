// The pop-up of the colour button: "Automatic" across the top, the 8 x 5 grid of named colours,
// "More Colors..." across the bottom. It reports to its button (a message target) with 2025 while
// the hot cell moves, and ends with 2028 (chosen) or 2029 (cancelled, initial colour restored).
#pragma once

#include "ColourTable.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>

class MessageTarget;

class CColourPopup : public QWidget {
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 5;
    static constexpr int kBoxSize = 18;
    static constexpr int kMargin = 4;
    static constexpr int kNone = -1;
    static constexpr int kCustomBox = -2;  // "More Colors..."
    static constexpr int kDefaultBox = -3; // "Automatic"

    // Shown at `topLeft` (screen). Empty texts leave their buttons out.
    CColourPopup(MessageTarget* button, const QPoint& topLeft, uint32_t colour,
                 const QString& defaultText, const QString& customText, QWidget* parent = nullptr);
    ~CColourPopup() override;

    int HotCell() const { return m_hot; }
    uint32_t CurrentColour() const { return m_colour; }
    uint32_t InitialColour() const { return m_initial; }
    QRect CellRect(int cell) const;
    int CellAt(const QPoint& point) const;
    bool HasEnded() const { return m_ended; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Layout();
    int CellForColour(uint32_t colour) const;
    void ChangeSelection(int cell);
    void EndSelection(bool chosen);
    void MoveHot(int key);
    int LastCell() const { return kColourCount - 1; }

    void* m_button;
    uint32_t m_initial;
    uint32_t m_colour;
    QString m_defaultText;
    QString m_customText;
    QRect m_defaultRect;
    QRect m_customRect;
    QRect m_grid;
    int m_hot = kNone;
    bool m_ended = false;
};
