// Platform services for tests: records every request and answers from a script. It never shows
// a window, opens a document, powers anything off or touches the network. The user-interface
// requests still go through the base class, so they run on the user-interface thread (a worker
// asking for a message box waits while the test's main thread handles it).
//
// Unscripted answers: a message box answers as if Escape closed it (IDCANCEL when it has Cancel,
// IDNO for Yes/No, IDOK for OK); dialogs are cancelled; opening documents and showing files
// succeed; web requests fail. The system facilities (disk, folders, temporary files, clock) are
// the real ones unless a value is set; the instance lock is simulated, never a real file. The
// desktop's own services (sleep inhibitor, notifications, launcher) do nothing, unless a test
// that runs buses of its own hands them on to the real ones (useDesktopBuses).
#ifndef FAKEPLATFORMSERVICES_H
#define FAKEPLATFORMSERVICES_H

#include "PlatformServices.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

class FakePlatformServices : public PlatformServices {
public:
    struct MessageBoxCall {
        std::string text;
        std::string caption;
        unsigned buttons = 0;
        unsigned icon = 0;
        int answer = 0;
        std::thread::id thread;
    };
    struct OpenFilesCall {
        std::string caption;
        std::string filter;
        std::string initialFolder;
        std::thread::id thread;
    };
    struct BrowseFolderCall {
        std::string title;
        std::string initialFolder;
        std::thread::id thread;
    };
    struct HttpRequest {
        std::string url;
        std::string agent;
        std::size_t maxBytes = 0;
    };

    FakePlatformServices();

    // --- script ---
    void queueMessageBoxAnswer(int answer); // answers are used in order, one per box
    void queueMessageBoxAnswers(std::initializer_list<int> answers);
    // Called on the user-interface thread while a box is "shown", before it answers.
    void onMessageBox(std::function<void(const MessageBoxCall&)> hook);
    void queueOpenFiles(std::vector<std::string> paths); // empty: cancelled
    void queueBrowseFolder(std::string folder);          // empty: cancelled
    void queueColor(std::optional<uint32_t> color);
    void setOpenDocumentResult(bool ok);
    void setShowInFileManagerResult(int result);
    void setFreeSpace(const std::string& folder, std::optional<uint64_t> bytes);
    void setMountPoint(const std::string& folder, const std::string& mountPoint);
    void setClock(const SystemTime& local, const SystemTime& utc);
    void setDocumentsFolder(const std::string& folder);
    void setExecutableFolder(const std::string& folder);
    void setDataFolder(const std::string& folder);
    void setWritableFolder(const std::string& folder);
    void setTempFolder(const std::string& folder);
    void setInstanceLockAvailable(bool available); // false: "another instance runs"
    void setNetworkAvailable(bool available);
    void setHttpResponse(const std::string& url, std::optional<std::string> body);
    void setFontFamilies(std::vector<std::string> families);
    void setScreen(const ScreenRect& geometry, const ScreenRect& workArea);
    void setCaptureDevices(CaptureKind kind, std::vector<CaptureDevice> devices);
    void useDesktopBuses(bool use);

    // --- record ---
    std::vector<MessageBoxCall> messageBoxes() const;
    std::vector<OpenFilesCall> openFilesDialogs() const;
    std::vector<BrowseFolderCall> folderBrowsers() const;
    std::vector<uint32_t> colorDialogs() const; // the initial colour of each
    std::vector<std::string> openedDocuments() const;
    std::vector<std::string> shownFiles() const;
    int powerOffRequests() const;
    std::vector<HttpRequest> httpRequests() const;
    std::vector<std::string> instanceLockRequests() const;
    bool instanceLockHeld() const;
    std::size_t pendingMessageBoxAnswers() const;

    // --- the system facilities, scripted where a value was set ---
    std::vector<CaptureDevice> captureDevices(CaptureKind kind) override;
    std::optional<uint64_t> freeDiskSpace(const std::string& folder) override;
    std::string mountPointOf(const std::string& folder) override;
    std::string documentsFolder() override;
    std::string executableFolder() override;
    std::string dataFolder() override;
    std::string writableFolder() override;
    std::string tempFolder() override;
    bool acquireInstanceLock(const std::string& name) override;
    void releaseInstanceLock() override;
    SystemTime localTime() override;
    SystemTime utcTime() override;
    bool startNetwork() override;
    int httpGet(const std::string& url, const std::string& agent, std::size_t maxBytes,
                std::string* body) override;
    void holdSleepInhibitor(bool hold, const std::string& why) override;
    void setLauncherProgress(std::optional<double> fraction, std::optional<int64_t> count) override;

protected:
    int doMessageBox(const std::string& text, const std::string& caption, unsigned buttons,
                     unsigned icon) override;
    std::vector<std::string> doOpenFilesDialog(const std::string& caption,
                                               const std::string& filter,
                                               const std::string& initialFolder) override;
    std::string doBrowseFolder(const std::string& title, const std::string& initialFolder) override;
    std::optional<uint32_t> doChooseColor(uint32_t initial) override;
    bool doOpenDocument(const std::string& pathOrUrl) override;
    int doShowInFileManager(const std::string& path) override;
    void doPowerOff() override;
    std::vector<std::string> doFontFamilies() override;
    ScreenRect doScreenGeometry() override;
    ScreenRect doWorkArea() override;
    void doNotifyDesktop(const std::string& summary, const std::string& body,
                         const std::string& folder) override;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_boxAnswers;
    std::function<void(const MessageBoxCall&)> m_boxHook;
    std::deque<std::vector<std::string>> m_openFiles;
    std::deque<std::string> m_folders;
    std::deque<std::optional<uint32_t>> m_colors;
    bool m_openDocumentResult = true;
    int m_showResult = SHELL_OK;
    std::map<std::string, std::optional<uint64_t>> m_freeSpace;
    std::map<std::string, std::string> m_mountPoints;
    std::optional<SystemTime> m_local;
    std::optional<SystemTime> m_utc;
    std::optional<std::string> m_documents, m_executable, m_data, m_writable, m_temp;
    bool m_lockAvailable = true;
    bool m_lockHeld = false;
    bool m_networkAvailable = true;
    std::map<std::string, std::optional<std::string>> m_http;
    std::vector<std::string> m_fonts{"Arial", "Times New Roman"};
    ScreenRect m_screen{0, 0, 1920, 1080};
    ScreenRect m_workArea{0, 0, 1920, 1040};
    std::vector<CaptureDevice> m_videoDevices, m_audioDevices;
    std::atomic<bool> m_desktopBuses{false};

    std::vector<MessageBoxCall> m_boxes;
    std::vector<OpenFilesCall> m_openFilesCalls;
    std::vector<BrowseFolderCall> m_browseCalls;
    std::vector<uint32_t> m_colorCalls;
    std::vector<std::string> m_documentsOpened;
    std::vector<std::string> m_filesShown;
    int m_powerOffs = 0;
    std::vector<HttpRequest> m_httpRequests;
    std::vector<std::string> m_lockRequests;
};

#endif
