// One seam for everything that leaves the process or waits for a person. main() installs the
// Qt implementation, tests install a scripted fake; everything else asks platformServices().
//
// Facilities that show something or talk to the desktop session follow one rule: the public
// function may be called from any thread; it runs the protected do...() implementation on the
// user-interface thread and blocks the caller until it has run there (a message box asked for by
// a conversion thread is shown by the user-interface thread while the conversion thread waits).
// The system facilities (disk, folders, temporary files, the instance lock, the clock, the web
// client) have Linux implementations here that every implementation shares; an implementation
// overrides only what it must.
#ifndef PLATFORMSERVICES_H
#define PLATFORMSERVICES_H

#include "PlatformTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class DesktopNotifier;
class InstanceChannel;
class QLockFile;
class SleepInhibitor;

class PlatformServices {
public:
    PlatformServices();
    virtual ~PlatformServices();

    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

    // --- asking the person (user-interface thread) ---

    // A modal box with exactly this caption and text. `buttons` is one of the MB_ button sets,
    // `icon` one of the MB_ICON values (an icon or-ed into `buttons` is understood too). Returns
    // IDOK, IDCANCEL, IDRETRY, IDYES or IDNO.
    int messageBox(const std::string& text, const std::string& caption, unsigned buttons,
                   unsigned icon = MB_ICONNONE);

    // Multi-selection open dialog for existing files. `filter` is "Name|*.a;*.b|Name2|*.c|"
    // (patterns match whatever the letter case). Returns the chosen paths in order; empty when
    // cancelled.
    std::vector<std::string> openFilesDialog(const std::string& caption, const std::string& filter,
                                             const std::string& initialFolder);

    // Folder chooser; an empty result means cancelled.
    std::string browseFolder(const std::string& title, const std::string& initialFolder);

    // Colour chooser; colours are 0x00BBGGRR (red in the low byte). Empty when cancelled.
    std::optional<uint32_t> chooseColor(uint32_t initial);

    // --- the desktop session (user-interface thread) ---

    // Opens a document with its default application, or a URL ("scheme://...") in the browser.
    bool openDocument(const std::string& pathOrUrl);

    // Shows the file manager with `path` selected (the folder, when the file is missing).
    // Above 32 is success, 32 or less failure (SHELL_ values).
    int showInFileManager(const std::string& path);

    // Asks the system to power off. Failures are ignored: the computer then stays on.
    void powerOff();

    // Installed scalable font families, in the font database's order.
    std::vector<std::string> fontFamilies();

    // The screen in use (the one the window in front is on, else the primary one), and the part
    // of it not covered by panels, in the desktop's device pixels: what a screen recording
    // captures, whatever the display's scaling and wherever the screen sits on the desktop.
    ScreenRect screenGeometry();
    ScreenRect workArea();

    // --- the desktop's own services (D-Bus; DesktopBuses.h says which buses) ---
    // Each does nothing where the desktop lacks the service.

    // The desktop entry the program is known by (its .desktop file's name without the
    // extension) and the icon its notifications show. Without an entry there is no launcher to
    // show progress on.
    void setDesktopEntry(const std::string& id, const std::string& icon);

    // While held, the computer neither suspends nor goes to sleep when idle; `why` is what the
    // desktop lists as the reason. Holding while held, or releasing while released, changes
    // nothing; destruction releases. Any thread.
    virtual void holdSleepInhibitor(bool hold, const std::string& why);

    // The program's launcher shows `fraction` (0..1) of the work done as a bar and `count` as a
    // badge; nullopt hides either. Any thread.
    virtual void setLauncherProgress(std::optional<double> fraction, std::optional<int64_t> count);

    // A desktop notification (user-interface thread). When `folder` is not empty it carries the
    // action "Show output folder", which opens the folder with openDocument.
    void notifyDesktop(const std::string& summary, const std::string& body,
                       const std::string& folder);

    // --- capture devices (any thread) ---
    virtual std::vector<CaptureDevice> captureDevices(CaptureKind kind) = 0;

    // --- the system (any thread; Linux implementations) ---

    // Bytes available to this user on the file system holding `folder`; empty when unknown.
    virtual std::optional<uint64_t> freeDiskSpace(const std::string& folder);
    // The mount point of the file system `folder` lives on (this platform's "drive").
    virtual std::string mountPointOf(const std::string& folder);

    // Folders are absolute, without a trailing "/".
    virtual std::string documentsFolder();
    virtual std::string executableFolder();
    // Read-only data (skin/, help): next to the executable when it has skin/, else
    // ../share/movara beside it.
    virtual std::string dataFolder();
    // Where Movara.cfg and VelCustomProfile.xml live: next to the executable when that folder is
    // writable, else $XDG_CONFIG_HOME/Movara (created on demand).
    virtual std::string writableFolder();
    virtual std::string tempFolder();
    // Creates a new, empty, uniquely named file "<folder>/<prefix>XXXXXX" and returns its path
    // (the temporary folder when `folder` is empty); empty on failure.
    virtual std::string tempFileName(const std::string& folder, const std::string& prefix);

    // Single-instance lock named `name` in the user's runtime folder. False when another live
    // process (or another lock in this one) holds it; a lock left by a crashed process is taken
    // over. Held until releaseInstanceLock or destruction.
    virtual bool acquireInstanceLock(const std::string& name);
    virtual void releaseInstanceLock();
    // The holder of the lock `name` takes files from later starts: `receiver` runs on this
    // thread with each hand-over's files (none for a bare second start). Stops with the lock.
    virtual bool listenForInstances(const std::string& name,
                                    std::function<void(std::vector<std::string>)> receiver);
    // A later start hands its files to the holder of the lock `name`; true once that instance
    // confirmed it took them (false when none listens, within a few seconds).
    virtual bool handOverToInstance(const std::string& name, const std::vector<std::string>& files);

    virtual SystemTime localTime();
    virtual SystemTime utcTime();

    // Ends the web requests in flight now (they fail) and waits until they returned.
    virtual void cancelWebRequests();
    // Prepares the web client once per process; false when it cannot work.
    virtual bool startNetwork();
    // One GET of `url` over a direct connection; the body is cut at maxBytes. Returns the number
    // of bytes read into *body, or -1 when the request failed (no answer, or an HTTP error).
    virtual int httpGet(const std::string& url, const std::string& agent, std::size_t maxBytes,
                        std::string* body);

protected:
    // Implementations of the user-interface facilities; called on the user-interface thread.
    // The message box gets a valid button set (MB_ constants) and icon (MB_ICON constants).
    virtual int doMessageBox(const std::string& text, const std::string& caption, unsigned buttons,
                             unsigned icon) = 0;
    virtual std::vector<std::string> doOpenFilesDialog(const std::string& caption,
                                                       const std::string& filter,
                                                       const std::string& initialFolder) = 0;
    virtual std::string doBrowseFolder(const std::string& title,
                                       const std::string& initialFolder) = 0;
    virtual std::optional<uint32_t> doChooseColor(uint32_t initial) = 0;
    virtual bool doOpenDocument(const std::string& pathOrUrl) = 0;
    virtual int doShowInFileManager(const std::string& path) = 0;
    virtual void doPowerOff() = 0;
    virtual std::vector<std::string> doFontFamilies() = 0;
    virtual ScreenRect doScreenGeometry() = 0;
    virtual ScreenRect doWorkArea() = 0;
    // The desktop's notification service; the default asks it over the session bus.
    virtual void doNotifyDesktop(const std::string& summary, const std::string& body,
                                 const std::string& folder);

private:
    std::mutex m_desktopMutex;
    std::string m_desktopEntry, m_icon;
    std::unique_ptr<SleepInhibitor> m_sleepInhibitor;
    std::unique_ptr<DesktopNotifier> m_notifier; // made on the user-interface thread
    std::unique_ptr<QLockFile> m_instanceLock;
    std::unique_ptr<InstanceChannel> m_instanceChannel;
};

// The installed services. Calling it before anything was installed is a programming error and
// ends the process with a message.
PlatformServices& platformServices();

// Installs `services` (not owned; null uninstalls) and returns what was installed before.
PlatformServices* installPlatformServices(PlatformServices* services);

// Installs services for a scope and puts the previous ones back at its end.
class ScopedPlatformServices {
public:
    explicit ScopedPlatformServices(PlatformServices& services)
        : m_previous(installPlatformServices(&services)) {}
    ~ScopedPlatformServices() { installPlatformServices(m_previous); }
    ScopedPlatformServices(const ScopedPlatformServices&) = delete;
    ScopedPlatformServices& operator=(const ScopedPlatformServices&) = delete;

private:
    PlatformServices* m_previous;
};

#endif
