// Adding media to the main window's list: the add-files dialog with the loading dialog, the
// add-folder scan, dropped files and folders, and one item per path.
#include "CMovaraDlg.h"

#include "CommandIds.h"
#include "MediaFileTypes.h"
#include "ScanEscapeLatch.h"

#include "CFileListWnd.h"
#include "CLoadFileDlg.h"
#include "CMsgBrowseDir.h"
#include "FileListNotify.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderTitle = "Please select a folder : ";
// How often handed-over files look again whether the window is free to add them.
constexpr int kHandOverRetryMs = 300;

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

int CMovaraDlg::AddFileByPath(const std::string& path) {
    if (!m_fileList)
        return -1;
    MediaItem item;
    item.sourcePath = path;
    item.displayName = fileNameOf(path);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status)) {
        std::error_code sizeError;
        const auto bytes = fs::file_size(path, sizeError);
        if (!sizeError)
            item.sourceSize = static_cast<int32_t>(bytes / 1024);
    } else if (ec != std::errc::permission_denied) {
        // Missing (not merely unreadable): shown as "Not Exist" and left out of conversions.
        item.setState(kItemNotExist, kItemChecked);
    }
    item.profile = SelectedProfile();
    if (!item.profile)
        item.profile = m_catalogue.defaultProfile();
    int index = -1;
    {
        const auto change = m_convert.listChange();
        index = m_fileList->Add(item);
    }
    if (index < 0)
        return -1;
    return LoadItem(index) ? index : -1;
}

int CMovaraDlg::RestoreItem(const MediaItem& item, const std::string& output) {
    if (!m_fileList)
        return -1;
    const int index = m_fileList->Add(item);
    if (index < 0 || !LoadItem(index))
        return -1;
    if (!output.empty())
        m_convert.setFinishedOutput(m_fileList->MediaAt(index), output);
    return index;
}

int CMovaraDlg::AddFolder(const std::string& path) {
    // The scanner works with absolute paths; the process's current directory stays where it
    // is (files opened by bare name must not land in the user's media folders).
    CMsgBrowseDir scanner(this, kMsgBrowseFile);
    if (!scanner.SetInitDir(path))
        return 0;
    // A scan inside a drop keeps the drop's latch: one batch, one Escape.
    std::unique_ptr<ScanEscapeLatch> own;
    if (!m_scanLatch) {
        own = std::make_unique<ScanEscapeLatch>(this);
        m_scanLatch = own.get();
    }
    const bool complete = scanner.BeginBrowse(joinedMediaPatterns());
    if (own)
        m_scanLatch = nullptr;
    return complete ? 1 : 0;
}

intptr_t CMovaraDlg::OnBrowseFile(const char* path) {
    if (!path || m_destroyed)
        return 0;
    AddFileByPath(path);
    // Let the row show and a key press arrive before the next file is looked at.
    QCoreApplication::processEvents();
    if (m_destroyed)
        return 0;
    if (m_scanLatch && m_scanLatch->stopRequested())
        return 0;
    return 1;
}

void CMovaraDlg::OnAddFiles() {
    if (Busy() || m_destroyed)
        return;
    const std::vector<std::string> paths =
        platformServices().openFilesDialog("Open", mediaOpenFilter(), "");
    if (paths.empty())
        return;
    CLoadFileDlg loading(paths, this, this, Skin());
    loading.exec();
}

void CMovaraDlg::OnAddFolder() {
    if (Busy() || m_destroyed)
        return;
    const std::string folder = platformServices().browseFolder(kFolderTitle, "");
    if (!folder.empty())
        AddFolder(folder);
}

void CMovaraDlg::AddDroppedPaths(const std::vector<std::string>& paths) {
    if (Busy() || m_destroyed)
        return;
    // The whole drop is one batch (its folder scans pump events).
    std::unique_ptr<ScanEscapeLatch> own;
    if (!m_scanLatch) {
        own = std::make_unique<ScanEscapeLatch>(this);
        m_scanLatch = own.get();
    }
    for (const std::string& path : paths) {
        if (m_destroyed || m_scanLatch->stopRequested())
            break;
        if (isFolder(path))
            AddFolder(path);
        else
            AddFileByPath(path);
    }
    if (own)
        m_scanLatch = nullptr;
}

void CMovaraDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !Busy())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMovaraDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && !Busy())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMovaraDlg::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty() || Busy()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Added after the drop returns, so the program the files came from is not held up by a
    // long folder scan.
    QMetaObject::invokeMethod(
        this, [this, paths] { AddDroppedPaths(paths); }, Qt::QueuedConnection);
}

void CMovaraDlg::TakeHandedOverFiles(std::vector<std::string> files) {
    if (m_destroyed)
        return;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    m_handedOver.insert(m_handedOver.end(), files.begin(), files.end());
    AddHandedOverFiles();
}

void CMovaraDlg::AddHandedOverFiles() {
    if (m_destroyed || m_handedOver.empty())
        return;
    // Added as "Add File..." adds them, which the window allows only when nothing else runs:
    // no conversion, no scan, no dialog above it. Until then the files wait.
    QWidget* modal = QApplication::activeModalWidget();
    if (Busy() || m_scanLatch || (modal && modal != this)) {
        if (!m_handOverPending) {
            m_handOverPending = true;
            QTimer::singleShot(kHandOverRetryMs, this, [this] {
                m_handOverPending = false;
                AddHandedOverFiles();
            });
        }
        return;
    }
    const std::vector<std::string> paths = std::move(m_handedOver);
    m_handedOver.clear();
    CLoadFileDlg loading(paths, this, this, Skin());
    loading.exec();
}
