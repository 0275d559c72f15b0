// guideshots: runs Movara as `movara` does, walks through the tasks the user guide explains and
// saves a PNG of each window on the way.
//
//   guideshots OUTPUT_FOLDER MEDIA...
//
// The settings go to a scratch folder, finished outputs are not shown in a file manager, and a
// step whose window this build lacks is left out (the missing name is printed).
#include "CMovaraApp.h"
#include "CMovaraDlg.h"
#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CVelEdit.h"
#include "CVideoEditDlg.h"
#include "QtPlatformServices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

class GuideServices : public QtPlatformServices {
public:
    explicit GuideServices(std::string writable) : m_writable(std::move(writable)) {}
    std::string writableFolder() override { return m_writable; }

protected:
    int doShowInFileManager(const std::string&) override { return 0; }
    bool doOpenDocument(const std::string&) override { return true; }

private:
    std::string m_writable;
};

// Steps run one after another from the event loop; each calls `next` when it is done.
class Walk {
public:
    using Step = std::function<void(std::function<void()> next)>;
    void add(Step step) { m_steps.push_back(std::move(step)); }
    void start() { run(0); }

private:
    void run(size_t index) {
        if (index < m_steps.size())
            m_steps[index]([this, index] { QTimer::singleShot(0, [this, index] { run(index + 1); }); });
    }
    std::vector<Step> m_steps;
};

QString g_out;

void save(QWidget* widget, const char* name) {
    const QString path = g_out + "/" + name;
    if (!widget || !widget->grab().save(path, "PNG"))
        std::fprintf(stderr, "guideshots: %s not written\n", name);
    else
        std::printf("%s\n", qPrintable(path));
}

void after(int ms, std::function<void()> then) {
    QTimer::singleShot(ms, std::move(then));
}

// Runs `command`, then saves the modal dialog it opens and cancels it.
Walk::Step modalShot(CMovaraDlg& dlg, int command, const char* name) {
    return [&dlg, command, name](std::function<void()> next) {
        auto* poll = new QTimer(&dlg);
        auto waited = std::make_shared<int>(0);
        QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, poll, waited, name, next] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != &dlg) {
                poll->deleteLater();
                after(400, [modal, name, next] {
                    save(modal, name);
                    if (auto* dialog = qobject_cast<QDialog*>(modal))
                        dialog->reject();
                    next();
                });
            } else if ((*waited += 50) > 3000) {
                poll->deleteLater();
                std::fprintf(stderr, "guideshots: no window for %s in this build\n", name);
                next();
            }
        });
        poll->start(50);
        // The modal run starts inside this call; the poll above sees it.
        QTimer::singleShot(0, &dlg, [&dlg, command] { dlg.OnCommand(command); });
    };
}

void walkTheTasks(CMovaraDlg& dlg, Walk& walk, const std::vector<std::string>& media,
                  const QString& outputFolder) {
    walk.add([&dlg, media, outputFolder](auto next) {
        dlg.resize(900, 600);
        // The window converts into the folder its output path box shows.
        dlg.OutputPathEdit()->setText(outputFolder);
        dlg.Settings().outputFolder = outputFolder.toStdString();
        for (const std::string& path : media)
            dlg.AddFileByPath(path);
        after(600, next);
    });
    walk.add([&dlg](auto next) {
        save(&dlg, "main-window.png");
        save(dlg.SavetoPane(), "save-to.png");
        next();
    });
    walk.add([&dlg](auto next) {
        dlg.StartPreview();
        after(1500, [&dlg, next] {
            dlg.PausePreview();
            after(300, [&dlg, next] {
                save(&dlg, "preview.png");
                save(dlg.PlayControl(), "play-control.png");
                dlg.StopPreview();
                after(300, next);
            });
        });
    });
    walk.add([&dlg](auto next) {
        dlg.OnCommand(kCmdVideoEdit);
        after(800, [&dlg, next] {
            if (CVideoEditDlg* edit = dlg.EditDialog()) {
                save(edit, "video-edit.png");
                edit->hide();
            }
            next();
        });
    });
    walk.add(modalShot(dlg, kCmdProfileSetting, "profile-setting.png"));
    walk.add(modalShot(dlg, kCmdAddDevice, "add-device.png"));
    walk.add(modalShot(dlg, kCmdScreenRecorder, "screen-recorder.png"));
    walk.add(modalShot(dlg, kCmdPreferences, "preferences.png"));
    walk.add([&dlg](auto next) {
        dlg.StartConversion(false);
        after(700, [&dlg, next] {
            dlg.PauseConversion();
            after(300, [&dlg, next] {
                save(&dlg, "converting.png");
                dlg.ResumeConversion();
                next();
            });
        });
    });
    walk.add([&dlg](auto next) {
        auto* poll = new QTimer(&dlg);
        QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, poll, next] {
            if (dlg.State() != 0)
                return;
            poll->deleteLater();
            after(500, [&dlg, next] {
                save(&dlg, "converted.png");
                next();
            });
        });
        poll->start(100);
    });
    walk.add([&dlg](auto) { dlg.reject(); });
}

// The settings file the first run wrote, pointed at another skin.
bool switchSkin(const QString& settingsPath, const QString& skin) {
    QFile file(settingsPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const qsizetype begin = text.indexOf("<SkinFileName>");
    const qsizetype end = text.indexOf("</SkinFileName>");
    if (begin < 0 || end < begin)
        return false;
    text.replace(begin, end - begin, "<SkinFileName>" + skin);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) > 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    if (argc < 3) {
        std::fprintf(stderr, "usage: guideshots OUTPUT_FOLDER MEDIA...\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    const std::vector<std::string> media(argv + 2, argv + argc);
    QTemporaryDir scratch;
    QDir().mkpath(scratch.filePath("Converted"));
    GuideServices services(scratch.path().toStdString());
    ScopedPlatformServices installed(services);

    {
        CMovaraApp movara;
        Walk walk;
        movara.SetWindowHook([&](CMovaraDlg& dlg) {
            walkTheTasks(dlg, walk, media, scratch.filePath("Converted"));
            QTimer::singleShot(300, [&walk] { walk.start(); });
        });
        if (movara.Run() < 0)
            return 1;
    }
    if (!switchSkin(scratch.filePath("Movara.cfg"), "skin/Dark.skin")) {
        std::fprintf(stderr, "guideshots: no settings file to switch the skin in\n");
        return 1;
    }
    CMovaraApp movara;
    movara.SetStartFiles({media.front()});
    movara.SetWindowHook([&](CMovaraDlg& dlg) {
        dlg.resize(900, 600);
        QTimer::singleShot(2000, &dlg, [&dlg] {
            save(&dlg, "dark-skin.png");
            dlg.reject();
        });
    });
    return movara.Run() < 0 ? 1 : 0;
}
