// The "Escape was pressed since the last check" of a folder scan or a drop, which pump events
// between files with no modal window up. The batch is synchronous: while it runs, every mouse and
// key input to the program's windows is swallowed (paint and timer events still flow), so no
// command can start a conversion or change the list under the scan. Escape is latched; a close
// of the window ends the batch. A modal window opened during the batch (a message box) gets its
// input as usual, Escape included.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

class ScanEscapeLatch : public QObject {
public:
    // `window`: the window whose closing ends the batch.
    explicit ScanEscapeLatch(QWidget* window);
    ~ScanEscapeLatch() override;

    // Escape was pressed, or the window closed: the batch ends.
    bool stopRequested() const { return m_escape || m_closed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToNewModal(QObject* watched) const;

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_modalAtStart;
    bool m_escape = false;
    bool m_closed = false;
};
