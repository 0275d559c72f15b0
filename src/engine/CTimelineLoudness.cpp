// CTimeline: loudness targets of media, their measurement on the measuring thread, and the
// levels runs and the preview apply.
#include "CTimeline.h"

#include "DevicePath.h"
#include "LoudnessMeter.h"

#include <algorithm>
#include <cstdio>

namespace vel {

namespace {

constexpr int kLoudnessWork = 1; // the measuring thread's kind of job

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

} // namespace

bool CTimeline::soundShape(const Media& media, AudioPlan* audio) {
    if (!media.setting)
        return false;
    OutputPlan plan;
    std::string why;
    if (planOutput(targetFor(media), &plan, &why) < 0 || !plan.audio)
        return false;
    *audio = *plan.audio;
    return true;
}

std::string CTimeline::loudnessKey(const Media& media, int sampleRate, int channels) {
    int stream = -1;
    if (media.setting)
        stream = streamIndexFromValues(media.setting->audioValues);
    return media.probe.path + "|" + std::to_string(media.beginMs) + "|" +
           std::to_string(media.stopMs) + "|" + std::to_string(stream) + "|" +
           std::to_string(sampleRate) + "x" + std::to_string(channels);
}

std::string CTimeline::levelKey(const Media& media, const AudioPlan& audio,
                                const LoudnessTarget& target) {
    return loudnessKey(media, audio.sampleRate, audio.channels) + "|" + number(target.lufs) + "|" +
           number(target.ceiling) + "|" + (audio.encoder ? audio.encoder->name : "") + "|" +
           std::to_string(audio.bitRate);
}

SoundLevel CTimeline::previewLevel(const Media& media) const {
    if (!media.loudness.on)
        return {};
    AudioPlan audio;
    const bool shaped = soundShape(media, &audio);
    if (shaped && media.soundLevel && media.levelKey == levelKey(media, audio, media.loudness))
        return *media.soundLevel;
    if (!media.loudnessFigures ||
        media.loudnessKey !=
            loudnessKey(media, media.loudnessFigures->sampleRate, media.loudnessFigures->channels))
        return {};
    return planSoundLevel(*media.loudnessFigures, media.loudness, shaped ? audio : AudioPlan{});
}

void CTimeline::levelChanged(int mediaId) {
    Media* media = find(mediaId);
    if (m_player && media && mediaId == m_editMediaId)
        m_player->setSoundLevel(previewLevel(*media));
}

int CTimeline::setLoudness(int mediaId, const LoudnessTarget& target,
                           const LoudnessFigures* known) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media)
        return -1;
    media->loudness = target;
    if (known) {
        const std::string key = loudnessKey(*media, known->sampleRate, known->channels);
        if (key != media->loudnessKey) {
            media->loudnessKey = key;
            media->loudnessFigures = *known;
        }
    }
    levelChanged(mediaId);
    return 0;
}

int CTimeline::loudness(int mediaId, LoudnessFigures* figures) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || !figures)
        return -1;
    AudioPlan audio;
    const bool shaped = soundShape(*media, &audio);
    if (!media->loudnessFigures ||
        media->loudnessKey !=
            loudnessKey(*media, shaped ? audio.sampleRate : 0, shaped ? audio.channels : 0))
        return 0;
    *figures = *media->loudnessFigures;
    return 2;
}

int CTimeline::measureLoudness(int mediaId, VeldesEventCallback callback, void* user, bool cancel) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (cancel) {
        if (m_sampler)
            m_sampler->cancel(mediaId, kLoudnessWork);
        return media ? 0 : -1;
    }
    VEL_DEVICE_INFO device;
    if (m_closed || !media || parseDevicePath(media->probe.path, &device))
        return -1;
    if (!std::any_of(media->probe.streams.begin(), media->probe.streams.end(),
                     [](const tagVeldesStreamInfo& s) { return s.type == VELDES_STREAM_AUDIO; }))
        return -2;
    AudioPlan audio;
    const bool shaped = soundShape(*media, &audio);
    const LoudnessTarget target = media->loudness;
    const bool resolveLevel = shaped && target.on;
    const std::string key =
        loudnessKey(*media, shaped ? audio.sampleRate : 0, shaped ? audio.channels : 0);
    const std::string lkey = resolveLevel ? levelKey(*media, audio, target) : std::string();
    const bool known = media->loudnessFigures && media->loudnessKey == key;
    if (known && (!resolveLevel || (media->soundLevel && media->levelKey == lkey)))
        return 2;
    std::optional<LoudnessFigures> figuresKnown;
    if (known)
        figuresKnown = media->loudnessFigures;
    SizeRequest request;
    request.kind = kLoudnessWork;
    request.clip = passSource(mediaId, *media);
    request.work = [this, clip = request.clip, audio, shaped, target, resolveLevel, key, lkey,
                    figuresKnown, callback, user](const std::atomic<bool>* abort) {
        LoudnessFigures figures;
        SoundLevel level;
        const int r = resolveLevel ? LoudnessMeter::resolve(clip, audio, target,
                                                            figuresKnown ? &*figuresKnown : nullptr,
                                                            abort, &level, &figures)
                                   : LoudnessMeter::measure(clip, shaped ? &audio : nullptr,
                                                            SoundLevel{}, abort, &figures);
        if (abort->load())
            return;
        {
            std::lock_guard lock(m_mutex);
            Media* measured = find(clip.mediaId);
            if (measured && r >= 0) {
                measured->loudnessKey = key;
                measured->loudnessFigures = figures;
                if (resolveLevel) {
                    measured->levelKey = lkey;
                    measured->soundLevel = level;
                }
                levelChanged(clip.mediaId);
            }
        }
        if (callback) {
            tagVeldesEvent event{};
            event.mediaId = clip.mediaId;
            event.kind = VELDES_EVENT_LOUDNESS;
            event.status = r < 0 ? r : 0;
            callback(&event, user);
        }
    };
    sampler().request(std::move(request));
    return 0;
}

} // namespace vel
