// The edits of one source and the preview operations of CVelConvert against the fake engine.
#include "ConvertTestSupport.h"

namespace {

using converttest::ConvertFixture;
using converttest::pumpUntil;

using Names = std::vector<std::string>;

// The engine calls a run makes for its edits, from the first VeldesEditBegin/RemoveWatermark to
// the call before VeldesRun.
Names editCalls(const FakeVelCodec& fake) {
    Names names = fake.callNames();
    Names out;
    bool inside = false;
    for (const std::string& n : names) {
        if (n == "VeldesRun") {
            break;
        }
        if (n == "VeldesEditBegin" || n == "VeldesRemoveWatermark") {
            inside = true;
        }
        if (inside) {
            out.push_back(n);
        }
    }
    return out;
}

void fullEdits(MediaItem& item) {
    item.watermark.mode = kWatermarkText;
    item.watermark.text = "Hello";
    item.watermark.fontName = "DejaVu Sans";
    item.watermark.style = 4;           // "Bold Italic"
    item.watermark.colour = 0x00332211; // red 0x11, green 0x22, blue 0x33
    item.brightness = 10;
    item.flip = 2;
    item.crop = {0, 3, 2, 163, 121}; // 160 x 119 before the lowest bit is cleared
}

TEST_F(ConvertFixture, EditsAreAttachedInOrderEachInItsOwnBracket) {
    MediaItem* a = addFile("a.avi", FakeSource::movie(320, 240, 25));
    fullEdits(*a);
    convert->startConversion();

    EXPECT_EQ(editCalls(fake),
              (Names{"VeldesEditBegin", "VeldesRemoveWatermark", "VeldesAddWatermark",
                     "VeldesEditEnd", "VeldesEditBegin", "VeldesAddFilter", "VeldesEditEnd",
                     "VeldesEditBegin", "VeldesAddFilter", "VeldesEditEnd", "VeldesEditBegin",
                     "VeldesAddFilter", "VeldesGetMediaInfo", "VeldesAddFilter", "VeldesEditEnd"}));
    EXPECT_EQ(fake.openEdits(), 0);

    const int media = convert->mediaIdOf(a);
    for (const auto& begin : fake.callsOf("VeldesEditBegin")) {
        EXPECT_EQ(begin.edit->mediaId, media);
        EXPECT_DOUBLE_EQ(begin.edit->aspect, 4.0 / 3.0);
        EXPECT_EQ(begin.edit->callback, nullptr);
        EXPECT_EQ(begin.edit->user, nullptr);
    }
    for (const auto& end : fake.callsOf("VeldesEditEnd")) {
        EXPECT_EQ(end.value, 1);
    }

    const auto mark = fake.callsOf("VeldesAddWatermark").at(0);
    EXPECT_EQ(mark.filterId, VELDES_FILTER_WATERMARK_TEXT);
    EXPECT_EQ(mark.watermarkText, "Hello");
    EXPECT_EQ(mark.fontName, "DejaVu Sans");
    EXPECT_EQ(mark.filter->style, VELDES_TEXT_BOLD | VELDES_TEXT_ITALIC);
    EXPECT_EQ(mark.filter->red, 0x11);
    EXPECT_EQ(mark.filter->green, 0x22);
    EXPECT_EQ(mark.filter->blue, 0x33);
    EXPECT_EQ(mark.filter->x, 10);
    EXPECT_EQ(mark.filter->y, 50);
    EXPECT_EQ(mark.filter->fontSize, 36);

    const auto filters = fake.callsOf("VeldesAddFilter");
    ASSERT_EQ(filters.size(), 4u);
    EXPECT_EQ(filters[0].filterId, VELDES_FILTER_COLOR);
    EXPECT_EQ(filters[0].filter->brightness, 10);
    EXPECT_EQ(filters[1].filterId, VELDES_FILTER_FLIP);
    EXPECT_EQ(filters[1].filter->flip, 2);
    EXPECT_EQ(filters[2].filterId, VELDES_FILTER_CROP);
    EXPECT_DOUBLE_EQ(filters[2].filter->right, 163.0);
    EXPECT_EQ(filters[3].filterId, VELDES_FILTER_CROP_SCALE);
    EXPECT_EQ(filters[3].filter->scaleEnabled, 1);
    EXPECT_EQ(filters[3].filter->sourceWidth, 320);
    EXPECT_EQ(filters[3].filter->sourceHeight, 240);
    EXPECT_EQ(filters[3].filter->cropWidth, 160);
    EXPECT_EQ(filters[3].filter->cropHeight, 118);
}

TEST_F(ConvertFixture, ImageWatermarkAndNoEdits) {
    MediaItem* a = addFile("a.avi");
    a->watermark.mode = kWatermarkImage;
    a->watermark.imagePath = "/pics/logo.png";
    convert->startConversion();
    // Without colour, flip or crop only the watermark step reaches the engine.
    EXPECT_EQ(editCalls(fake), (Names{"VeldesEditBegin", "VeldesRemoveWatermark",
                                      "VeldesAddWatermark", "VeldesEditEnd"}));
    const auto mark = fake.callsOf("VeldesAddWatermark").at(0);
    EXPECT_EQ(mark.filterId, VELDES_FILTER_WATERMARK_IMAGE);
    EXPECT_EQ(mark.imagePath, "/pics/logo.png");
}

// The crop scaling step returns early without a video stream or without streams; the bracket
// around the crop step closes all the same.
TEST_F(ConvertFixture, CropScalingEarlyReturnsCloseTheBracket) {
    MediaItem* silent = addFile("silent.avi", FakeSource::audio(44100, 2));
    silent->crop = {0, 0, 0, 100, 100};
    convert->startConversion();
    EXPECT_EQ(editCalls(fake),
              (Names{"VeldesEditBegin", "VeldesRemoveWatermark", "VeldesEditEnd", "VeldesEditBegin",
                     "VeldesAddFilter", "VeldesGetMediaInfo", "VeldesEditEnd"}));
    EXPECT_EQ(fake.countOf("VeldesRun"), 1u);
    EXPECT_EQ(fake.openEdits(), 0);
    convert->stop();

    // The live application of the crop scaling filter, once for each early return.
    EXPECT_EQ(convert->applyFilter(silent, VELDES_FILTER_CROP_SCALE), -1);
    FakeSource unknown = fake.source(silent->sourcePath);
    unknown.mediaInfoResult = -1;
    fake.setSource(silent->sourcePath, unknown);
    fake.clearCalls();
    EXPECT_EQ(convert->applyFilter(silent, VELDES_FILTER_CROP_SCALE), 0);
    EXPECT_EQ(fake.callNames(), (Names{"VeldesEditBegin", "VeldesGetMediaInfo", "VeldesEditEnd"}));
    EXPECT_EQ(fake.openEdits(), 0);
}

TEST_F(ConvertFixture, StepsAreSkippedWhenTheEditCannotOpen) {
    MediaItem* a = addFile("a.avi");
    a->brightness = 5;
    fake.setEditBeginResult(-1);
    fake.clearCalls();
    EXPECT_EQ(convert->applyFilter(a, VELDES_FILTER_COLOR), 0);
    EXPECT_EQ(fake.callNames(), Names{"VeldesEditBegin"});
}

TEST_F(ConvertFixture, PreviewUsesItsOpenEdit) {
    void* surface = reinterpret_cast<void*>(0x5150);
    convert->attach(surface, window->handle(), &settings);
    MediaItem* a = addFile("a.avi");
    a->brightness = 5;
    fake.clearCalls();

    ASSERT_EQ(convert->startPreview(a), 1);
    EXPECT_EQ(convert->state(), kStatePreviewing);
    EXPECT_EQ(fake.callNames(),
              (Names{"VeldesEditBegin", "VeldesRemoveWatermark", "VeldesAddFilter", "VeldesPlay"}));
    const auto begin = fake.callsOf("VeldesEditBegin").at(0);
    EXPECT_EQ(begin.edit->window, surface);
    EXPECT_EQ(begin.edit->window2, surface);
    EXPECT_NE(begin.edit->callback, nullptr);
    EXPECT_NE(begin.edit->user, nullptr);

    // Live changes go to the open edit, without brackets of their own.
    fake.clearCalls();
    a->flip = 0;
    convert->applyFilter(a, VELDES_FILTER_FLIP);
    EXPECT_EQ(fake.callNames(), Names{"VeldesAddFilter"});
    EXPECT_EQ(fake.callsOf("VeldesAddFilter")[0].filter->flip, 0);

    convert->setPosition(1234);
    convert->pausePreview();
    EXPECT_EQ(convert->state(), kStatePreviewPaused);
    convert->setPosition(99);
    convert->resumePreview();
    convert->stopPreview();
    EXPECT_EQ(convert->state(), kStateIdle);
    convert->setPosition(5);
    EXPECT_EQ(fake.callNames(), (Names{"VeldesAddFilter", "VeldesSetCurPos", "VeldesPause",
                                       "VeldesSetCurPos", "VeldesPlay", "VeldesEditEnd"}));
    EXPECT_EQ(fake.callsOf("VeldesSetCurPos")[0].value, 1234);
    EXPECT_EQ(fake.callsOf("VeldesSetCurPos")[0].ints, std::vector<int>{-1});
    EXPECT_EQ(fake.openEdits(), 0);
}

TEST_F(ConvertFixture, PreviewThatCannotPlayClosesItsEdit) {
    MediaItem* a = addFile("a.avi");
    fake.setPlayResult(-1);
    EXPECT_EQ(convert->startPreview(a), 0);
    EXPECT_EQ(convert->state(), kStateIdle);
    EXPECT_EQ(fake.openEdits(), 0);

    fake.setEditBeginResult(3);
    fake.clearCalls();
    EXPECT_EQ(convert->startPreview(a), 0);
    EXPECT_EQ(fake.callNames(), Names{"VeldesEditBegin"});
}

TEST_F(ConvertFixture, PreviewEventsReachTheWindow) {
    MediaItem* a = addFile("a.avi");
    ASSERT_EQ(convert->startPreview(a), 1);
    tagVeldesEvent event{};
    event.kind = VELDES_EVENT_POSITION;
    event.position = 4200;
    ASSERT_TRUE(fake.fireEditEvent(event));
    ASSERT_TRUE(waitForCode(kNotifyPreviewEvent));
    EXPECT_NE(window->seen().back().subject, nullptr);

    // Shutdown closes the preview edit.
    window->stop();
    convert->shutdown();
    EXPECT_EQ(fake.openEdits(), 0);
    EXPECT_EQ(convert->state(), kStateIdle);
}

TEST_F(ConvertFixture, ThumbnailsGoToTheEngine) {
    MediaItem* a = addFile("a.avi");
    fake.clearCalls();
    convert->thumbnail(a, 160, 120);
    convert->thumbnailOnPause(320, 240);
    const auto thumb = fake.callsOf("VeldesGetThumbnail").at(0);
    EXPECT_EQ(thumb.mediaId, convert->mediaIdOf(a));
    EXPECT_EQ(thumb.ints, (std::vector<int>{160, 120}));
    EXPECT_EQ(fake.callsOf("VeldesGetThumbnailOnPause").at(0).ints, (std::vector<int>{320, 240}));
}

} // namespace
