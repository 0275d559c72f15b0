// guideshots: runs Movara as `movara` does, walks through the tasks the user guide explains and
// saves a PNG of each window on the way.
//
//   guideshots OUTPUT_FOLDER [--skin NAME] [--prefix TEXT] [--suffix TEXT] MEDIA...
//
// --skin applies skin/NAME.skin before the walk; each file is PREFIX + the shot's name + SUFFIX +
// ".png" (scripts/guide-shots runs it per skin and per screen scale, QT_SCALE_FACTOR). The
// settings go to a scratch folder, finished outputs are not shown in a file manager, and a step
// whose window this build lacks is left out (the missing name is printed).
#include "CMovaraApp.h"
#include "CMovaraDlg.h"
#include "CommandIds.h"

#include "CMenuEx.h"
#include "CVelSkin.h"

#include "CFileListWnd.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CVelEdit.h"
#include "CVideoEditDlg.h"
#include "QtPlatformServices.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
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
            m_steps[index](
                [this, index] { QTimer::singleShot(0, [this, index] { run(index + 1); }); });
    }
    std::vector<Step> m_steps;
};

QString g_out;
QString g_prefix;
QString g_suffix;

void save(QWidget* widget, const char* name) {
    QString file = QString::fromUtf8(name);
    file.chop(4); // ".png"
    const QString path = g_out + "/" + g_prefix + file + g_suffix + ".png";
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
            CVideoEditDlg* edit = dlg.EditDialog();
            if (!edit)
                return next();
            save(edit, "video-edit.png");
            edit->SelectPage(1);
            after(300, [&dlg, edit, next] {
                save(edit, "video-edit-watermark.png");
                edit->SelectPage(2);
                after(300, [&dlg, edit, next] {
                    save(edit, "video-edit-crop.png");
                    edit->SelectPage(0);
                    edit->hide();
                    next();
                });
            });
        });
    });
    walk.add([&dlg](auto next) {
        // The skin picker of the main menu's "Edit" pop-up, opened on its own.
        QMenu* skins = nullptr;
        if (CMenuEx* main = dlg.Menu(kMenuMain))
            for (QAction* popup : main->actions())
                if (popup->menu() && popup->text() == QLatin1String("Edit"))
                    for (QAction* action : popup->menu()->actions())
                        if (action->text() == QLatin1String("Skin"))
                            skins = action->menu();
        if (!skins)
            return next();
        skins->popup(dlg.mapToGlobal(QPoint(40, 40)));
        after(400, [skins, next] {
            save(skins, "skin-menu.png");
            skins->hide();
            next();
        });
    });
    walk.add(modalShot(dlg, kCmdProfileSetting, "profile-setting.png"));
    walk.add(modalShot(dlg, kCmdAddDevice, "add-device.png"));
    walk.add(modalShot(dlg, kCmdScreenRecorder, "screen-recorder.png"));
    walk.add(modalShot(dlg, kCmdPreferences, "preferences.png"));
    walk.add(modalShot(dlg, kCmdFileInfo, "media-information.png"));
    walk.add(modalShot(dlg, kCmdAboutBox, "about.png"));
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

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    QStringList args = application.arguments();
    QString skin;
    for (const QString& option :
         {QStringLiteral("--skin"), QStringLiteral("--prefix"), QStringLiteral("--suffix")}) {
        const qsizetype at = args.indexOf(option);
        if (at < 0 || at + 1 >= args.size())
            continue;
        (option == QLatin1String("--skin")     ? skin
         : option == QLatin1String("--prefix") ? g_prefix
                                               : g_suffix) = args[at + 1];
        args.remove(at, 2);
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: guideshots OUTPUT_FOLDER [--skin NAME] [--prefix TEXT] "
                             "[--suffix TEXT] MEDIA...\n");
        return 2;
    }
    g_out = args[1];
    QDir().mkpath(g_out);
    std::vector<std::string> media;
    for (qsizetype i = 2; i < args.size(); ++i)
        media.push_back(args[i].toStdString());
    QTemporaryDir scratch;
    QDir().mkpath(scratch.filePath("Converted"));
    GuideServices services(scratch.path().toStdString());
    ScopedPlatformServices installed(services);

    {
        CMovaraApp movara;
        Walk walk;
        movara.SetWindowHook([&](CMovaraDlg& dlg) {
            if (!skin.isEmpty()) {
                const std::string path =
                    services.dataFolder() + "/skin/" + skin.toStdString() + ".skin";
                if (theSkin().Load(path) < 0)
                    std::fprintf(stderr, "guideshots: cannot load %s\n", path.c_str());
                for (QWidget* widget : dlg.findChildren<QWidget*>())
                    widget->update();
            }
            walkTheTasks(dlg, walk, media, scratch.filePath("Converted"));
            QTimer::singleShot(300, [&walk] { walk.start(); });
        });
        if (movara.Run() < 0)
            return 1;
    }
    return 0;
}
