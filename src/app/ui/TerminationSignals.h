// Ends the modal run the normal way when the process is asked to stop (SIGTERM from a logout or
// a service manager, SIGHUP from a closed terminal, SIGINT), so the main window's destruction
// still writes the settings. The signal handler only writes a byte to a pipe; the callback runs
// on the user-interface thread.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class TerminationSignals : public QObject {
public:
    // Installs the handlers until destruction; the previous handlers are put back then.
    explicit TerminationSignals(std::function<void(int)> onSignal);
    ~TerminationSignals() override;
    bool Installed() const { return m_installed; }

private:
    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};
