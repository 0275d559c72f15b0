#include "QtPlatformServices.h"

#include "CaptureDeviceList.h"
#include "DesktopBus.h"
#include "QtDialogSupport.h"

#include <QApplication>
#include <QColor>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// The screen of the window in front (a dialog asking about the screen is that window), else the
// primary one.
const QScreen* screenInUse() {
    if (const QWidget* active = QApplication::activeWindow())
        if (const QScreen* screen = active->screen())
            return screen;
    return QGuiApplication::primaryScreen();
}

// A rectangle of the screen in the desktop's device pixels, which is what a recording captures.
// Scaling keeps a screen's origin in device pixels and divides only what lies beyond it.
ScreenRect devicePixels(const QScreen& screen, const QRect& rect) {
    const QPoint origin = screen.geometry().topLeft();
    const qreal ratio = screen.devicePixelRatio();
    auto scaled = [ratio](int length) { return static_cast<int>(std::lround(length * ratio)); };
    const int left = origin.x() + scaled(rect.left() - origin.x());
    const int top = origin.y() + scaled(rect.top() - origin.y());
    return ScreenRect{left, top, left + scaled(rect.width()), top + scaled(rect.height())};
}

bool looksLikeUrl(const QString& text) {
    return text.contains("://") || text.startsWith("mailto:", Qt::CaseInsensitive);
}

} // namespace

std::vector<CaptureDevice> QtPlatformServices::captureDevices(CaptureKind kind) {
    return platform::listCaptureDevices(kind);
}

int QtPlatformServices::doMessageBox(const std::string& text, const std::string& caption,
                                     unsigned buttons, unsigned icon) {
    QMessageBox box;
    platform::setUpMessageBox(box, text, caption, buttons, icon);
    box.exec();
    return platform::classicAnswer(box.standardButton(box.clickedButton()), buttons);
}

std::vector<std::string> QtPlatformServices::doOpenFilesDialog(const std::string& caption,
                                                               const std::string& filter,
                                                               const std::string& initialFolder) {
    QFileDialog dialog;
    platform::setUpOpenFilesDialog(dialog, caption, filter, initialFolder);
    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted)
        return paths;
    for (const QString& file : dialog.selectedFiles())
        paths.push_back(QDir::cleanPath(file).toStdString());
    return paths;
}

std::string QtPlatformServices::doBrowseFolder(const std::string& title,
                                               const std::string& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        nullptr, QString::fromStdString(title), QString::fromStdString(initialFolder),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    return folder.isEmpty() ? std::string() : QDir::cleanPath(folder).toStdString();
}

std::optional<uint32_t> QtPlatformServices::doChooseColor(uint32_t initial) {
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(start);
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
           static_cast<uint32_t>(chosen.blue()) << 16;
}

bool QtPlatformServices::doOpenDocument(const std::string& pathOrUrl) {
    const QString text = QString::fromStdString(pathOrUrl);
    if (text.isEmpty())
        return false;
    const QUrl url = looksLikeUrl(text) ? QUrl(text) : QUrl::fromLocalFile(text);
    return url.isValid() && QDesktopServices::openUrl(url);
}

int QtPlatformServices::doShowInFileManager(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (path.empty() || !QFileInfo(info.absolutePath()).isDir())
        return SHELL_PATH_NOT_FOUND;
    if (info.exists() && platform::showItemsInFileManager(info.absoluteFilePath()))
        return SHELL_OK;
    // No file manager answers on the bus (or the file is gone): open the folder instead.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath())))
        return SHELL_OK;
    return SHELL_FILE_NOT_FOUND;
}

void QtPlatformServices::doPowerOff() {
    platform::requestPowerOff();
}

std::vector<std::string> QtPlatformServices::doFontFamilies() {
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isSmoothlyScalable(family))
            continue;
        // Symbol-only faces (dingbats) cannot draw words.
        const auto systems = QFontDatabase::writingSystems(family);
        if (systems.isEmpty() || (systems.size() == 1 && systems.front() == QFontDatabase::Symbol))
            continue;
        // Qt tells faces of one family from several foundries apart as "Name [Foundry]"; the
        // desktop, and fontconfig when the text is drawn, know them by the name alone.
        QString name = family;
        const qsizetype bracket = name.indexOf(QStringLiteral(" ["));
        if (bracket > 0 && name.endsWith(QLatin1Char(']')))
            name.truncate(bracket);
        std::string text = name.toStdString();
        if (std::find(families.begin(), families.end(), text) == families.end())
            families.push_back(std::move(text));
    }
    return families;
}

ScreenRect QtPlatformServices::doScreenGeometry() {
    const QScreen* screen = screenInUse();
    return screen ? devicePixels(*screen, screen->geometry()) : ScreenRect{};
}

ScreenRect QtPlatformServices::doWorkArea() {
    const QScreen* screen = screenInUse();
    return screen ? devicePixels(*screen, screen->availableGeometry()) : ScreenRect{};
}
