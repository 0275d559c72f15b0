#include "CVelSkin.h"

#include <array>

namespace {

constexpr std::array<const char*, CVelSkin::kImageCount> kImageNames = {
    "btn_close.png",
    "btn_max.png",
    "btn_max_hot.png",
    "btn_min.png",
    "btn_mainmenu.png",
    "prog_logo.png",
    "add_file.png",
    "add_dvd.png",
    "video_edit.png",
    "move_up.png",
    "move_down.png",
    "remove.png",
    "btn_play.png",
    "btn_pause.png",
    "btn_stop.png",
    "snapshot.png",
    "down_menu.png",
    "volume_full.png",
    "volume_high.png",
    "volume_middle.png",
    "volume_low.png",
    "volume_mute.png",
    "btn_browse.png",
    "convert.png",
    "join.png",
    "convert_stop.png",
    "convert_pause.png",
    "convert_resume.png",
    "checkbox_normal.png",
    "checkbox_checked.png",
    "radiobox_normal.png",
    "radiobox_checked.png",
    "product.png",
    "video_original.png",
    "video_effect.png",
};

} // namespace

CVelSkin::~CVelSkin() {
    Unload();
}

int CVelSkin::CheckBoxImageId(int state) const {
    return state == kStateChecked ? kCheckboxChecked : kCheckboxNormal;
}

int CVelSkin::RadioImageId(int state) const {
    return state == kStateChecked ? kRadioboxChecked : kRadioboxNormal;
}

std::string CVelSkin::ImageName(int imageId) const {
    if (imageId < 1 || imageId > kImageCount)
        return {};
    return kImageNames[static_cast<size_t>(imageId - 1)];
}

int CVelSkin::NextImageId(int imageId) const {
    return imageId + 1 < kImageCount + 1 ? imageId + 1 : -1;
}

CVelSkin& theSkin() {
    static CVelSkin skin;
    return skin;
}
