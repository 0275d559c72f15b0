// What assistive technology reads from the main window and its dialogs, through Qt's own
// accessibility interfaces: every control a person can use has a role and a name, parents and
// children agree, the list reads as a table with checked rows and progress, and actions work.
#include "AppUiTestSupport.h"

#include "CommandIds.h"

#include "CAddDeviceDlg.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CFitSizeDlg.h"
#include "COptionDlg.h"
#include "CPlayCtrlWnd.h"
#include "CProfileSettingDlg.h"
#include "CScreenRecorderDlg.h"
#include "CToolWnd.h"
#include "CVelAboutDlg.h"
#include "CVideoEditDlg.h"

#include <QAccessible>
#include <QTest>

namespace {

bool isInteractive(const QAccessibleInterface& node) {
    switch (node.role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::PageTab:
    case QAccessible::Row:
    case QAccessible::Table:
    case QAccessible::List:
        return true;
    default:
        return node.state().focusable;
    }
}

struct Walk {
    int interactive = 0;
    std::vector<std::string> faults;
    std::vector<QAccessibleInterface*> nodes;
};

void walk(QAccessibleInterface* node, const std::string& path, Walk& w) {
    if (!node || !node->isValid() || node->state().invisible)
        return;
    w.nodes.push_back(node);
    const QString name = node->text(QAccessible::Name);
    const std::string here = path + "/" + std::to_string(node->role()) + ":" + name.toStdString();
    if (isInteractive(*node)) {
        ++w.interactive;
        if (name.trimmed().isEmpty() || node->role() == QAccessible::NoRole ||
            node->role() == QAccessible::Client)
            w.faults.push_back(
                here + " has no name or no role (" +
                (node->object() ? node->object()->metaObject()->className() : "item") + " " +
                node->text(QAccessible::Description).toStdString() + ")");
    }
    for (int i = 0, n = node->childCount(); i < n; ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child) {
            w.faults.push_back(here + " lacks child " + std::to_string(i));
            continue;
        }
        if (child->parent() != node || node->indexOfChild(child) != i)
            w.faults.push_back(here + " disagrees with its child " + std::to_string(i));
        walk(child, here, w);
    }
}

Walk walkWindow(QWidget& window) {
    Walk w;
    walk(QAccessible::queryAccessibleInterface(&window), "", w);
    return w;
}

QAccessibleInterface* findNode(const Walk& w, QAccessible::Role role, const QString& name) {
    for (QAccessibleInterface* node : w.nodes)
        if (node->role() == role && node->text(QAccessible::Name) == name)
            return node;
    return nullptr;
}

using MainWndAccessibility = MainWindowTest;

} // namespace

TEST_F(MainWndAccessibility, EveryControlOfTheMainWindowHasARoleAndAName) {
    OpenWindow();
    EXPECT_EQ(walkWindow(*dlg).faults, std::vector<std::string>{}) << "with the list empty";
    AddItems(3);
    const Walk w = walkWindow(*dlg);
    EXPECT_EQ(w.faults, std::vector<std::string>{});
    EXPECT_GE(w.interactive, 30);
    for (const char* name : {"Start conversion", "Merge media", "Add media", "Play", "Position",
                             "Volume", "Profile", "Output Path", "Shutdown when finish"})
        EXPECT_TRUE(std::any_of(w.nodes.begin(), w.nodes.end(), [name](QAccessibleInterface* node) {
            return node->text(QAccessible::Name) == name;
        })) << name;

    // The list is a table of rows: names, ticks and progress as the rows show them.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dlg->FileList());
    ASSERT_EQ(list->role(), QAccessible::Table);
    ASSERT_EQ(list->childCount(), 3) << "the empty-list buttons are gone";
    QAccessibleInterface* row = list->child(1);
    EXPECT_EQ(row->role(), QAccessible::Row);
    EXPECT_EQ(row->text(QAccessible::Name),
              QString::fromStdString(dlg->FileList()->MediaAt(1)->displayName));
    EXPECT_EQ(row->childCount(), 5);
    EXPECT_EQ(row->child(3)->text(QAccessible::Description), QStringLiteral("State"));
    const bool ticked = row->state().checked;
    row->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_NE(dlg->FileList()->MediaAt(1)->hasState(kItemChecked), ticked);
    EXPECT_NE(row->state().checked, ticked);
    dlg->FileList()->MediaAt(1)->progress = 2500;
    EXPECT_EQ(row->valueInterface()->currentValue().toInt(), 2500);
    // A removed row reads as gone, not as another item.
    env->services.queueMessageBoxAnswer(IDOK);
    dlg->OnCommand(kCmdClear);
    EXPECT_EQ(list->childCount(), 2) << "the empty-list buttons again";

    // Pressing a button through its interface is a click.
    QAccessibleInterface* shutdown =
        findNode(walkWindow(*dlg), QAccessible::CheckBox, QStringLiteral("Shutdown when finish"));
    ASSERT_NE(shutdown, nullptr);
    shutdown->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(itemChecked(dlg->ToolBar(), CToolWnd::kShutdown));
    EXPECT_TRUE(shutdown->state().checked);
}

TEST_F(MainWndAccessibility, EveryDialogIsTitledAndItsControlsNamed) {
    OpenWindow();
    AddItems(1);
    const std::string existing = env->scratch.filePath("taken.mp4").toStdString();
    writeFile(existing, "taken");
    VelSettings renameSettings;
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        int minimum; // interactive nodes at least
    };
    const Case cases[] = {
        {"preferences", [&] { return std::make_unique<COptionDlg>(settings, dlg.get()); }, 10},
        {"fit to size", [&] { return std::make_unique<CFitSizeDlg>(0, dlg.get()); }, 5},
        {"rename",
         [&] { return std::make_unique<CFileRenameDlg>(existing, renameSettings, dlg.get()); }, 5},
        {"profile setting",
         [&] {
             return std::make_unique<CProfileSettingDlg>(catalogue, dlg->CurrentProfile(),
                                                         dlg.get());
         },
         10},
        {"about", [&] { return std::make_unique<CVelAboutDlg>(dlg.get()); }, 1},
        {"add device", [&] { return std::make_unique<CAddDeviceDlg>(dlg.get()); }, 4},
        {"screen recorder", [&] { return std::make_unique<CScreenRecorderDlg>(dlg.get()); }, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QDialog> dialog = c.make();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QAccessibleInterface* top = QAccessible::queryAccessibleInterface(dialog.get());
        EXPECT_EQ(top->role(), QAccessible::Dialog);
        EXPECT_FALSE(top->text(QAccessible::Name).isEmpty());
        const Walk w = walkWindow(*dialog);
        EXPECT_EQ(w.faults, std::vector<std::string>{});
        EXPECT_GE(w.interactive, c.minimum);
        dialog->hide();
    }

    // Each page of Video Edit as it is shown.
    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    for (int page = 0; page < CVideoEditDlg::kPageCount; ++page) {
        SCOPED_TRACE(page);
        edit->SelectPage(page);
        const Walk w = walkWindow(*edit);
        EXPECT_EQ(w.faults, std::vector<std::string>{});
        EXPECT_GE(w.interactive, 8);
    }
}
