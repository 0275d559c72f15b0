// Shared pieces of the main window's tests: the application object, scripted platform services
// in a scratch folder, the built default skin, the fake codec engine, and a fixture holding an
// initialised main window with its own settings record and profile catalogue.
#pragma once

#include "CMovaraDlg.h"

#include "FakePlatformServices.h"
#include "FakeVelCodec.h"
#include "ProfileCatalogue.h"
#include "QtTestSupport.h"
#include "VelSettings.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

class CBaseWnd;
class CMenuEx;
class CVelComboBox;
class QComboBox;
class QMenu;

// The built skins' folder (bin/skin) and the folder holding it.
std::string builtDataFolder();
std::string builtSkinPath();
// Writes `text` to `path`; reads a whole file ("" when missing).
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

// Runs `inspect` on the next pop-up menu that opens (within the time), then closes it.
// Returns a flag that tells whether a menu was seen.
std::shared_ptr<bool> onNextPopup(std::function<void(QMenu&)> inspect, int timeoutMs = 2000);
// Runs `inspect` on the next modal dialog that opens, then lets `finish` end it.
void onNextModal(std::function<void(QWidget&)> inspect);

// True when the pane's item carries the disabled bit.
bool itemDisabled(const CBaseWnd* pane, int itemId);
bool itemChecked(const CBaseWnd* pane, int itemId);
// A press and release of the left (or right) button on the pane item's centre.
void clickItem(CBaseWnd* pane, int itemId);
// The menu's item state for a command (false when the menu lacks it).
bool menuEnabled(const CMenuEx* menu, int commandId);
// The combo's entry texts, in order.
QStringList comboTexts(const QComboBox* combo);
// A person picks entry `index` from the open list: the combo selects it and reports the choice.
void pickEntry(CVelComboBox* combo, int index);

// Folders and services every main window test uses.
class MainWindowEnvironment {
public:
    MainWindowEnvironment();
    ~MainWindowEnvironment();

    FakePlatformServices services;
    QTemporaryDir scratch;
    std::string writable;  // Movara.cfg lives here
    std::string documents; // the documents folder
    std::string settingsPath() const { return writable + "/Movara.cfg"; }

private:
    std::unique_ptr<ScopedPlatformServices> m_installed;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and initialises the window (InitDialog reads the settings file), shows it at
    // 880 x 560.
    void OpenWindow();
    // Adds an item for `path` (a device path when it starts with "fakedev:") through the list
    // and loads it; returns its index.
    int AddItem(const std::string& path);
    void AddItems(int count);
    // A left click on row `index` of the file list (the way a person moves the focus).
    void ClickRow(int index, Qt::MouseButton button = Qt::LeftButton);
    void ClickRowBox(int index);

    std::unique_ptr<MainWindowEnvironment> env;
    VelSettings settings;
    ProfileCatalogue catalogue;
    std::unique_ptr<CMovaraDlg> dlg;
    FakeVelCodec& fake = FakeVelCodec::instance();
};
