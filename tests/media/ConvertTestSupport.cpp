#include "ConvertTestSupport.h"

#include "ProfileCatalogue.h"

#include <QCoreApplication>

#include <fstream>
#include <memory>

namespace converttest {

namespace {

// One application object for the whole test program, on the thread that runs the tests: that
// thread is the user-interface thread the notify window belongs to.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "media_convert_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

// --- RecordingWindow ---------------------------------------------------------------------------

RecordingWindow::~RecordingWindow() {
    stopMessages();
}

intptr_t RecordingWindow::onMessage(unsigned msg, uintptr_t, intptr_t lParam) {
    Seen seen;
    seen.msg = msg;
    seen.thread = std::this_thread::get_id();
    intptr_t answer = 0;
    if (msg == kMsgOutputFinished) {
        seen.path = reinterpret_cast<const char*>(lParam);
    } else if (msg == kMsgConvertNotify) {
        const auto* slot = reinterpret_cast<const VelNotification*>(lParam);
        seen.code = slot->code;
        seen.subject = slot->subject;
        if (slot->code >= kNotifyItemState && slot->code <= kNotifyItemFailed && slot->subject) {
            const auto* item = static_cast<const MediaItem*>(slot->subject);
            seen.itemState = item->stateFlags.load();
            seen.progress = item->progress.load();
        }
        if (slot->code == kNotifyOutputExists) {
            char* path = static_cast<char*>(slot->subject);
            seen.path = path;
            if (onOutputExists) {
                answer = onOutputExists(path);
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(seen);
    }
    if (seen.code == kNotifyConversionOver && onConversionOver) {
        onConversionOver();
    }
    return answer;
}

std::vector<Seen> RecordingWindow::seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<int> RecordingWindow::codes() const {
    std::vector<int> out;
    for (const Seen& s : seen()) {
        if (s.msg == kMsgConvertNotify) {
            out.push_back(s.code);
        }
    }
    return out;
}

std::vector<std::string> RecordingWindow::finishedPaths() const {
    std::vector<std::string> out;
    for (const Seen& s : seen()) {
        if (s.msg == kMsgOutputFinished) {
            out.push_back(s.path);
        }
    }
    return out;
}

int RecordingWindow::count(int code) const {
    int n = 0;
    for (int c : codes()) {
        n += c == code ? 1 : 0;
    }
    return n;
}

// --- ConvertFixture ----------------------------------------------------------------------------

void ConvertFixture::SetUp() {
    uiThread = std::this_thread::get_id();
    fake.reset();
    installed = std::make_unique<ScopedPlatformServices>(services);
    root = std::filesystem::temp_directory_path() /
           ("movara-convert-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    inputDir = root / "in";
    outputDir = root / "out";
    std::filesystem::create_directories(inputDir);
    std::filesystem::create_directories(outputDir);

    settings.optionFlags = kDefaultOptionFlags;
    settings.outputFolder = outputDir.string();
    settings.mediaList = &items;
    settings.conversionCursor = -1;
    profile = testProfile();

    window = std::make_unique<RecordingWindow>();
    convert = std::make_unique<CVelConvert>();
    convert->attach(nullptr, window->handle(), &settings);
}

void ConvertFixture::TearDown() {
    // The owner's order: the window stops taking messages, then the engine object shuts down.
    window->stop();
    convert.reset();
    window.reset();
    EXPECT_TRUE(fake.waitIdle());
    installed.reset();
    items.clear();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

MediaItem* ConvertFixture::addFile(const std::string& name, const FakeSource& source,
                                   bool addToEngine) {
    const std::filesystem::path path = inputDir / name;
    std::ofstream(path).put('x');
    fake.setSource(path.string(), source);
    auto item = std::make_unique<MediaItem>();
    item->displayName = name;
    item->sourcePath = path.string();
    item->profile = profile;
    MediaItem* raw = item.get();
    items.push_back(std::move(item));
    if (addToEngine) {
        EXPECT_EQ(convert->addItem(raw), 1);
    }
    return raw;
}

ProfileRef ConvertFixture::builtIn(const std::string& name) {
    const ProfileCatalogue& catalogue = ProfileCatalogue::instance();
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& p : catalogue.list(category)) {
            if (p->name == name) {
                return p;
            }
        }
    }
    ADD_FAILURE() << "no built-in profile " << name;
    return nullptr;
}

ProfileRef ConvertFixture::testProfile() {
    auto p = std::make_shared<Profile>();
    p->name = "test";
    p->format = 0;      // mp4
    p->videoCodec = 11; // H.264
    p->audioCodec = 5;  // AAC
    p->channel = 1;     // stereo
    return p;
}

bool ConvertFixture::waitForCode(int code, int times) {
    return pumpUntil([&] { return window->count(code) >= times; });
}

std::string ConvertFixture::outputOf(const std::string& base, const std::string& ext) const {
    return (outputDir / (base + "." + ext)).string();
}

} // namespace converttest
