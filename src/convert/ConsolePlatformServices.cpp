#include "ConsolePlatformServices.h"

#include "CaptureDeviceList.h"

std::vector<CaptureDevice> ConsolePlatformServices::captureDevices(CaptureKind kind) {
    return platform::listCaptureDevices(kind);
}

int ConsolePlatformServices::doMessageBox(const std::string& text, const std::string& caption,
                                          unsigned buttons, unsigned) {
    int answer = IDOK;
    const char* answerName = "OK";
    switch (buttons & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL:
        answer = IDCANCEL;
        answerName = "Cancel";
        break;
    case MB_YESNO:
        answer = IDNO;
        answerName = "No";
        break;
    default:
        break;
    }
    std::fprintf(messages_, "%s: %s [%s]\n", caption.c_str(), text.c_str(), answerName);
    std::fflush(messages_);
    return answer;
}

std::vector<std::string> ConsolePlatformServices::doOpenFilesDialog(const std::string&,
                                                                    const std::string&,
                                                                    const std::string&) {
    return {};
}

std::string ConsolePlatformServices::doBrowseFolder(const std::string&, const std::string&) {
    return {};
}

std::optional<uint32_t> ConsolePlatformServices::doChooseColor(uint32_t) {
    return std::nullopt;
}

bool ConsolePlatformServices::doOpenDocument(const std::string&) {
    return false;
}

int ConsolePlatformServices::doShowInFileManager(const std::string&) {
    return SHELL_PATH_NOT_FOUND;
}

void ConsolePlatformServices::doPowerOff() {}

std::vector<std::string> ConsolePlatformServices::doFontFamilies() {
    return {};
}

ScreenRect ConsolePlatformServices::doScreenGeometry() {
    return {};
}

ScreenRect ConsolePlatformServices::doWorkArea() {
    return {};
}
