#include "QtTestSupport.h"

#include "CVelSkin.h"
#include "SkinArchiveWriter.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

QApplication& testApp() {
    static int argc = 1;
    static char name[] = "movara_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty())
            qputenv("QT_QPA_PLATFORM", "offscreen");
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
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void pumpEvents(int ms) {
    waitUntil([] { return false; }, ms);
}

std::string solidPng(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

int loadTestSkin(CVelSkin& skin, const QString& folder, const std::string& name,
                 const std::string& sheet, const std::function<TestImage(int id)>& image) {
    std::vector<SkinArchiveItem> items;
    for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id)) {
        const TestImage look = image(id);
        items.push_back({skin.ImageName(id), solidPng(look.size, look.color)});
    }
    items.push_back({"velskin.xml", sheet});
    std::string bytes, error;
    EXPECT_EQ(buildSkinArchive(items, bytes, error), 1) << error;
    const std::string path = QDir(folder).filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return skin.Load(path);
}

namespace {

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
