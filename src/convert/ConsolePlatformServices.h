#pragma once

// Platform services for a program without windows: nothing is ever shown or opened. A message
// box is written to stderr and answered as a person who cannot be asked would answer it: Cancel
// where there is one (so a disk-space shortage ends the conversion instead of retrying forever),
// else No, else OK. The system facilities (disk, folders, clock) are the shared Linux ones, and
// the capture devices are listed as the desktop program lists them.

#include "PlatformServices.h"

#include <cstdio>

class ConsolePlatformServices : public PlatformServices {
public:
    explicit ConsolePlatformServices(std::FILE* messages = stderr) : messages_(messages) {}

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

private:
    std::FILE* messages_;
};
