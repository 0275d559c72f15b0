#include "FakePlatformServices.h"

#include <algorithm>

namespace {

// The answer of a box closed with Escape.
int escapeAnswer(unsigned buttons) {
    switch (buttons) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

} // namespace

FakePlatformServices::FakePlatformServices() = default;

// --- script ---

void FakePlatformServices::queueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxAnswers.push_back(answer);
}

void FakePlatformServices::queueMessageBoxAnswers(std::initializer_list<int> answers) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxAnswers.insert(m_boxAnswers.end(), answers.begin(), answers.end());
}

void FakePlatformServices::onMessageBox(std::function<void(const MessageBoxCall&)> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxHook = std::move(hook);
}

void FakePlatformServices::queueOpenFiles(std::vector<std::string> paths) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFiles.push_back(std::move(paths));
}

void FakePlatformServices::queueBrowseFolder(std::string folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders.push_back(std::move(folder));
}

void FakePlatformServices::queueColor(std::optional<uint32_t> color) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_colors.push_back(color);
}

void FakePlatformServices::setOpenDocumentResult(bool ok) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openDocumentResult = ok;
}

void FakePlatformServices::setShowInFileManagerResult(int result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_showResult = result;
}

void FakePlatformServices::setFreeSpace(const std::string& folder, std::optional<uint64_t> bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_freeSpace[folder] = bytes;
}

void FakePlatformServices::setMountPoint(const std::string& folder, const std::string& mountPoint) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mountPoints[folder] = mountPoint;
}

void FakePlatformServices::setClock(const SystemTime& local, const SystemTime& utc) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_local = local;
    m_utc = utc;
}

void FakePlatformServices::setDocumentsFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_documents = folder;
}

void FakePlatformServices::setExecutableFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_executable = folder;
}

void FakePlatformServices::setDataFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_data = folder;
}

void FakePlatformServices::setWritableFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writable = folder;
}

void FakePlatformServices::setTempFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_temp = folder;
}

void FakePlatformServices::setInstanceLockAvailable(bool available) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lockAvailable = available;
}

void FakePlatformServices::setNetworkAvailable(bool available) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_networkAvailable = available;
}

void FakePlatformServices::setHttpResponse(const std::string& url,
                                           std::optional<std::string> body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_http[url] = std::move(body);
}

void FakePlatformServices::setFontFamilies(std::vector<std::string> families) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fonts = std::move(families);
}

void FakePlatformServices::setScreen(const ScreenRect& geometry, const ScreenRect& workArea) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_screen = geometry;
    m_workArea = workArea;
}

void FakePlatformServices::setCaptureDevices(CaptureKind kind, std::vector<CaptureDevice> devices) {
    std::lock_guard<std::mutex> lock(m_mutex);
    (kind == CaptureKind::Video ? m_videoDevices : m_audioDevices) = std::move(devices);
}

void FakePlatformServices::useDesktopBuses(bool use) {
    m_desktopBuses = use;
}

// --- record ---

std::vector<FakePlatformServices::MessageBoxCall> FakePlatformServices::messageBoxes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

std::vector<FakePlatformServices::OpenFilesCall> FakePlatformServices::openFilesDialogs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openFilesCalls;
}

std::vector<FakePlatformServices::BrowseFolderCall> FakePlatformServices::folderBrowsers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_browseCalls;
}

std::vector<uint32_t> FakePlatformServices::colorDialogs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_colorCalls;
}

std::vector<std::string> FakePlatformServices::openedDocuments() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_documentsOpened;
}

std::vector<std::string> FakePlatformServices::shownFiles() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_filesShown;
}

int FakePlatformServices::powerOffRequests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_powerOffs;
}

std::vector<FakePlatformServices::HttpRequest> FakePlatformServices::httpRequests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_httpRequests;
}

std::vector<std::string> FakePlatformServices::instanceLockRequests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lockRequests;
}

bool FakePlatformServices::instanceLockHeld() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lockHeld;
}

std::size_t FakePlatformServices::pendingMessageBoxAnswers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxAnswers.size();
}

// --- user-interface requests ---

int FakePlatformServices::doMessageBox(const std::string& text, const std::string& caption,
                                       unsigned buttons, unsigned icon) {
    MessageBoxCall call{text, caption, buttons, icon, 0, std::this_thread::get_id()};
    std::function<void(const MessageBoxCall&)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_boxAnswers.empty()) {
            call.answer = escapeAnswer(buttons);
        } else {
            call.answer = m_boxAnswers.front();
            m_boxAnswers.pop_front();
        }
        m_boxes.push_back(call);
        hook = m_boxHook;
    }
    if (hook)
        hook(call);
    return call.answer;
}

std::vector<std::string> FakePlatformServices::doOpenFilesDialog(const std::string& caption,
                                                                 const std::string& filter,
                                                                 const std::string& initialFolder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFilesCalls.push_back({caption, filter, initialFolder, std::this_thread::get_id()});
    if (m_openFiles.empty())
        return {};
    std::vector<std::string> paths = std::move(m_openFiles.front());
    m_openFiles.pop_front();
    return paths;
}

std::string FakePlatformServices::doBrowseFolder(const std::string& title,
                                                 const std::string& initialFolder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_browseCalls.push_back({title, initialFolder, std::this_thread::get_id()});
    if (m_folders.empty())
        return {};
    std::string folder = std::move(m_folders.front());
    m_folders.pop_front();
    return folder;
}

std::optional<uint32_t> FakePlatformServices::doChooseColor(uint32_t initial) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_colorCalls.push_back(initial);
    if (m_colors.empty())
        return std::nullopt;
    const std::optional<uint32_t> color = m_colors.front();
    m_colors.pop_front();
    return color;
}

bool FakePlatformServices::doOpenDocument(const std::string& pathOrUrl) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_documentsOpened.push_back(pathOrUrl);
    return m_openDocumentResult;
}

int FakePlatformServices::doShowInFileManager(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filesShown.push_back(path);
    return m_showResult;
}

void FakePlatformServices::doPowerOff() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_powerOffs;
}

std::vector<std::string> FakePlatformServices::doFontFamilies() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fonts;
}

ScreenRect FakePlatformServices::doScreenGeometry() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_screen;
}

ScreenRect FakePlatformServices::doWorkArea() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_workArea;
}

void FakePlatformServices::doNotifyDesktop(const std::string& summary, const std::string& body,
                                           const std::string& folder) {
    if (m_desktopBuses)
        PlatformServices::doNotifyDesktop(summary, body, folder);
}

void FakePlatformServices::holdSleepInhibitor(bool hold, const std::string& why) {
    if (m_desktopBuses)
        PlatformServices::holdSleepInhibitor(hold, why);
}

void FakePlatformServices::setLauncherProgress(std::optional<double> fraction,
                                               std::optional<int64_t> count) {
    if (m_desktopBuses)
        PlatformServices::setLauncherProgress(fraction, count);
}

// --- system facilities ---

std::vector<CaptureDevice> FakePlatformServices::captureDevices(CaptureKind kind) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return kind == CaptureKind::Video ? m_videoDevices : m_audioDevices;
}

std::optional<uint64_t> FakePlatformServices::freeDiskSpace(const std::string& folder) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_freeSpace.find(folder);
        if (it != m_freeSpace.end())
            return it->second;
    }
    return PlatformServices::freeDiskSpace(folder);
}

std::string FakePlatformServices::mountPointOf(const std::string& folder) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mountPoints.find(folder);
        if (it != m_mountPoints.end())
            return it->second;
    }
    return PlatformServices::mountPointOf(folder);
}

#define MOVARA_FAKE_FOLDER(function, member)                                                       \
    std::string FakePlatformServices::function() {                                                 \
        {                                                                                          \
            std::lock_guard<std::mutex> lock(m_mutex);                                             \
            if (member)                                                                            \
                return *member;                                                                    \
        }                                                                                          \
        return PlatformServices::function();                                                       \
    }

MOVARA_FAKE_FOLDER(documentsFolder, m_documents)
MOVARA_FAKE_FOLDER(executableFolder, m_executable)
MOVARA_FAKE_FOLDER(dataFolder, m_data)
MOVARA_FAKE_FOLDER(writableFolder, m_writable)
MOVARA_FAKE_FOLDER(tempFolder, m_temp)

#undef MOVARA_FAKE_FOLDER

bool FakePlatformServices::acquireInstanceLock(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lockRequests.push_back(name);
    if (!m_lockAvailable || m_lockHeld)
        return false;
    m_lockHeld = true;
    return true;
}

void FakePlatformServices::releaseInstanceLock() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lockHeld = false;
}

SystemTime FakePlatformServices::localTime() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_local)
            return *m_local;
    }
    return PlatformServices::localTime();
}

SystemTime FakePlatformServices::utcTime() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_utc)
            return *m_utc;
    }
    return PlatformServices::utcTime();
}

bool FakePlatformServices::startNetwork() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_networkAvailable;
}

int FakePlatformServices::httpGet(const std::string& url, const std::string& agent,
                                  std::size_t maxBytes, std::string* body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_httpRequests.push_back({url, agent, maxBytes});
    if (body)
        body->clear();
    auto it = m_http.find(url);
    if (!m_networkAvailable || it == m_http.end() || !it->second)
        return -1;
    const std::string answer = it->second->substr(0, std::min(maxBytes, it->second->size()));
    if (body)
        *body = answer;
    return static_cast<int>(answer.size());
}
