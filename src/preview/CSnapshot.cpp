#include "CSnapshot.h"

#include "OutputNaming.h"
#include "PlatformServices.h"
#include "VelSettings.h"

#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

constexpr const char* kCaption = "Movara";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void error(const std::string& text) {
    platformServices().messageBox(text, kCaption, MB_OK, MB_ICONERROR);
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace

QImage CSnapshot::FromPixels(const void* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0)
        return {};
    // Bytes B, G, R, x are QImage's RGB32 in memory order; the fourth byte is ignored.
    const QImage view(static_cast<const uchar*>(pixels), width, height, width * 4,
                      QImage::Format_RGB32);
    return view.copy();
}

std::string CSnapshot::MimeType(const std::string& format) {
    return "image/" + lower(format);
}

std::string CSnapshot::FilePath(const std::string& folder, const std::string& outputFileName,
                                const std::string& format, const SystemTime& now,
                                const std::function<bool(const std::string&)>& exists) {
    const size_t dot = outputFileName.rfind('.');
    const std::string base =
        dot == std::string::npos ? outputFileName : outputFileName.substr(0, dot);
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    return uniqueOutputName(prefix + base + "." + lower(format), now, exists);
}

std::string CSnapshot::Save(const QImage& image, const VelSettings& settings,
                            const std::string& outputFileName) {
    const std::string& folder = settings.snapshotFolder;
    if (!isFolder(folder)) {
        error("The snapshot path '" + folder + "' not exist!");
        return {};
    }
    const QByteArray mime = QByteArray::fromStdString(MimeType(settings.snapshotFormat));
    const QList<QByteArray> mimes = QImageWriter::supportedMimeTypes();
    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime);
    if (!mimes.contains(mime) || formats.isEmpty()) {
        error("Failed to get the image encoder clsid");
        return {};
    }
    const std::string path = FilePath(folder, outputFileName, settings.snapshotFormat,
                                      platformServices().localTime(), pathExists);
    // Written beside its name and moved there only when complete: a failure leaves no file.
    QSaveFile file(QString::fromStdString(path));
    bool saved = !image.isNull() && file.open(QIODevice::WriteOnly);
    if (saved) {
        QImageWriter writer(&file, formats.first());
        saved = writer.write(image) && file.commit();
    }
    if (!saved) {
        file.cancelWriting();
        error("Failed to save the snapshot image to file");
        return {};
    }
    // The folder was just written to: a failure here is the desktop's, not a missing folder.
    if (settings.option(kOptionOpenSnapshotFolder) &&
        platformServices().showInFileManager(path) <= 32)
        error("The folder \"" + folder + "\" could not be shown.");
    return path;
}
