// The countdown before the computer is powered off at the end of a conversion: caption
// "Warning", one pane "Countdown" with the prompt and the seconds left, "OK" and "Cancel". Each
// tick of timer 1 (1000 ms) takes a second off; a tick at 0 closes the dialog with OK.
#pragma once

#include "CBaseDialog.h"

#include <QBasicTimer>

class CBaseWnd;

class CCountdownDlg : public CBaseDialog {
public:
    enum ItemId : int {
        kText = 1,
        kOk = 2,
        kCancel = 3,
    };
    static constexpr int kTemplateId = 143;
    static constexpr int kPaneId = 113;
    static constexpr int kTimerId = 1;
    static constexpr int kTickMs = 1000;
    static constexpr int kDefaultSeconds = 30; // for a negative count
    static constexpr int kWidth = 360;
    static constexpr int kHeight = 150;

    // exec() gives 1 (OK, or the time ran out) or 2 (Cancel).
    CCountdownDlg(const QString& prompt, int seconds, QWidget* parent = nullptr,
                  CBaseSkin* skin = nullptr);

    int SecondsLeft() const { return m_seconds; }
    // The text element: prompt + seconds left + "s".
    QString Text() const;
    CBaseWnd* Pane() const { return m_pane; }
    // The running tick timer's id (0 when stopped).
    int TimerId() const { return m_timer.isActive() ? m_timer.timerId() : 0; }

    bool IsFixedSize() const override { return true; }
    bool PaintBackground(QPainter& painter, int fillType) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnCloseButton() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Finish(int result);

    QString m_prompt;
    int m_seconds;
    CBaseWnd* m_pane = nullptr;
    QBasicTimer m_timer; // timer 1
};
