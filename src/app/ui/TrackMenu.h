// The list menu's "Audio track" and "Subtitles" sub-menus: the sound and subtitle tracks of the
// item the menu was opened on, each with its language and coding, the item's choice checked.
// Picking a sound track makes the item's output take its sound from it; picking a subtitle track
// draws it into the pictures ("burns" it), and "Keep as switchable subtitles" goes back to
// keeping the text tracks as soft subtitles where the output can hold them.
#pragma once

#include "MediaItem.h"
#include "velcodecapi.h"

#include <functional>
#include <vector>

class CMenuEx;

// Command ids of the sub-menus' entries (never handled as commands: each entry acts itself).
constexpr int kCmdAudioTrackFirst = 34200;
constexpr int kCmdAudioTrackLast = 34299;
constexpr int kCmdSubtitleFirst = 34300; // "Keep as switchable subtitles"; tracks follow
constexpr int kCmdSubtitleLast = 34399;

struct TrackMenuHooks {
    // The item the list menu was opened on, or null (not on a row).
    std::function<MediaItem*()> item;
    // While this is true (a conversion runs) the tracks are shown, not chosen.
    std::function<bool()> busy;
    // The item's tracks, as the engine lists them.
    std::function<std::vector<tagVeldesTrack>(const MediaItem&)> tracks;
    // After a choice changed the item.
    std::function<void(MediaItem&)> changed;
};

// Appends a separator and the two sub-menus to the list menu; their entries are listed afresh
// each time one opens.
void attachTrackMenus(CMenuEx& listMenu, TrackMenuHooks hooks);
