// What a size fit's repeated measurements carry over. Sound kept from a measurement and written
// by a later run instead of being encoded again: the run's file carries exactly the kept packets,
// and a run handed another length of sound refuses to finish rather than deliver sound that does
// not match its pictures. A sample recorded by the first measurement and played to the next
// measures exactly as decoding it again would. A limited output that comes out over its limit is
// never given its name, whatever the limit.
#include "AvUtil.h"
#include "CMediaSource.h"
#include "COutputWriter.h"
#include "CSizeSampler.h"
#include "MediaGenerators.h"
#include "OutputPlan.h"
#include "ScratchDir.h"
#include "velcodecapi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

using namespace vel;

// Writes `samples` of a tone into `writer` in chunks of 1000.
int writeTone(COutputWriter& writer, const AudioPlan& plan, int64_t samples) {
    FramePtr frame = makeFrame();
    frame->format = plan.sampleFormat;
    frame->sample_rate = plan.sampleRate;
    av_channel_layout_default(&frame->ch_layout, plan.channels);
    frame->nb_samples = 1000;
    if (av_frame_get_buffer(frame.get(), 0) < 0 || plan.sampleFormat != AV_SAMPLE_FMT_FLTP)
        return AVERROR(EINVAL);
    for (int64_t done = 0; done < samples; done += 1000) {
        for (int c = 0; c < plan.channels; ++c)
            for (int i = 0; i < 1000; ++i)
                reinterpret_cast<float*>(frame->extended_data[c])[i] =
                    0.3f * float(std::sin(double(done + i) * 0.05));
        if (int r = writer.writeAudio(frame.get(), 0, int(std::min<int64_t>(1000, samples - done)));
            r < 0)
            return r;
    }
    return 0;
}

// MP4 with AAC sound, and pictures when `videoCodec` is set.
OutputPlan mp4Plan(int videoCodec = 0) {
    ExportTarget target;
    target.videoCodec = videoCodec;
    target.videoBitrate = 600000;
    target.width = 320;
    target.height = 240;
    target.frameRate = 25;
    target.audioCodec = VELDES_ACODEC_AAC;
    target.audioBitrate = 128000;
    target.sampleRate = 44100;
    target.channels = 2;
    target.format = "mp4";
    OutputPlan plan;
    std::string why;
    EXPECT_EQ(planOutput(target, &plan, &why), 0) << why;
    return plan;
}

TEST(EngineSizeReuse, AnOutputOverItsLimitIsNeverNamed) {
    const OutputPlan plan = mp4Plan();
    testmedia::ScratchDir dir;
    // Three seconds of 128 kb/s sound come to about 48 KB.
    const int64_t samples = 3 * 44100;
    int64_t size = 0;
    // The limits are taken in this order; the unlimited one measures the real size first.
    for (int64_t limit : {int64_t(0), int64_t(1), int64_t(20000), int64_t(47000), int64_t(200000)}) {
        SCOPED_TRACE(limit);
        const std::string path = dir.file("limited-" + std::to_string(limit) + ".mp4");
        COutputWriter writer;
        ASSERT_EQ(writer.open(plan, path, {}), 0);
        writer.setSizeLimit(limit);
        ASSERT_EQ(writeTone(writer, *plan.audio, samples), 0);
        const int r = writer.finish();
        if (limit == 0)
            size = writer.lastSize();
        const bool over = limit > 0 && writer.lastSize() > limit;
        EXPECT_EQ(r, over ? kErrorOverSizeLimit : 0);
        if (r != 0)
            writer.discard();
        EXPECT_EQ(std::filesystem::exists(path), !over);
        if (!over)
            EXPECT_EQ(int64_t(std::filesystem::file_size(path)), writer.lastSize());
    }
    // The limits around the real size were the ones that mattered.
    EXPECT_GT(size, 47000);
    EXPECT_LT(size, 200000);
    // Nothing else is left behind: no partial file under another name either.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST(EngineSizeReuse, ARunWritesTheKeptSoundPacketsAndRefusesAnotherLength) {
    const OutputPlan plan = mp4Plan();
    ASSERT_TRUE(plan.audio && !plan.video);
    testmedia::ScratchDir dir;
    const int64_t samples = 3 * 44100 + 123;

    COutputWriter measured;
    measured.keepSound();
    ASSERT_EQ(measured.open(plan, dir.file("measured.mp4"), {}), 0);
    ASSERT_EQ(writeTone(measured, *plan.audio, samples), 0);
    ASSERT_EQ(measured.finish(), 0);
    const auto sound = measured.takeSound();
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples(), samples);
    EXPECT_EQ(sound->bytes(), measured.audioBytes());

    struct Case {
        int64_t handed;
        int result;
    };
    for (const Case& c : {Case{samples, 0}, Case{samples - 1024, kErrorSoundChanged},
                          Case{samples + 1, kErrorSoundChanged}}) {
        SCOPED_TRACE(c.handed);
        COutputWriter run;
        run.useSound(sound);
        ASSERT_EQ(run.open(plan, dir.file("run.mp4"), {}, true), 0);
        ASSERT_EQ(writeTone(run, *plan.audio, c.handed), 0);
        EXPECT_EQ(run.finish(), c.result);
        if (c.result == 0) {
            EXPECT_EQ(run.audioBytes(), sound->bytes());
            EXPECT_EQ(testmedia::fileSize(dir.file("run.mp4")),
                      testmedia::fileSize(dir.file("measured.mp4")));
        }
    }
}

TEST(EngineSizeReuse, ARecordedSampleMeasuresAsDecodingItAgainWould) {
    OutputPlan plan = mp4Plan(VELDES_VCODEC_MPEG4);
    ASSERT_TRUE(plan.audio && plan.video);
    // Sampled in windows, and short enough to be encoded whole; sound ending early gets silence.
    for (double seconds : {24.0, 4.0}) {
        SCOPED_TRACE(seconds);
        testmedia::SourceSpec spec;
        spec.width = 640;
        spec.height = 480;
        spec.seconds = seconds;
        spec.sampleRate = 44100;
        spec.extraOutputArgs = {"-af", "atrim=end=" + std::to_string(seconds - 1)};
        const std::string path = testmedia::generate(spec);
        ASSERT_FALSE(path.empty());
        PassSource clip;
        CMediaSource media;
        ASSERT_EQ(media.open(path, nullptr), 0);
        ASSERT_EQ(media.probe(&clip.probe), 0);
        std::atomic<bool> abort{false};

        CSampleTape tape, tooSmall(100000);
        int64_t recorded = 0, replayed = 0, decoded = 0, unrecorded = 0;
        ASSERT_EQ(CSizeSampler::measure(clip, plan, &abort, &recorded, nullptr, {.tape = &tape}),
                  0);
        ASSERT_TRUE(tape.ready());
        plan.video->bitRate = 300000;
        CSizeSampler::Parts fromTape, fromSource;
        ASSERT_EQ(CSizeSampler::measure(clip, plan, &abort, &replayed, &fromTape, {.tape = &tape}),
                  0);
        ASSERT_EQ(CSizeSampler::measure(clip, plan, &abort, &decoded, &fromSource), 0);
        EXPECT_EQ(replayed, decoded);
        EXPECT_EQ(fromTape.video, fromSource.video);
        EXPECT_EQ(fromTape.container, fromSource.container);
        EXPECT_LT(replayed, recorded);
        // A sample past its memory limit is not kept, and measures all the same.
        ASSERT_EQ(
            CSizeSampler::measure(clip, plan, &abort, &unrecorded, nullptr, {.tape = &tooSmall}),
            0);
        EXPECT_FALSE(tooSmall.ready());
        EXPECT_EQ(unrecorded, decoded);
        plan.video->bitRate = 600000;
    }
}

} // namespace
