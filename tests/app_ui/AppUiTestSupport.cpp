#include "AppUiTestSupport.h"

#include "CBaseWnd.h"
#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CVelComboBox.h"
#include "CVelSkin.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <fstream>
#include <sstream>

std::string builtDataFolder() {
    return MOVARA_BIN_DIR;
}

std::string builtSkinPath() {
    return builtDataFolder() + "/skin/Default.skin";
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::shared_ptr<bool> onNextPopup(std::function<void(QMenu&)> inspect, int timeoutMs) {
    auto seen = std::make_shared<bool>(false);
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, seen, started, inspect, timeoutMs] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu && started->elapsed() < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        if (!menu)
            return;
        *seen = true;
        inspect(*menu);
        menu->close();
    });
    poll->start(10);
    return seen;
}

void onNextModal(std::function<void(QWidget&)> inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        inspect(*modal);
    });
    poll->start(10);
}

bool itemDisabled(const CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    EXPECT_NE(item, nullptr) << "pane " << pane->PaneId() << " item " << itemId;
    return item && item->isDisabled();
}

bool itemChecked(const CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    return item && item->isChecked();
}

void clickItem(CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    ASSERT_NE(item, nullptr) << "pane " << pane->PaneId() << " item " << itemId;
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

QStringList comboTexts(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

void pickEntry(CVelComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

bool menuEnabled(const CMenuEx* menu, int commandId) {
    const QAction* action = menu ? menu->FindCommand(commandId) : nullptr;
    EXPECT_NE(action, nullptr) << "command " << commandId;
    return action && action->isEnabled();
}

MainWindowEnvironment::MainWindowEnvironment() {
    testApp();
    writable = scratch.filePath("bin").toStdString();
    documents = scratch.filePath("documents").toStdString();
    QDir().mkpath(QString::fromStdString(writable));
    QDir().mkpath(QString::fromStdString(documents));
    services.setWritableFolder(writable);
    services.setDocumentsFolder(documents);
    services.setExecutableFolder(writable);
    services.setDataFolder(builtDataFolder());
    m_installed = std::make_unique<ScopedPlatformServices>(services);
}

MainWindowEnvironment::~MainWindowEnvironment() = default;

void MainWindowTest::SetUp() {
    env = std::make_unique<MainWindowEnvironment>();
    fake.reset();
    ASSERT_GE(theSkin().Load(builtSkinPath()), 0);
}

void MainWindowTest::TearDown() {
    dlg.reset();
    fake.reset();
    env.reset();
}

void MainWindowTest::OpenWindow() {
    dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
    ASSERT_EQ(dlg->Create(), 0);
    ASSERT_TRUE(dlg->InitDialog());
    dlg->resize(CMovaraDlg::kMinWidth, CMovaraDlg::kMinHeight);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
}

int MainWindowTest::AddItem(const std::string& path) {
    MediaItem item;
    item.sourcePath = path;
    item.displayName = path.substr(path.find_last_of("/:") + 1);
    item.profile = dlg->CurrentProfile();
    const int index = dlg->FileList()->Add(item);
    EXPECT_GE(index, 0);
    EXPECT_EQ(dlg->LoadItem(index), 1) << path;
    return index;
}

void MainWindowTest::AddItems(int count) {
    for (int i = 0; i < count; ++i)
        AddItem("/media/clip" + std::to_string(i) + ".avi");
}

void MainWindowTest::ClickRow(int index, Qt::MouseButton button) {
    CFileListWnd* list = dlg->FileList();
    const int top = 24 + (index - list->FirstVisibleRow()) * 20;
    QTest::mouseClick(list, button, {}, QPoint(120, top + 10));
}

void MainWindowTest::ClickRowBox(int index) {
    CFileListWnd* list = dlg->FileList();
    const int top = 24 + (index - list->FirstVisibleRow()) * 20;
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(9, top + 10));
}
