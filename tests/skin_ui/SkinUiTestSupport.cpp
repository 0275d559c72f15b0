#include "SkinUiTestSupport.h"

#include "PaneItem.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>

QApplication& testApp() {
    static int argc = 1;
    static char name[] = "skin_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        return new QApplication(argc, argv);
    }();
    return *app;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void pumpEvents(int ms) {
    waitUntil([] { return false; }, ms);
}

QSize TestSkin::imageSize(int id) {
    if (id == CVelSkin::kAddFile)
        return QSize(26, 24);
    if (id >= 1 && id <= 6)
        return QSize(20, 20);
    if (id >= 24 && id <= 28)
        return QSize(100, 100);
    if (id >= 29 && id <= 32)
        return QSize(10, 10);
    return QSize(24, 24);
}

QColor TestSkin::imageColor(int id) {
    if (id == CVelSkin::kAddFile)
        return QColor(255, 0, 0);
    if (id == CVelSkin::kCheckboxChecked)
        return QColor(0, 200, 0);
    return QColor::fromHsv((id * 37) % 360, 200, 220).toRgb();
}

namespace {

std::string pngOf(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

const char* const kSheet = R"(<?xml version="1.0" encoding="UTF-8"?>
<velskin>
<wnd id="0" bkmode="1" gradmode="1" bkbegin="40,40,40" bkend="40,40,40" border="0,0,0">
<obj id="0" bkmode="1" gradmode="1" bkbegin="60,60,60" bkend="60,60,60" bkhi="0,0,220" border="0,0,150" text="255,255,255" texthi="10,10,10" textgray="192,192,192" fontname="Times New Roman" fontsize="90" fontstyle=""/>
</wnd>
<wnd id="555" bkmode="1" gradmode="1" bkbegin="80,48,16" bkend="80,48,16" border="0,0,0">
</wnd>
</velskin>
)";

} // namespace

TestSkin::TestSkin() {
    std::vector<SkinArchiveItem> items;
    for (int id = m_skin.FirstImageId(); id != -1; id = m_skin.NextImageId(id))
        items.push_back({m_skin.ImageName(id), pngOf(imageSize(id), imageColor(id))});
    items.push_back({"velskin.xml", kSheet});
    std::string bytes, error;
    EXPECT_EQ(buildSkinArchive(items, bytes, error), 1) << error;
    const std::string path = m_dir.filePath("Test.skin").toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    const int loaded = m_skin.Load(path);
    EXPECT_EQ(loaded, 1);
}

RecordingTarget::RecordingTarget() = default;

RecordingTarget::~RecordingTarget() {
    stopMessages();
}

intptr_t RecordingTarget::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    Call call;
    call.msg = msg;
    call.wParam = wParam;
    call.lParam = lParam;
    if (msg == kMsgPaneNotify && lParam) {
        call.notify = *reinterpret_cast<const PaneNotify*>(lParam);
        call.itemId = call.notify.item ? call.notify.item->id : 0;
    }
    if (textInWParam && wParam)
        call.text = reinterpret_cast<const char*>(wParam);
    calls.push_back(call);
    return answer ? answer(call) : 1;
}

std::vector<unsigned> RecordingTarget::messages() const {
    std::vector<unsigned> out;
    for (const Call& call : calls)
        out.push_back(call.msg);
    return out;
}

std::vector<RecordingTarget::Call> RecordingTarget::callsOf(unsigned msg) const {
    std::vector<Call> out;
    for (const Call& call : calls)
        if (call.msg == msg)
            out.push_back(call);
    return out;
}

namespace {

// Every test finds the application object made before its fixture's windows.
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { testApp(); }
};

[[maybe_unused]] ::testing::Environment* const appEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

} // namespace

// Under the address sanitizer: fontconfig keeps a cache for the life of the process, which the
// leak checker would report at exit of every test that draws text.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
