// The platform services of the desktop program: Qt Widgets dialogs, the desktop's file manager
// and session over D-Bus, the capture devices FFmpeg's device library can list. Installed by
// main() after the QApplication exists.
#ifndef QTPLATFORMSERVICES_H
#define QTPLATFORMSERVICES_H

#include "PlatformServices.h"

class QtPlatformServices : public PlatformServices {
public:
    std::vector<CaptureDevice> captureDevices(CaptureKind kind) override;

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
};

#endif
