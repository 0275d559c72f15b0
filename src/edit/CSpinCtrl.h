// An up-down control beside its buddy edit box. Each step (arrow click, Up or Down in the buddy)
// first asks the owner's handler with the position and the step; unless the handler refuses,
// the position moves by the step, held to the range, and the buddy shows it.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class QLineEdit;

class CSpinCtrl : public QWidget {
public:
    static constexpr int kWidth = 16;

    explicit CSpinCtrl(QWidget* parent = nullptr, int controlId = 0);

    int ControlId() const { return m_controlId; }
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return m_buddy; }
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    // Held to the range; the buddy shows it.
    void SetPos(int pos);
    // The buddy's number when it holds one (typed values count), held to the range; else the
    // last position set.
    int Pos() const;
    // Returns true to refuse the step: (position before the step, step).
    void SetDeltaHandler(std::function<bool(int pos, int delta)> handler) {
        m_onDelta = std::move(handler);
    }
    // One step, exactly as a click on an arrow makes it.
    void Step(int delta);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_controlId;
    QLineEdit* m_buddy = nullptr;
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    int m_pressed = 0; // +1 upper arrow, -1 lower arrow
    QTimer m_repeat;   // an arrow held down keeps stepping
    std::function<bool(int, int)> m_onDelta;
};
