#pragma once

// What the file rename dialog (CFileRenameDlg, shown by the main window when an output exists and
// the rename dialog is on) decides, without its window: the parts of the existing path, the texts
// it shows, the "Always show this dialog" bit, the validation of a new name and the results.
//
//     CFileRenameLogic logic(path, VelSettings::instance());
//     ... window shows logic.existsText(), edit 1003 starts with logic.name(),
//         the check box with logic.alwaysShow() ...
//     check box toggled:  logic.setAlwaysShow(checked);
//     OK:                 if (logic.pressOk(editText) == kRenameAccepted) close with 1
//     Cancel / Auto:      close with logic.pressCancel() / logic.pressAuto()
//     after OK:           logic.newFullPath() goes back into the engine's path buffer.

#include "VelSettings.h"

#include <optional>
#include <string>

class CFileRenameLogic {
public:
    // This platform's limits: bytes of one file name, and of a whole path.
    static constexpr size_t kMaxNameBytes = 255;
    static constexpr size_t kMaxPathBytes = 4095;

    CFileRenameLogic(const std::string& fullPath, VelSettings& settings);

    // The existing path taken apart: folder (up to and including the last "/"), name (the file
    // name before its last dot) and extension (after it, without the dot).
    const std::string& folder() const { return folder_; }
    const std::string& name() const { return name_; }
    const std::string& extension() const { return extension_; }

    // "File \"name.ext\" already exists." for the dialog's first line.
    std::string existsText() const;

    // The check box: starts from the show-dialog bit; every change writes the bit at once.
    bool alwaysShow() const { return alwaysShow_; }
    void setAlwaysShow(bool on);

    // The message a new name gets, or nothing when it is acceptable: empty, illegal characters,
    // too long (a name over 255 bytes, or a path over 4095), or an existing file.
    std::optional<std::string> validate(const std::string& newName) const;

    // OK with the edit box's text: on failure shows the message (caption "Rename", stop icon)
    // through the platform services and returns 0 (the dialog stays open); otherwise takes the
    // name, writes the bit and returns 1.
    int pressOk(const std::string& newName);
    // Cancel (2, skip this output) and Auto (102, a unique name by the system); both write the bit.
    int pressCancel();
    int pressAuto();

    // folder + name + "." + extension, with the name accepted by OK.
    std::string newFullPath() const;

private:
    std::string joined(const std::string& name) const;
    void writeBit();

    VelSettings& settings_;
    std::string folder_;
    std::string name_;
    std::string extension_;
    bool alwaysShow_ = false;
};
