#include "TrackMenu.h"

#include "CMenuEx.h"

#include <QAction>

#include <memory>

namespace {

QAction* disabledEntry(CMenuEx& popup, int command, const char* text) {
    QAction* entry = popup.AppendItem(command, QString::fromUtf8(text));
    entry->setEnabled(false);
    return entry;
}

QAction* choice(CMenuEx& popup, int command, const std::string& text, bool checked, bool enabled) {
    QAction* entry = popup.AppendItem(command, QString::fromStdString(text));
    entry->setCheckable(true);
    entry->setChecked(checked);
    entry->setEnabled(enabled);
    return entry;
}

void fillAudio(CMenuEx& popup, const std::shared_ptr<TrackMenuHooks>& hooks) {
    popup.clear();
    MediaItem* item = hooks->item();
    if (!item) {
        disabledEntry(popup, kCmdAudioTrackFirst, "No item");
        return;
    }
    const std::vector<tagVeldesTrack> tracks = hooks->tracks(*item);
    const int32_t chosen = effectiveAudioTrack(*item, tracks);
    // One track is no choice: shown, not offered.
    int sounds = 0;
    for (const tagVeldesTrack& t : tracks)
        sounds += t.type == VELDES_STREAM_AUDIO;
    const bool open = sounds > 1 && !hooks->busy();
    int command = kCmdAudioTrackFirst;
    for (const tagVeldesTrack& t : tracks) {
        if (t.type != VELDES_STREAM_AUDIO || command > kCmdAudioTrackLast)
            continue;
        QAction* entry = choice(popup, command++, trackDescription(t), t.number == chosen, open);
        const int32_t number = t.number;
        QObject::connect(entry, &QAction::triggered, &popup, [hooks, item, number] {
            if (hooks->busy() || item != hooks->item())
                return;
            item->audioTrack = number;
            hooks->changed(*item);
        });
    }
    if (sounds == 0)
        disabledEntry(popup, kCmdAudioTrackFirst, "No sound track");
}

void fillSubtitles(CMenuEx& popup, const std::shared_ptr<TrackMenuHooks>& hooks) {
    popup.clear();
    MediaItem* item = hooks->item();
    if (!item) {
        disabledEntry(popup, kCmdSubtitleFirst, "No item");
        return;
    }
    const std::vector<tagVeldesTrack> tracks = hooks->tracks(*item);
    std::vector<const tagVeldesTrack*> subtitles;
    for (const tagVeldesTrack& t : tracks)
        if (t.type == VELDES_STREAM_SUBTITLE)
            subtitles.push_back(&t);
    if (subtitles.empty()) {
        disabledEntry(popup, kCmdSubtitleFirst, "No subtitle track");
        return;
    }
    const bool open = !hooks->busy();
    auto pick = [hooks, item](int32_t burn) {
        return [hooks, item, burn] {
            if (hooks->busy() || item != hooks->item())
                return;
            item->burnSubtitles = burn;
            hooks->changed(*item);
        };
    };
    bool burnedKnown = false;
    for (const tagVeldesTrack* t : subtitles)
        burnedKnown |= t->number == item->burnSubtitles;
    QAction* keep = choice(popup, kCmdSubtitleFirst, "Keep as switchable subtitles",
                           !burnedKnown, open);
    QObject::connect(keep, &QAction::triggered, &popup, pick(0));
    popup.AppendSeparator();
    int command = kCmdSubtitleFirst + 1;
    for (const tagVeldesTrack* t : subtitles) {
        if (command > kCmdSubtitleLast)
            break;
        QAction* entry = choice(popup, command++, "Burn in " + trackDescription(*t),
                                t->number == item->burnSubtitles, open);
        QObject::connect(entry, &QAction::triggered, &popup, pick(t->number));
    }
}

} // namespace

void attachTrackMenus(CMenuEx& listMenu, TrackMenuHooks hooks) {
    auto shared = std::make_shared<TrackMenuHooks>(std::move(hooks));
    listMenu.AppendSeparator();
    CMenuEx* audio = listMenu.AppendPopup(QStringLiteral("Audio track"));
    QObject::connect(audio, &QMenu::aboutToShow, audio,
                     [audio, shared] { fillAudio(*audio, shared); });
    CMenuEx* subtitles = listMenu.AppendPopup(QStringLiteral("Subtitles"));
    QObject::connect(subtitles, &QMenu::aboutToShow, subtitles,
                     [subtitles, shared] { fillSubtitles(*subtitles, shared); });
}
