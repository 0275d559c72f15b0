// Every window of both built skins, offscreen, at the screen scale the run was started with (the
// suite runs at scales 1 and 2): no text in a serif face, the Dark skin's windows and input boxes
// dark, and text that reads against its background (WCAG AA, 4.5:1). The skin picker lists the
// program's and the user's skins and applies the one picked.
#include "AppUiTestSupport.h"

#include "CBaseWnd.h"
#include "CCountdownDlg.h"
#include "CFileRenameDlg.h"
#include "CLiveUpdateDlg.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CVelSkin.h"
#include "CVideoEditDlg.h"
#include "CXInfoTip.h"
#include "CommandIds.h"
#include "OutlookTabCtrl.h"
#include "PaneItem.h"
#include "SkinAppLook.h"
#include "SkinFaces.h"
#include "SkinPaint.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <cmath>

namespace {

std::string skinArchive(const std::string& name) {
    return builtDataFolder() + "/skin/" + name + ".skin";
}

bool isSerif(const QString& family) {
    return family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) &&
           !family.contains(QLatin1String("Sans"), Qt::CaseInsensitive);
}

// The font a widget's text is drawn in: the skinned controls map a Windows face when painting.
QFont shownFont(const QWidget& widget) {
    if (auto* combo = dynamic_cast<const CVelComboBox*>(&widget))
        return combo->ShownFont();
    if (auto* menu = dynamic_cast<const CMenuEx*>(&widget))
        return menu->ItemFont();
    if (dynamic_cast<const OutlookTabCtrl*>(&widget))
        return uiFont(widget.font());
    return widget.font();
}

double meanLuminance(const QImage& image) {
    double sum = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            sum += qGray(rgb.pixel(x, y));
    return rgb.isNull() ? 0 : sum / (255.0 * rgb.width() * rgb.height());
}

void expectReadable(const QColor& text, const QColor& background, const QString& what) {
    EXPECT_GE(contrastRatio(text, background), 4.5)
        << qPrintable(what) << ": " << qPrintable(text.name()) << " on "
        << qPrintable(background.name());
}

// The texts of a skinned pane against what they are drawn on.
void checkPane(const CBaseWnd& pane) {
    const QString name = pane.metaObject()->className() + QStringLiteral(" ") + pane.objectName();
    const QColor paneFill = argbColor(pane.StyleColor(0, 0));
    for (const auto& item : pane.Items()) {
        if (item->caption.isEmpty())
            continue;
        const QString what = name + QStringLiteral(" \"") + item->caption + QLatin1Char('"');
        const QFontInfo face(pane.ItemFont(*item));
        EXPECT_FALSE(isSerif(face.family()))
            << qPrintable(what) << " in " << qPrintable(face.family());
        if (item->isDisabled())
            continue;
        const bool filled = item->behaviour & kItemBackground;
        const QColor under = filled ? argbColor(pane.StyleColor(item->id, 3)) : paneFill;
        const int textIndex =
            (item->behaviour & kItemSpecialText) ? pane.Skin()->SpecialTextColorId() : 7;
        expectReadable(argbColor(pane.StyleColor(item->id, textIndex)), under, what);
        if (!(item->behaviour & kItemNoHover))
            expectReadable(argbColor(pane.StyleColor(item->id, 8)),
                           filled ? argbColor(pane.StyleColor(0, 5)) : paneFill,
                           what + QStringLiteral(" (hot)"));
    }
}

// With MOVARA_LOOK_SHOTS naming a folder, each window's grab is kept there for a person to look at.
void keepShot(const QImage& shot, const char* name) {
    const QString folder = qEnvironmentVariable("MOVARA_LOOK_SHOTS");
    if (folder.isEmpty())
        return;
    const QString scale = QString::number(qApp->devicePixelRatio());
    shot.save(folder + QStringLiteral("/%1-%2-x%3.png")
                           .arg(QApplication::palette().color(QPalette::Base).lightness() < 128
                                    ? QStringLiteral("Dark")
                                    : QStringLiteral("Default"),
                                QString::fromUtf8(name).replace(QLatin1Char(' '), QLatin1Char('-')),
                                scale));
}

void checkWindow(QWidget& window, const char* name, bool dark) {
    SCOPED_TRACE(name);
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) {
        const QFontInfo face(shownFont(*widget));
        EXPECT_FALSE(isSerif(face.family()))
            << widget->metaObject()->className() << " in " << qPrintable(face.family());
        if (auto* pane = dynamic_cast<CBaseWnd*>(widget))
            checkPane(*pane);
        const bool input =
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
            qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget);
        if (dark && input && widget->isVisible()) {
            EXPECT_LT(meanLuminance(widget->grab().toImage()), 0.3)
                << widget->metaObject()->className() << " is light";
        }
    }
    const QImage shot = window.grab().toImage();
    keepShot(shot, name);
    // The grab has the screen's scale: the window doubles at scale 2.
    EXPECT_EQ(shot.width(), qRound(window.width() * window.devicePixelRatioF()));
    if (dark) {
        EXPECT_LT(meanLuminance(shot), 0.4) << "the window is light"; // pictures included
    }
}

void checkPalette(bool dark) {
    const QPalette p = QApplication::palette();
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase}};
    for (auto [text, background] : pairs)
        expectReadable(p.color(text), p.color(background), QStringLiteral("palette"));
    EXPECT_EQ(qGray(p.color(QPalette::Base).rgb()) < 80, dark) << "input colour";
    EXPECT_FALSE(isSerif(QFontInfo(QApplication::font()).family()));
}

class SkinLook : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SkinLook, EveryWindowIsSansDarkWhereDarkAndReadable) {
    const std::string skin = GetParam();
    const bool dark = skin == "Dark";
    OpenWindow();
    ASSERT_GE(theSkin().Load(skinArchive(skin)), 0);
    AddItem(env->writable + "/clip.mp4");
    checkPalette(dark);
    checkWindow(*dlg, "main window", dark);

    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    for (int page = 0; page < 3; ++page) {
        edit->SelectPage(page);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(edit));
        checkWindow(*edit, ("video edit page " + std::to_string(page)).c_str(), dark);
    }
    edit->hide();

    const std::pair<int, const char*> modals[] = {
        {kCmdProfileSetting, "profile setting"}, {kCmdAddDevice, "input device"},
        {kCmdScreenRecorder, "screen recorder"}, {kCmdPreferences, "preferences"},
        {kCmdFileInfo, "media information"},     {kCmdAboutBox, "about"}};
    for (auto [command, name] : modals) {
        bool seen = false;
        onNextModal([&, name = name](QWidget& modal) {
            seen = true;
            checkWindow(modal, name, dark);
            if (auto* dialog = qobject_cast<QDialog*>(&modal))
                dialog->reject();
        });
        dlg->OnCommand(command);
        EXPECT_TRUE(seen) << name;
    }

    CCountdownDlg countdown(QStringLiteral("Shutdown in "), 30, nullptr, &theSkin());
    countdown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&countdown));
    checkWindow(countdown, "countdown", dark);

    CFileRenameDlg rename(env->writable + "/Converted/clip.mp4", settings, nullptr, &theSkin());
    rename.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rename));
    checkWindow(rename, "rename", dark);

    VersionCheckResult found;
    found.success = 1;
    found.majorId = 99;
    found.description = "A newer version with a few fixes.";
    CLiveUpdateDlg update(found, "http://127.0.0.1/setup", nullptr, &theSkin());
    update.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&update));
    checkWindow(update, "live update", dark);

    CXInfoTip tip;
    const QPoint anchor(300, 300);
    tip.Show(QStringLiteral("Add media"), &anchor, 0);
    ASSERT_TRUE(waitUntil([&] { return tip.isVisible(); }));
    checkWindow(tip, "tooltip", dark);

    QMessageBox box(QMessageBox::Warning, QStringLiteral("Movara"), QStringLiteral("A message"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    checkWindow(box, "message box", dark);
}

INSTANTIATE_TEST_SUITE_P(BothSkins, SkinLook, ::testing::Values("Default", "Dark"));

class SkinPicker : public MainWindowTest {};

TEST_F(SkinPicker, ListsTheProgramsAndTheUsersSkinsAndAppliesThePickedOne) {
    const QString userData = QString::fromStdString(env->writable + "/data");
    ASSERT_TRUE(QDir().mkpath(userData + "/movara/skins"));
    const QString mine = userData + "/movara/skins/Mine.skin";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(skinArchive("Dark")), mine));
    writeFile((userData + "/movara/skins/Broken.skin").toStdString(), "not a skin");
    qputenv("XDG_DATA_HOME", userData.toUtf8());
    OpenWindow();

    CMenuEx* main = dlg->Menu(kMenuMain);
    ASSERT_NE(main, nullptr);
    QMenu* popup = nullptr;
    const QMenu* edit = main->actions().at(1)->menu();
    ASSERT_NE(edit, nullptr);
    for (QAction* action : edit->actions())
        if (action->text() == QLatin1String("Skin"))
            popup = action->menu();
    ASSERT_NE(popup, nullptr);
    auto entries = [&] {
        emit popup->aboutToShow();
        QStringList texts;
        for (const QAction* action : popup->actions())
            texts << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString());
        return texts;
    };
    EXPECT_EQ(entries(), (QStringList{"Dark", "Default *", "Mine"}));

    const QColor lightBase = QApplication::palette().color(QPalette::Base);
    popup->actions().at(2)->trigger();
    EXPECT_EQ(theSkin().CurrentArchive(), mine.toStdString());
    EXPECT_EQ(dlg->Settings().skinFile, mine.toStdString());
    EXPECT_NE(QApplication::palette().color(QPalette::Base), lightBase);
    EXPECT_EQ(entries(), (QStringList{"Dark", "Default", "Mine *"}));

    // The program's own skins are stored by their name in the program's folder.
    popup->actions().at(1)->trigger();
    EXPECT_EQ(dlg->Settings().skinFile, "skin/Default.skin");
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), lightBase);
    qunsetenv("XDG_DATA_HOME");
}

} // namespace
