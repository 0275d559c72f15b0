// velcodecutil: bit rates by quality, device paths, display conversions.
#include "DevicePath.h"
#include "velcodecapi.h"
#include "velcodecutil.h"

#include <gtest/gtest.h>

#include <vector>

TEST(EngineUtil, BitrateFollowsPixelsRateCodecAndQuality) {
    const int h264 = VELDES_VCODEC_H264;
    int base = ComputeBitrateByQuality(480, 320, 25.0, h264, 0, 60);
    // What a person would pick for H.264: roughly 0.4-0.8 Mbit/s at 480x320, 5-8 at 1080p.
    EXPECT_GE(base, 350000);
    EXPECT_LE(base, 800000);
    int full = ComputeBitrateByQuality(1920, 1080, 25.0, h264, 0, 60);
    EXPECT_GE(full, 5000000);
    EXPECT_LE(full, 8000000);
    // Twenty quality points double or halve it; it is linear in pixels and frame rate.
    EXPECT_NEAR(ComputeBitrateByQuality(480, 320, 25.0, h264, 0, 80) / double(base), 2.0, 0.01);
    EXPECT_NEAR(ComputeBitrateByQuality(480, 320, 25.0, h264, 0, 40) / double(base), 0.5, 0.01);
    EXPECT_NEAR(ComputeBitrateByQuality(960, 320, 25.0, h264, 0, 60) / double(base), 2.0, 0.01);
    EXPECT_NEAR(ComputeBitrateByQuality(480, 320, 12.5, h264, 0, 60) / double(base), 0.5, 0.01);
    int previous = 0;
    for (int q = 0; q <= 100; q += 10) {
        int rate = ComputeBitrateByQuality(640, 480, 25.0, h264, 0, q);
        EXPECT_GT(rate, previous) << q;
        previous = rate;
    }
    // Older codecs need more for the same picture.
    EXPECT_GT(ComputeBitrateByQuality(480, 320, 25.0, VELDES_VCODEC_XVID, 0, 60), base);
    EXPECT_GT(ComputeBitrateByQuality(480, 320, 25.0, VELDES_VCODEC_MPEG1, 0, 60),
              ComputeBitrateByQuality(480, 320, 25.0, VELDES_VCODEC_MPEG4, 0, 60));
    // Raw pictures have exactly one rate; nonsense sizes none; a missing rate counts as 25.
    EXPECT_EQ(ComputeBitrateByQuality(320, 240, 25.0, VELDES_VCODEC_RAW_BGR24, 0, 10),
              320 * 240 * 25 * 24);
    EXPECT_EQ(ComputeBitrateByQuality(0, 240, 25.0, h264, 0, 60), 0);
    EXPECT_EQ(ComputeBitrateByQuality(480, 320, 0.0, h264, 0, 60), base);
    EXPECT_EQ(ComputeBitrateByQuality(480, 320, 25.0, h264, 0, 500),
              ComputeBitrateByQuality(480, 320, 25.0, h264, 0, 100));
}

TEST(EngineUtil, DevicePathsRoundTripAndAreRecognised) {
    VEL_DEVICE_INFO device;
    device.videoDevice = "Cam; \"HD\" = 100% 日本";
    device.audioDevice = "No Audio Input";
    device.frameRate = 29.97;
    device.timeLimit = 1440;
    device.preview = 0;
    device.left = -5, device.top = 10, device.right = 1920, device.bottom = 1080;
    device.captureCursor = 1;
    std::string path = GenDevicePath(&device);
    EXPECT_TRUE(IsDevicePath(path));
    VEL_DEVICE_INFO back;
    ASSERT_TRUE(vel::parseDevicePath(path, &back)) << path;
    EXPECT_EQ(back.videoDevice, device.videoDevice);
    EXPECT_EQ(back.audioDevice, device.audioDevice);
    EXPECT_DOUBLE_EQ(back.frameRate, 29.97);
    EXPECT_EQ(back.timeLimit, 1440);
    EXPECT_EQ(back.preview, 0);
    EXPECT_EQ(back.left, -5);
    EXPECT_EQ(back.bottom, 1080);
    EXPECT_EQ(back.captureCursor, 1);
    // The screen recorder's record is a device path too.
    VEL_DEVICE_INFO screen;
    screen.videoDevice = "Vel Screen Recorder";
    EXPECT_TRUE(IsDevicePath(GenDevicePath(&screen)));

    for (const char* file : {"/home/user/video.mp4", "video.mp4", "", "C:/x/vel-capture:a",
                             "/tmp/vel-capture:video=x"})
        EXPECT_FALSE(IsDevicePath(file)) << file;
    VEL_DEVICE_INFO ignored;
    for (const char* broken : {"vel-capture:video=%zz", "vel-capture:rate=fast",
                               "vel-capture:rect=1,2,3", "vel-capture:colour=red", "/a.mp4"})
        EXPECT_FALSE(vel::parseDevicePath(broken, &ignored)) << broken;
    EXPECT_EQ(GenDevicePath(nullptr), "");
}

namespace {

struct Planes {
    int width, height;
    std::vector<uint8_t> y, u, v;
    int strides[3];
    const uint8_t* data[3];

    Planes(int w, int h, uint8_t luma, uint8_t cb, uint8_t cr, int padding = 3)
        : width(w), height(h) {
        int cw = (w + 1) / 2, ch = (h + 1) / 2;
        strides[0] = w + padding;
        strides[1] = strides[2] = cw + padding;
        y.assign(size_t(strides[0]) * h, luma);
        u.assign(size_t(strides[1]) * ch, cb);
        v.assign(size_t(strides[2]) * ch, cr);
        data[0] = y.data(), data[1] = u.data(), data[2] = v.data();
    }
};

} // namespace

TEST(EngineUtil, Yuv420ToRgb32GivesDisplayPixels) {
    struct Case {
        uint8_t y, u, v;
        int r, g, b;
    };
    const Case cases[] = {
        {235, 128, 128, 255, 255, 255}, {16, 128, 128, 0, 0, 0},   {81, 90, 240, 255, 0, 0},
        {145, 54, 34, 0, 255, 0},       {41, 240, 110, 0, 0, 255},
    };
    for (const Case& c : cases) {
        Planes planes(5, 3, c.y, c.u, c.v); // odd sizes
        const int pitch = 5 * 4 + 8;
        std::vector<uint8_t> out(size_t(pitch) * 3, 0xAB);
        Yuv420ToRgb32(planes.data, planes.strides, out.data(), pitch, 5, 3);
        for (int row = 0; row < 3; ++row) {
            for (int x = 0; x < 5; ++x) {
                const uint8_t* px = &out[size_t(row) * pitch + size_t(x) * 4];
                EXPECT_NEAR(px[2], c.r, 3);
                EXPECT_NEAR(px[1], c.g, 3);
                EXPECT_NEAR(px[0], c.b, 3);
                EXPECT_EQ(px[3], 255);
            }
            EXPECT_EQ(out[size_t(row) * pitch + 20], 0xAB) << "the pitch's padding is untouched";
        }
    }
    std::vector<uint8_t> small(4, 0);
    Planes planes(5, 3, 16, 128, 128);
    Yuv420ToRgb32(planes.data, planes.strides, small.data(), 4, 5, 3); // pitch too small
    EXPECT_EQ(small, std::vector<uint8_t>(4, 0));
}

TEST(EngineUtil, Yuv420ToYv12LaysOutYThenVThenU) {
    Planes planes(5, 3, 0, 0, 0);
    for (size_t i = 0; i < planes.y.size(); ++i)
        planes.y[i] = uint8_t(i);
    for (size_t i = 0; i < planes.u.size(); ++i) {
        planes.u[i] = uint8_t(100 + i);
        planes.v[i] = uint8_t(200 + i);
    }
    const int pitch = 8, chromaPitch = 4;
    std::vector<uint8_t> out(size_t(pitch) * 3 + size_t(chromaPitch) * 2 * 2, 0xEE);
    Yuv420ToYv12(planes.data, planes.strides, out.data(), pitch, 5, 3);
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(out[size_t(row) * pitch + x], planes.y[size_t(row) * planes.strides[0] + x]);
    const uint8_t* v = out.data() + pitch * 3;
    const uint8_t* u = v + chromaPitch * 2;
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(v[row * chromaPitch + x], planes.v[size_t(row) * planes.strides[2] + x]);
            EXPECT_EQ(u[row * chromaPitch + x], planes.u[size_t(row) * planes.strides[1] + x]);
        }
}
