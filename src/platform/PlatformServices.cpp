#include "PlatformServices.h"

#include "DesktopNotifier.h"
#include "DiskSpace.h"
#include "HttpClient.h"
#include "InstanceChannel.h"
#include "LauncherEntry.h"
#include "SleepInhibitor.h"
#include "SystemClock.h"
#include "SystemFolders.h"
#include "UiThread.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QString>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<PlatformServices*> g_services{nullptr};

// Runs `work` on the user-interface thread and hands its value back to the calling thread.
template <class Work> auto onUiThread(Work work) -> decltype(work()) {
    decltype(work()) value{};
    runOnUiThread([&]() -> intptr_t {
        value = work();
        return 1;
    });
    return value;
}

unsigned validButtons(unsigned buttons) {
    const unsigned set = buttons & MB_TYPEMASK;
    switch (set) {
    case MB_OK:
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_YESNO:
    case MB_RETRYCANCEL:
        return set;
    default:
        return MB_OK;
    }
}

unsigned validIcon(unsigned buttons, unsigned icon) {
    const unsigned kind = (icon != MB_ICONNONE ? icon : buttons) & MB_ICONMASK;
    return kind <= MB_ICONINFORMATION ? kind : MB_ICONNONE;
}

} // namespace

PlatformServices::PlatformServices() : m_sleepInhibitor(std::make_unique<SleepInhibitor>()) {}

PlatformServices::~PlatformServices() {
    // A request running on some worker is inside this object: it ends before the object does.
    platform::cancelHttpRequests();
    releaseInstanceLock();
}

int PlatformServices::messageBox(const std::string& text, const std::string& caption,
                                 unsigned buttons, unsigned icon) {
    const unsigned set = validButtons(buttons);
    const unsigned kind = validIcon(buttons, icon);
    return onUiThread([&] { return doMessageBox(text, caption, set, kind); });
}

std::vector<std::string> PlatformServices::openFilesDialog(const std::string& caption,
                                                           const std::string& filter,
                                                           const std::string& initialFolder) {
    return onUiThread([&] { return doOpenFilesDialog(caption, filter, initialFolder); });
}

std::string PlatformServices::browseFolder(const std::string& title,
                                           const std::string& initialFolder) {
    return onUiThread([&] { return doBrowseFolder(title, initialFolder); });
}

std::optional<uint32_t> PlatformServices::chooseColor(uint32_t initial) {
    return onUiThread([&] { return doChooseColor(initial); });
}

bool PlatformServices::openDocument(const std::string& pathOrUrl) {
    return onUiThread([&] { return doOpenDocument(pathOrUrl); });
}

int PlatformServices::showInFileManager(const std::string& path) {
    return onUiThread([&] { return doShowInFileManager(path); });
}

void PlatformServices::powerOff() {
    onUiThread([&] {
        doPowerOff();
        return 0;
    });
}

std::vector<std::string> PlatformServices::fontFamilies() {
    return onUiThread([&] { return doFontFamilies(); });
}

ScreenRect PlatformServices::screenGeometry() {
    return onUiThread([&] { return doScreenGeometry(); });
}

ScreenRect PlatformServices::workArea() {
    return onUiThread([&] { return doWorkArea(); });
}

void PlatformServices::setDesktopEntry(const std::string& id, const std::string& icon) {
    std::lock_guard lock(m_desktopMutex);
    m_desktopEntry = id;
    m_icon = icon;
}

void PlatformServices::holdSleepInhibitor(bool hold, const std::string& why) {
    m_sleepInhibitor->hold(hold, QCoreApplication::applicationName().toStdString(), why);
}

void PlatformServices::setLauncherProgress(std::optional<double> fraction,
                                           std::optional<int64_t> count) {
    std::string entry;
    {
        std::lock_guard lock(m_desktopMutex);
        entry = m_desktopEntry;
    }
    platform::updateLauncherEntry(entry, fraction, count);
}

void PlatformServices::notifyDesktop(const std::string& summary, const std::string& body,
                                     const std::string& folder) {
    onUiThread([&] {
        doNotifyDesktop(summary, body, folder);
        return 0;
    });
}

void PlatformServices::doNotifyDesktop(const std::string& summary, const std::string& body,
                                       const std::string& folder) {
    if (!m_notifier)
        m_notifier = std::make_unique<DesktopNotifier>();
    DesktopNotifier::Note note;
    note.appName = QCoreApplication::applicationName().toStdString();
    {
        std::lock_guard lock(m_desktopMutex);
        note.icon = m_icon;
        note.desktopEntry = m_desktopEntry;
    }
    note.summary = summary;
    note.body = body;
    if (!folder.empty()) {
        note.actionLabel = "Show output folder";
        note.action = [this, folder] { openDocument(folder); };
    }
    m_notifier->notify(note);
}

std::optional<uint64_t> PlatformServices::freeDiskSpace(const std::string& folder) {
    return platform::freeDiskSpace(folder);
}

std::string PlatformServices::mountPointOf(const std::string& folder) {
    return platform::mountPointOf(folder);
}

std::string PlatformServices::documentsFolder() {
    return platform::documentsFolder();
}

std::string PlatformServices::executableFolder() {
    return platform::executableFolder();
}

std::string PlatformServices::dataFolder() {
    return platform::dataFolderFor(executableFolder());
}

std::string PlatformServices::writableFolder() {
    return platform::writableFolderFor(executableFolder(), platform::configHome());
}

std::string PlatformServices::tempFolder() {
    return platform::tempFolder();
}

std::string PlatformServices::tempFileName(const std::string& folder, const std::string& prefix) {
    return platform::createTempFile(folder.empty() ? tempFolder() : folder, prefix);
}

bool PlatformServices::acquireInstanceLock(const std::string& name) {
    if (m_instanceLock || name.empty() || name.find('/') != std::string::npos)
        return false;
    auto lock =
        std::make_unique<QLockFile>(QString::fromStdString(platform::instanceLockPath(name)));
    // Only a dead owner makes a lock stale: a long-running instance keeps its lock.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_instanceLock = std::move(lock);
    return true;
}

void PlatformServices::releaseInstanceLock() {
    m_instanceChannel.reset();
    if (m_instanceLock) {
        m_instanceLock->unlock();
        m_instanceLock.reset();
    }
}

bool PlatformServices::listenForInstances(const std::string& name,
                                          std::function<void(std::vector<std::string>)> receiver) {
    if (!m_instanceLock || m_instanceChannel)
        return false;
    auto channel = std::make_unique<InstanceChannel>(std::move(receiver));
    if (!channel->listen(platform::instanceSocketPath(name)))
        return false;
    m_instanceChannel = std::move(channel);
    return true;
}

bool PlatformServices::handOverToInstance(const std::string& name,
                                          const std::vector<std::string>& files) {
    // The running instance may have just taken the lock and not yet be listening.
    constexpr int kHandOverTimeoutMs = 5000;
    return InstanceChannel::handOver(platform::instanceSocketPath(name), files, kHandOverTimeoutMs);
}

SystemTime PlatformServices::localTime() {
    return platform::localTime();
}

SystemTime PlatformServices::utcTime() {
    return platform::utcTime();
}

void PlatformServices::cancelWebRequests() {
    platform::cancelHttpRequests();
}

bool PlatformServices::startNetwork() {
    return platform::startNetwork();
}

int PlatformServices::httpGet(const std::string& url, const std::string& agent,
                              std::size_t maxBytes, std::string* body) {
    return platform::httpGet(url, agent, maxBytes, body);
}

PlatformServices& platformServices() {
    PlatformServices* services = g_services.load(std::memory_order_acquire);
    if (!services) {
        std::fputs("Movara: no platform services installed\n", stderr);
        std::abort();
    }
    return *services;
}

PlatformServices* installPlatformServices(PlatformServices* services) {
    return g_services.exchange(services, std::memory_order_acq_rel);
}
