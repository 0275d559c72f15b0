#include "CFileRenameLogic.h"

#include "CVelConvert.h"
#include "OutputNaming.h"
#include "PlatformServices.h"

#include <string_view>

namespace {

// Kept from the system's other platform: names with these characters do not travel to every
// file system a user copies outputs to (memory cards, shares).
constexpr std::string_view kIllegalCharacters = "\\/:*?\"<>|";

} // namespace

CFileRenameLogic::CFileRenameLogic(const std::string& fullPath, VelSettings& settings)
    : settings_(settings) {
    const size_t slash = fullPath.rfind('/');
    const std::string fileName = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
    folder_ = slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) {
        name_ = fileName;
    } else {
        name_ = fileName.substr(0, dot);
        extension_ = fileName.substr(dot + 1);
    }
    alwaysShow_ = settings_.option(kOptionShowRenameDialog);
}

std::string CFileRenameLogic::joined(const std::string& name) const {
    return extension_.empty() ? name : name + "." + extension_;
}

std::string CFileRenameLogic::existsText() const {
    return "File \"" + joined(name_) + "\" already exists.";
}

void CFileRenameLogic::setAlwaysShow(bool on) {
    alwaysShow_ = on;
    writeBit();
}

void CFileRenameLogic::writeBit() {
    settings_.setOption(kOptionShowRenameDialog, alwaysShow_);
}

std::optional<std::string> CFileRenameLogic::validate(const std::string& newName) const {
    if (newName.empty()) {
        return std::string("File name can not be empty");
    }
    if (newName.find_first_of(kIllegalCharacters) != std::string::npos) {
        return std::string("File name contains illegal characters.\nA file name cannot contain "
                           "any of the following characters\n\t\\ / : * ? \" < > |");
    }
    const std::string fileName = joined(newName);
    const std::string path = folder_ + fileName;
    size_t limit = 0;
    if (fileName.size() > kMaxNameBytes) {
        limit = kMaxNameBytes;
    } else if (path.size() > kMaxPathBytes) {
        limit = kMaxPathBytes;
    }
    if (limit != 0) {
        return "File \"" + path + "\" is too long (maximum length is " + std::to_string(limit) +
               ")";
    }
    if (pathExists(path)) {
        return "File \"" + fileName + "\" already exists.";
    }
    return std::nullopt;
}

int CFileRenameLogic::pressOk(const std::string& newName) {
    if (const auto failure = validate(newName)) {
        platformServices().messageBox(*failure, "Rename", MB_OK, MB_ICONSTOP);
        return 0;
    }
    name_ = newName;
    writeBit();
    return kRenameAccepted;
}

int CFileRenameLogic::pressCancel() {
    writeBit();
    return kRenameSkip;
}

int CFileRenameLogic::pressAuto() {
    writeBit();
    return kRenameAuto;
}

std::string CFileRenameLogic::newFullPath() const {
    return folder_ + joined(name_);
}
