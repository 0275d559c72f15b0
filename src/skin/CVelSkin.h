#pragma once

#include "CBaseSkin.h"

// The program's skin: the image table of 35 PNG entries (ids 1 to 35) and "velskin.xml".
class CVelSkin : public CBaseSkin {
public:
    // Image ids of the table; ids are what panes and items store, 0 means no image.
    enum ImageId : int {
        kBtnClose = 1,
        kBtnMax,
        kBtnMaxHot,
        kBtnMin,
        kBtnMainMenu,
        kProgLogo,
        kAddFile,
        kAddDvd,
        kVideoEdit,
        kMoveUp,
        kMoveDown,
        kRemove,
        kBtnPlay,
        kBtnPause,
        kBtnStop,
        kSnapshot,
        kDownMenu,
        kVolumeFull,
        kVolumeHigh,
        kVolumeMiddle,
        kVolumeLow,
        kVolumeMute,
        kBtnBrowse,
        kConvert,
        kJoin,
        kConvertStop,
        kConvertPause,
        kConvertResume,
        kCheckboxNormal,
        kCheckboxChecked,
        kRadioboxNormal,
        kRadioboxChecked,
        kProduct,
        kVideoOriginal,
        kVideoEffect,
        kImageCount = kVideoEffect,
    };
    // Colour ids the window framework asks for by role.
    enum ColorId : int {
        kSpecialTextColor = 101,
        kColorKeyLow = 102,
        kColorKeyHigh = 103,
    };
    // Item state bit that selects the checked box image.
    static constexpr int kStateChecked = 4;

    CVelSkin() = default;
    ~CVelSkin() override;

    int CheckBoxImageId(int state) const override;
    int RadioImageId(int state) const override;
    int SpecialTextColorId() const override { return kSpecialTextColor; }
    int ColorKeyLowId() const override { return kColorKeyLow; }
    int ColorKeyHighId() const override { return kColorKeyHigh; }
    int CloseImageId() const override { return kBtnClose; }
    int MaximizeImageId() const override { return kBtnMax; }
    int RestoreImageId() const override { return kBtnMaxHot; }
    int MinimizeImageId() const override { return kBtnMin; }
    int MenuImageId() const override { return kBtnMainMenu; }
    int IconImageId() const override { return kProgLogo; }
    std::string ImageName(int imageId) const override;
    int FirstImageId() const override { return kBtnClose; }
    int NextImageId(int imageId) const override;
    int ColorIdByName(std::string_view name) const override { return 0; }
    int ObjectIdByName(int windowId, std::string_view name) const override { return 0; }
    std::string StyleSheetName() const override { return "velskin.xml"; }
    int WindowIdByName(std::string_view name) const override { return 0; }
};

// The one skin of the process, created on first use and unloaded at exit.
CVelSkin& theSkin();
