#include "CFileInfoDlg.h"

#include "CBaseWnd.h"
#include "FakeVelCodec.h"
#include "ProfileTables.h"
#include "QtTestSupport.h"

#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

tagVeldesStreamInfo video(int bitRate, int width, int height, double frameRate) {
    tagVeldesStreamInfo s{};
    s.type = VELDES_STREAM_VIDEO;
    s.bitRate = bitRate;
    s.width = width;
    s.height = height;
    s.frameRate = frameRate;
    return s;
}

tagVeldesStreamInfo audio(int bitRate, int sampleRate, int channels) {
    tagVeldesStreamInfo s{};
    s.type = VELDES_STREAM_AUDIO;
    s.bitRate = bitRate;
    s.sampleRate = sampleRate;
    s.channels = channels;
    return s;
}

const char* const kNoVideo = "No Video Stream\r\n\r\n";

} // namespace

TEST(FileInfoDlg, StreamLinesOfBothModesWithTheirFallbacks) {
    testApp();
    struct Case {
        const char* name;
        std::string path;
        std::vector<tagVeldesStreamInfo> streams;
        Profile profile;
        const char* type;
        const char* resolution;
        std::string original;
        std::string encoder;
        double computedAtRate; // 0: no computed video bit rate
    };
    Profile phone; // a fixed small format
    phone.width = 176;
    phone.height = 144;
    phone.frameRate = 15;
    phone.videoBitrate = 256;
    phone.aspectRatio = 2;
    phone.channel = 0;
    phone.sampleRate = 8000;
    phone.audioBitrate = 12200;
    Profile audioOnly;
    audioOnly.flag = kProfileAudioOnly;
    Profile fromSource; // everything left to the source
    fromSource.videoCodec = 1;
    Profile original = fromSource;
    original.frameRate = 1; // "original"

    const Case cases[] = {
        {"a video file",
         "/v/clip.final.AVI",
         {video(800000, 640, 480, 25.0), audio(128000, 44100, 2)},
         phone,
         "AVI",
         "640 x 480",
         "Video Stream Information\r\nBitrate\t\t: 800 kbps\r\nFrameRate\t: 25.000\r\n"
         "Resolution\t: 640 x 480\r\nAspectRatio\t: 1.333\r\n\r\n"
         "Audio Stream Information\r\nBitrate\t\t: 128 kbps\r\nChannels\t\t: 2\r\n"
         "SampleRate\t: 44100 Hz\r\n",
         "Video Stream Information\r\nBitrate\t\t: 256 kbps\r\nFrameRate\t: 15.000\r\n"
         "Resolution\t: 176 x 144\r\nAspectRatio\t: 1.778\r\n\r\n"
         "Audio Stream Information\r\nBitrate\t\t: 12 kbps\r\nChannels\t\t: 1\r\n"
         "SampleRate\t: 8000 Hz\r\n",
         0},
        // 22050 x 2 x 16 / 1000; the rate shown is the one the conversion keeps.
        {"an audio file with an audio profile",
         "/a/song.mp3",
         {audio(0, 22050, 2)},
         audioOnly,
         "mp3",
         "",
         std::string(kNoVideo) + "Audio Stream Information\r\nBitrate\t\t: 0 kbps\r\n"
                                 "Channels\t\t: 2\r\nSampleRate\t: 22050 Hz\r\n",
         std::string(kNoVideo) + "Audio Stream Information\r\nBitrate\t\t: 705 kbps\r\n"
                                 "Channels\t\t: 2\r\nSampleRate\t: 22050 Hz\r\n",
         0},
        // 320 x 240 and 12 fps shown, aspect 1.33; the bit rate is computed at 25 fps.
        {"an audio file with a video profile",
         "/a/talk",
         {audio(64000, 16000, 1)},
         fromSource,
         "",
         "",
         std::string(kNoVideo) + "Audio Stream Information\r\nBitrate\t\t: 64 kbps\r\n"
                                 "Channels\t\t: 1\r\nSampleRate\t: 16000 Hz\r\n",
         "Video Stream Information\r\nBitrate\t\t: 288 kbps\r\nFrameRate\t: 12.000\r\n"
         "Resolution\t: 320 x 240\r\nAspectRatio\t: 1.330\r\n\r\n"
         "Audio Stream Information\r\nBitrate\t\t: 64 kbps\r\nChannels\t\t: 2\r\n"
         "SampleRate\t: 16000 Hz\r\n",
         25.0},
        // "Original" frame rate: the source's, also for the computed bit rate; no source audio
        // gives 128 kbps at 44100 Hz.
        {"a silent video with an original-rate profile",
         "/v/a.b/silent",
         {video(1000000, 640, 480, 30.0)},
         original,
         "",
         "640 x 480",
         "Video Stream Information\r\nBitrate\t\t: 1000 kbps\r\nFrameRate\t: 30.000\r\n"
         "Resolution\t: 640 x 480\r\nAspectRatio\t: 1.333\r\n\r\nNo Audio Stream\r\n",
         "Video Stream Information\r\nBitrate\t\t: 1382 kbps\r\nFrameRate\t: 30.000\r\n"
         "Resolution\t: 640 x 480\r\nAspectRatio\t: 1.333\r\n\r\n"
         "Audio Stream Information\r\nBitrate\t\t: 128 kbps\r\nChannels\t\t: 2\r\n"
         "SampleRate\t: 44100 Hz\r\n",
         30.0},
        {"a capture device",
         std::string(kFakeDevicePrefix) + "camera",
         {video(0, 640, 480, 30.0)},
         phone,
         "Device",
         "352 x 288",
         "",
         "",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeVelCodec::instance().reset();
        MediaItem item;
        item.sourcePath = c.path;
        item.profile = std::make_shared<Profile>(c.profile);
        item.device.left = 8;
        item.device.right = 360;
        item.device.top = 2;
        item.device.bottom = 290;
        CFileInfoDlg dlg(item, c.streams.data(), static_cast<int>(c.streams.size()));
        CBaseWnd* pane = dlg.Pane();
        EXPECT_EQ(pane->FindItem(CFileInfoDlg::kFileType)->caption,
                  QString("File Type : ") + c.type);
        EXPECT_EQ(pane->FindItem(CFileInfoDlg::kResolution)->caption,
                  QString("Resolution : ") + c.resolution);
        EXPECT_EQ(dlg.Mode(), kInfoModeOriginal);
        if (!c.original.empty()) {
            EXPECT_EQ(dlg.StreamText(), c.original);
        }
        dlg.SetMode(kInfoModeEncoder);
        if (!c.encoder.empty()) {
            EXPECT_EQ(dlg.StreamText(), c.encoder);
        }
        const auto computed = FakeVelCodec::instance().callsOf("ComputeBitrateByQuality");
        ASSERT_EQ(computed.size(), c.computedAtRate > 0 ? 1u : 0u);
        if (!computed.empty()) {
            EXPECT_EQ(computed[0].real, c.computedAtRate);
            EXPECT_EQ(computed[0].ints[2], videoCodecEngineId(c.profile.videoCodec));
            EXPECT_EQ(computed[0].ints[4], c.profile.videoQuality);
        }
    }
}

TEST(FileInfoDlg, PaneItemsAndTheModeButtons) {
    testApp();
    MediaItem item;
    item.sourcePath = "/home/ada/clip.mp4";
    item.sourceSize = 2048;
    item.duration = 3723000;
    item.profile = std::make_shared<Profile>();
    const tagVeldesStreamInfo streams[] = {audio(96000, 48000, 2), video(500000, 320, 240, 25)};
    CFileInfoDlg dlg(item, streams, 2);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_EQ(dlg.windowTitle(), "Media Information");
    EXPECT_EQ(dlg.CaptionMask(), 33u);
    CBaseWnd* pane = dlg.Pane();
    EXPECT_EQ(pane->objectName(), "MediaInfoWnd");
    EXPECT_EQ(pane->PaneId(), 119);
    std::vector<int> order;
    for (const auto& entry : pane->Items())
        order.push_back(entry->id);
    EXPECT_EQ(order, (std::vector<int>{11, 12, 13, 14, 15, 2, 16, 3, 4, 1}));
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kFileSize)->caption, "File Size   : 2.0MB");
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kDuration)->caption, "Duration     : 01:02:03");
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kFilePath)->tooltip, "/home/ada/clip.mp4");
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kTextBoxItem)->hosted, dlg.TextBox());
    EXPECT_TRUE(dlg.TextBox()->isReadOnly());

    auto click = [&](int id) {
        QTest::mouseClick(pane, Qt::LeftButton, {}, pane->FindItem(id)->rect().toQRect().center());
    };
    const QString originalText = dlg.TextBox()->toPlainText();
    EXPECT_TRUE(originalText.startsWith("Video Stream Information\nBitrate\t\t: 500 kbps"));
    click(CFileInfoDlg::kOriginal); // already shown: nothing changes
    EXPECT_EQ(dlg.TextBox()->toPlainText(), originalText);
    click(CFileInfoDlg::kEncoder);
    EXPECT_EQ(dlg.Mode(), kInfoModeEncoder);
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kStreamTitle)->caption, "Encoder Stream Information :");
    EXPECT_NE(dlg.TextBox()->toPlainText(), originalText);
    click(CFileInfoDlg::kOriginal);
    EXPECT_EQ(pane->FindItem(CFileInfoDlg::kStreamTitle)->caption, "Original Stream Information :");
    EXPECT_EQ(dlg.TextBox()->toPlainText(), originalText);
    click(CFileInfoDlg::kConfirm);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}
