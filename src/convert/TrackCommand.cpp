#include "TrackCommand.h"

#include "ConsoleSession.h"
#include "MediaItem.h"
#include "VelSettings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

int countOf(const std::vector<tagVeldesTrack>& tracks, int type) {
    return int(std::count_if(tracks.begin(), tracks.end(),
                             [type](const tagVeldesTrack& t) { return t.type == type; }));
}

std::string countText(int count, const char* kind) {
    return count == 0 ? std::string("it has no ") + kind + " track"
                      : "it has " + std::to_string(count) + " " + kind + " track" +
                            (count == 1 ? "" : "s");
}

void printJson(const std::string& file, const tagVeldesTrack& t) {
    QJsonObject object;
    object["file"] = QString::fromStdString(file);
    object["type"] = t.type == VELDES_STREAM_AUDIO ? "audio" : "subtitle";
    object["number"] = t.number;
    object["language"] = QString::fromUtf8(t.language);
    object["codec"] = QString::fromUtf8(t.codec);
    object["title"] = QString::fromUtf8(t.title);
    object["default"] = (t.flags & VELDES_TRACK_DEFAULT) != 0;
    if (t.type == VELDES_STREAM_AUDIO) {
        object["channels"] = t.channels;
        object["sampleRate"] = t.sampleRate;
    } else {
        object["text"] = (t.flags & VELDES_TRACK_TEXT) != 0;
        object["forced"] = (t.flags & VELDES_TRACK_FORCED) != 0;
    }
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

} // namespace

std::string trackRefusal(const ConvertOptions& options, const std::vector<tagVeldesTrack>& tracks) {
    auto has = [&tracks](int type, int number) {
        return std::any_of(tracks.begin(), tracks.end(), [&](const tagVeldesTrack& t) {
            return t.type == type && t.number == number;
        });
    };
    if (options.audioTrack > 0 && !has(VELDES_STREAM_AUDIO, options.audioTrack))
        return "no sound track " + std::to_string(options.audioTrack) + ": " +
               countText(countOf(tracks, VELDES_STREAM_AUDIO), "sound") + " (see --list-tracks)";
    if (options.burnSubtitles > 0 && !has(VELDES_STREAM_SUBTITLE, options.burnSubtitles))
        return "no subtitle track " + std::to_string(options.burnSubtitles) + ": " +
               countText(countOf(tracks, VELDES_STREAM_SUBTITLE), "subtitle") +
               " (see --list-tracks)";
    return {};
}

int listTracksOfFiles(const ConvertOptions& options) {
    ConsoleSession session;
    CVelConvert& convert = session.convert();
    bool allRead = true;
    for (const std::string& file : options.files) {
        MediaItem item;
        item.sourcePath = ConsoleSession::sourcePath(file);
        std::vector<tagVeldesTrack> tracks;
        if (!convert.addItem(&item) || !convert.tracks(&item, &tracks)) {
            std::fprintf(stderr, "movara-convert: %s: no audio or video that can be decoded\n",
                         file.c_str());
            allRead = false;
            convert.removeItem(&item);
            continue;
        }
        if (!options.json)
            std::printf("%s\n", file.c_str());
        if (!options.json && tracks.empty())
            std::printf("  no sound or subtitle tracks\n");
        for (const tagVeldesTrack& t : tracks) {
            if (options.json)
                printJson(file, t);
            else
                std::printf("  %s %s\n", t.type == VELDES_STREAM_AUDIO ? "audio" : "subtitle",
                            trackDescription(t).c_str());
        }
        std::fflush(stdout);
        convert.removeItem(&item);
    }
    convert.shutdown();
    return allRead ? 0 : 1;
}
