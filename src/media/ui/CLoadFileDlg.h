// The small dialog that feeds a batch of chosen files to the main window one at a time: it shows
// "Loading <path>", waits a moment so the user can read it, and sends the path (message 1225).
// Escape pressed while it runs ends the batch before the path on screen is added.
#pragma once

#include "CBaseDialog.h"

#include <QString>
#include <QTimer>

#include <string>
#include <vector>

class MessageTarget;

class CLoadFileDlg : public CBaseDialog {
public:
    static constexpr int kTemplateId = 160;
    static constexpr int kStartDelay = 100; // ms from showing to the first file (timer 1)
    static constexpr int kFileDelay = 300;  // ms each path stays on screen before it is sent
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 80;

    // `skin` null: the process-wide skin.
    CLoadFileDlg(std::vector<std::string> paths, MessageTarget* mainWindow,
                 QWidget* parent = nullptr, CBaseSkin* skin = nullptr);
    ~CLoadFileDlg() override;

    // The path on screen ("" before the first and after the last).
    const std::string& CurrentPath() const { return m_current; }
    // Paths sent to the main window so far.
    int SentCount() const { return m_sent; }
    // True when Escape ended the batch early.
    bool Stopped() const { return m_stopped; }

    bool PaintBackground(QPainter& painter, int fillType) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunBatch();
    // Runs events for `ms` milliseconds; false when the dialog went away meanwhile.
    bool Wait(int ms);

    std::vector<std::string> m_paths;
    MessageTarget* m_mainWindow;
    QTimer m_startTimer; // timer 1
    std::string m_current;
    int m_sent = 0;
    bool m_started = false;
    bool m_running = false;
    bool m_escapeLatched = false;
    bool m_stopped = false;
    bool m_filterInstalled = false;
};
