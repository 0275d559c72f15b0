// The application object: the start-up sequence (network layer, the single-instance lock
// "Movara", the default skin), the modal run of the main window, and the shut-down in reverse
// order. The platform services must be installed before it runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CMovaraDlg;

class CMovaraApp {
public:
    // Negative results of Run: the step that ended the start.
    static constexpr int kNetworkFailed = -1;
    static constexpr int kAlreadyRunning = -2;
    static constexpr int kSkinFailed = -3;
    // Another instance runs and took this start's files; this start ends without a window.
    static constexpr int kHandedOver = -4;
    static constexpr const char* kInstanceName = "Movara";

    // Called with the initialised main window just before its modal run.
    using WindowHook = std::function<void(CMovaraDlg&)>;
    void SetWindowHook(WindowHook hook) { m_hook = std::move(hook); }
    // Files added once the window shows, in this order, through the loading dialog as the
    // add-files command adds them; handed to the running instance when there is one.
    void SetStartFiles(std::vector<std::string> paths) { m_startFiles = std::move(paths); }

    // The framework's start hook: runs everything and answers false, so the process then ends.
    bool InitInstance();
    // The same, answering how it ended: the main window's result (IDOK after "Exit", IDCANCEL
    // after the close button or a termination signal) or a negative start failure.
    int Run();
    // The process's exit code after InitInstance: non-zero when the start failed (no network
    // layer, no skin), so whoever started the program can tell.
    int ExitCode() const { return m_result == kNetworkFailed || m_result == kSkinFailed ? 1 : 0; }

    // "skin/Default.skin" in the program's data folder.
    static std::string DefaultSkinPath();

private:
    WindowHook m_hook;
    std::vector<std::string> m_startFiles;
    int m_result = 0;
};
