// The main window: a skinned dialog with the tool bar, status bar, action pane, save-to pane,
// file list, play control and video surface, the four pop-up menus, the profile combos and the
// output path box. It owns the conversion engine object and routes every command, pane
// notification and private message.
//
// Life cycle: construct, Create() (window creation: the panes), InitDialog() (menus, save-to
// pane, profile combos, settings file, skin, command states, the start timer), run (DoModal), then
// Destroy() (engine items released, settings saved, panes and menus deleted). DoModal runs the
// steps not run yet and ends with Destroy.
#pragma once

#include "CBaseDialog.h"
#include "CVelConvert.h"
#include "CVelVersionUpdate.h"
#include "ConversionTally.h"
#include "Profile.h"
#include "QuitQuestion.h"

#include <QBasicTimer>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CActionWnd;
class CBaseWnd;
class CFileListWnd;
class CMenuEx;
class CPlayCtrlWnd;
class CSavetoWnd;
class CStatusWnd;
class CToolWnd;
class CVelComboBox;
class CVelEdit;
class CVideoEditDlg;
class CVideoWnd;
class ProfileCatalogue;
class ProfileComboPair;
class ScanEscapeLatch;
struct SettingsFileContents;
struct VelSettings;

class CMovaraDlg : public CBaseDialog {
public:
    static constexpr int kMinWidth = 880;
    static constexpr int kMinHeight = 560;
    static constexpr unsigned kCaptionMask = 47;
    // The classic dialog template's size in pixels, never below the minimum.
    static constexpr int kInitialWidth = 894;
    static constexpr int kInitialHeight = 560;
    // From a change of a setting to the settings file written (well within a second).
    static constexpr int kSettingsSaveDelayMs = 300;

    // `settings` and `catalogue` are the process-wide records unless a caller hands its own.
    explicit CMovaraDlg(VelSettings& settings, ProfileCatalogue& catalogue,
                        QWidget* parent = nullptr);
    CMovaraDlg();
    ~CMovaraDlg() override;

    // --- life cycle ---
    // Window creation: title, window style and the seven panes in layout order. -1 when a pane
    // cannot be made, else 0.
    int Create();
    // Dialog initialisation, in the fixed order (see the file comment). False without Create.
    bool InitDialog();
    bool Initialised() const { return m_initialised; }
    // Runs the steps not run yet, the modal loop, then Destroy. IDOK after "Exit", IDCANCEL
    // after the caption's close button (or when the window could not be created).
    int DoModal();
    // Window destruction, once: engine items released, settings file written, panes and menus
    // deleted. The object stays, as an empty window.
    void Destroy();
    // Writes the settings file now ("Movara.cfg" in the program's writable folder).
    bool SaveSettings();
    std::string SettingsPath() const;

    // --- operations other parts call ---
    // Move up/down, remove, edit, play, duplicate, file information, open the folder, from the
    // list's focused index and count.
    void UpdateCommandStates();
    // Called when a conversion starts and ends.
    void LockForConversion();
    void Unlock();
    // 1: the item counts; 2: the focused item's profile (or the selected one).
    void UpdateStatusText(int selector);
    // Shows the profile's category in combo 1001 (refilling combo 1000 when the category
    // changes) and the profile in combo 1000 (by record, else by exact name).
    void SelectProfileInCombos(const ProfileRef& profile);
    // Opens the list's item at `index` in the engine and fills in its duration and estimate.
    // On failure the message is shown, the item is removed again, and the result is 0.
    int LoadItem(int index);
    // The window's activity: the engine object's state (idle, converting, suspended,
    // previewing, preview paused).
    int State() const { return m_convert.state(); }

    // --- adding media (CMovaraDlgAdd.cpp) ---
    // Builds an item for the path, appends it to the list and loads it. The item's index, or -1
    // when the engine refused it (the message was shown and the item removed again).
    int AddFileByPath(const std::string& path);
    // Scans the folder (media patterns, subfolders depth first) and adds each file found; Escape
    // ends the scan, keeping what was added. Never changes the process's current directory.
    // 1 when the scan ran to its end, 0 when it stopped early or the folder was no folder.
    int AddFolder(const std::string& path);
    // Dropped paths in order: folders scanned, anything else added as a file. Nothing while a
    // conversion runs or is paused.
    void AddDroppedPaths(const std::vector<std::string>& paths);
    // Files another start of the program handed over: the window comes to the front and adds
    // them as "Add File..." does, at once when it is idle, else once the conversion, scan or
    // dialog in the way has ended.
    void TakeHandedOverFiles(std::vector<std::string> files);

    // Appends a copy of an item of an earlier session and loads it, as adding does; `output` is
    // the file a "Finish" item made. The item's index, or -1 when the engine refused it.
    int RestoreItem(const MediaItem& item, const std::string& output);
    // Called after every change of the list or of an item a person made (the session file
    // follows the list through it).
    void SetListChangeHandler(std::function<void()> handler) { m_listChanged = std::move(handler); }

    // --- capture sources (CMovaraDlgCapture.cpp) ---
    // Appends and loads the item of a capture record (named after its device, as long as its
    // time limit, with the selected profile). Its index, or -1 when the engine refused it.
    int AddDeviceItem(const VEL_DEVICE_INFO& record);

    // --- conversion control (CMovaraDlgConvert.cpp) ---
    // Start with the merge bit or without it: 1 when the conversion started, 0 when a check
    // stopped it (the message was shown, nothing changed).
    int StartConversion(bool merge);
    void PauseConversion();
    void ResumeConversion();
    void StopConversion();
    // A quit the person asked for (close button, "Exit", Escape) while converting or paused asks
    // "A conversion is running. Stop it and quit?" first; No (the default button) keeps
    // converting. The question closes itself, as No, when the conversion ends under it.
    void done(int result) override;
    // Ends the run without that question: a termination signal or the session's end.
    void EndWithoutAsking();

    // --- the preview player (CMovaraDlgPreview.cpp) ---
    // Plays the focused item (a missing file is told and marked); pause, resume; stop closes the
    // preview edit and gives the pane and the surface their idle look.
    void StartPreview();
    void PausePreview();
    void ResumePreview();
    void StopPreview();
    // Stops only when a preview is open (before adding, a focus change, a conversion).
    void StopPreviewIfActive();

    // --- commands ---
    // A command of the menus or the panes; a command whose feature this build lacks does
    // nothing.
    void OnCommand(int commandId);
    // The window's enable state of a command (what lock, unlock and the list decide); the
    // menu items are greyed when this is false or the command is not available.
    bool IsCommandEnabled(int commandId) const;
    void EnableCommand(int commandId, bool enabled);
    // Greys menu 131's items for a right click on row `index` (-1: below the rows).
    void PrepareListMenu(int index);

    // --- parts ---
    CVelConvert& Convert() { return m_convert; }
    VelSettings& Settings() const { return m_settings; }
    ProfileCatalogue& Catalogue() const { return m_catalogue; }
    CToolWnd* ToolBar() const { return m_toolBar; }
    CStatusWnd* StatusBar() const { return m_statusBar; }
    CActionWnd* ActionPane() const { return m_actionPane; }
    CSavetoWnd* SavetoPane() const { return m_savetoPane; }
    CFileListWnd* FileList() const { return m_fileList; }
    CPlayCtrlWnd* PlayControl() const { return m_playControl; }
    CVideoWnd* VideoSurface() const { return m_videoSurface; }
    // Null until the first "Video Edit...".
    CVideoEditDlg* EditDialog() const { return m_editDialog; }
    CVelComboBox* ProfileCombo() const { return m_profileCombo; }
    CVelComboBox* CategoryCombo() const { return m_categoryCombo; }
    CVelEdit* OutputPathEdit() const { return m_outputPath; }
    CMenuEx* Menu(int menuId) const;
    // The profile the window works with: new items get it, the focused item has it.
    ProfileRef CurrentProfile() const { return m_currentProfile; }
    // The profile selected in combo 1000, or null.
    ProfileRef SelectedProfile() const;

    // --- dialogs (CMovaraDlgDialogs.cpp) ---
    // Where the version checks ask; the maker's server unless a test points elsewhere.
    void SetVersionServer(const std::string& server) { m_versionServer = server; }
    // The silent check's checker (null before the start timer fired).
    CVelVersionUpdate* VersionChecker() const { return m_versionCheck.get(); }

    // --- messages and pane notifications ---
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t OnPaneNotify(unsigned code, const PaneNotify* notify) override;
    void OnPaneClick(const PaneNotify& notify) override;
    void OnPaneDblClick(const PaneNotify& notify) override;
    void OnMenuButton() override;
    void OnIconButton() override;
    void OnEscapeKey() override;
    // The minimum size on a screen with this available area: the classic minimum, or less
    // where the screen is smaller.
    static QSize FittedMinimumSize(const QSize& available);

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // A close the person asks for (the window manager's) asks like the close button; one the
    // program itself sends (its quit at the session's end closes every window) does not.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // CMovaraDlg.cpp: life cycle and routing.
    void CreateMenus();
    void AttachTrackMenus();
    void ApplySettingsContents(const SettingsFileContents& contents);
    // Loads the skin named in the settings when its file exists; 1 loaded, else 0.
    int ApplySkin(const std::string& skinFile);
    std::string LoadedSkinName() const;
    void InvalidateAll();
    // Shows `menu` at a screen point and runs the chosen command.
    void PopupMenu(CMenuEx* menu, const QPoint& globalPos);
    bool Busy() const; // converting or conversion paused
    void ListChanged();
    intptr_t RouteMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);
    static void EnableItem(CBaseWnd* pane, int itemId, bool enabled);

    // CMovaraDlgCommands.cpp: the list commands, help, homepage, about.
    void OnClear();
    void OnRemove();
    void OnDuplicate();
    void OnFitSize();
    void OnMoveUp();
    void OnMoveDown();
    void OnSelectAll(bool on);
    void OnOpenFolder();
    void OnHelpTopics();
    void OnHomepage();
    void OnAbout();
    void OnFocusChanged(int index);
    void OnListRightClick(int index);
    void OnToolClick(int itemId, const PaneItem& item);
    void OnListButtonClick(int itemId, const PaneItem& item);
    // Where adding files through the dialogs lands (the empty list's button, the double click
    // below the rows, command 32780).
    void OnAddFiles();

    // CMovaraDlgAdd.cpp: the add-files and add-folder commands, messages 1225 and 2046.
    void OnAddFolder();
    void AddHandedOverFiles();
    // 1 to go on with a folder scan, 0 once Escape was pressed since the last file.
    intptr_t OnBrowseFile(const char* path);

    // CMovaraDlgCapture.cpp: commands 32838 and 32843.
    void OnAddDevice();
    void OnScreenRecorder();

    // CMovaraDlgConvert.cpp: the action pane, messages 3245 and 3246, the completion actions.
    void OnActionClick(int itemId);
    // The two elements' images and tooltips: idle, converting or suspended.
    void SetActionLook(int state);
    void OnConversionOver();
    // A reported item state: a failure's reason goes to the row's tooltip and the status bar.
    void NoteItemOutcome(const MediaItem* item);
    // The file rename dialog for an existing output; the answer goes back to the engine.
    intptr_t OnOutputExists(char* pathBuffer);
    void OnOutputFinished(const char* path);
    // What the desktop shows of a conversion: the launcher's progress and count from its start
    // to its end, and a notification of how it went when it ends while the window is not active.
    void BeginDesktopProgress();
    void UpdateDesktopProgress();
    void NotifyConversionEnd();
    void EndDesktopProgress();

    // CMovaraDlgPreview.cpp: the play control, preview events, volume, picture, snapshots.
    MediaItem* PreviewTarget() const; // the list's focused item
    bool PreviewHasVideo();           // the pane's item has a video stream
    void SetPlayLook(bool playing);
    void OnPlayControlClick(int itemId, const PaneItem& item);
    // Message 1124 from the play control without an item: a handle's value.
    void OnPlayControlValue(unsigned code, const PaneNotify& notify);
    void OnPreviewEvent(const tagVeldesEvent* event);
    void SetVolumeLevel(int level);
    void ToggleMute();
    void ApplyEffectSetting();
    // After the settings are loaded: the volume (or mute) and the picture, to pane and engine.
    void ApplyPreviewSettings();
    void UpdateSnapshotCommand();
    void TakeSnapshot();
    void OnSnapshotPixels(const void* pixels, int width, int height);
    void OnOpenSnapshotFolder();
    void OnChangeSnapshotFolder();
    // CMovaraDlgEdit.cpp: the video edit dialog.
    // Creates it on first use, shows the page over the file list and hands it the focused item.
    void OpenEditDialog(int page);
    // The item (or none) and its stream records go to the dialog, when it exists.
    void GiveItemToEditDialog(MediaItem* item);
    void CloseEditDialog();
    // 4809, 4806, 4812: the changed setting to an open preview, and to all items when asked.
    intptr_t OnEditChanged(unsigned msg, uintptr_t wParam, intptr_t lParam);
    // The "Sound" page changed an item's loudness setting (4815).
    intptr_t OnSoundChanged(uintptr_t wParam, MediaItem* item);
    // True for an item of the list.
    bool IsListed(const MediaItem* item);
    // CMovaraDlgDialogs.cpp: media information, preferences, version checks.
    void EnableDialogButtons();
    void OnFileInfo();
    void OnPreferences();
    void OnCheckUpdates();
    std::shared_ptr<CVelVersionUpdate> MakeVersionChecker() const;
    void StartAutomaticVersionCheck();
    void OnVersionResult(const VersionCheckResult* result);
    void EndVersionCheck();

    // CMovaraDlgSaveto.cpp: the save-to pane, the profile combos.
    void FillSavetoPane();
    void FillCategories();
    void InsertRecentCategory();
    void OnSavetoClick(int itemId, const PaneItem& item);
    void OnCategorySelected(int index);
    void OnProfileSelected(int index);
    // The current profile becomes `profile`; the focused item gets it, its estimate is redone.
    void GiveProfileToFocused(const ProfileRef& profile);
    void OnBrowseOutput();
    void OnOpenOutputFolder();
    void OnApplyToAll();
    void ApplySameAsInput(bool checked);
    void ApplyFlagsToChecks();

    // CMovaraDlgKeys.cpp: shortcuts and the Tab order.
    void SetUpKeyboard();
    // CMovaraDlgScreen.cpp: the minimum size fitted to the screen's available area, and the
    // window brought within it when `shrinkWindow`.
    void FitToScreen(bool shrinkWindow);
    void FollowScreenChanges();
    // CMovaraDlgSettings.cpp: the settings file written again soon after a change.
    void WatchSettings();
    void ScheduleSettingsSave();
    // CMovaraDlgProfiles.cpp: the profile setting dialog and the custom profiles' file.
    void OnProfileSetting();
    // A profile the user chose: into the recent list, current, given to the focused item.
    void TakeChosenProfile(const ProfileRef& profile);
    void SaveCustomProfiles();

    VelSettings& m_settings;
    ProfileCatalogue& m_catalogue;
    CVelConvert m_convert;
    ConversionTally m_tally;
    ConversionTally::Figures m_launcherShown;
    CToolWnd* m_toolBar = nullptr;
    CStatusWnd* m_statusBar = nullptr;
    CActionWnd* m_actionPane = nullptr;
    CSavetoWnd* m_savetoPane = nullptr;
    CFileListWnd* m_fileList = nullptr;
    CPlayCtrlWnd* m_playControl = nullptr;
    CVideoWnd* m_videoSurface = nullptr;
    CVideoEditDlg* m_editDialog = nullptr; // modeless, made on first use
    CVelComboBox* m_profileCombo = nullptr;
    CVelComboBox* m_categoryCombo = nullptr;
    CVelEdit* m_outputPath = nullptr;
    std::unique_ptr<CMenuEx> m_mainMenu;
    std::unique_ptr<CMenuEx> m_listMenu;
    std::unique_ptr<CMenuEx> m_snapshotMenu;
    std::unique_ptr<CMenuEx> m_addMediaMenu;
    std::map<int, bool> m_commandEnabled;
    ProfileRef m_currentProfile;
    // Combos 1001 and 1000 and the records listed in 1000.
    std::unique_ptr<ProfileComboPair> m_profileCombos;
    QBasicTimer m_versionTimer; // timer 1
    QTimer m_settingsTimer;
    VersionCheckerHold<CVelVersionUpdate> m_versionCheck;
    std::string m_versionServer = kVelUpdateServer;
    bool m_liveUpdateOpen = false;
    // Handed-over files waiting for the window to be free to add them.
    std::vector<std::string> m_handedOver;
    bool m_handOverPending = false;
    bool m_endWithoutAsking = false;
    // The question before quitting while converting; withdrawn when the conversion ends.
    QuitQuestion m_quitQuestion;
    // The status bar shows a failure of this run instead of the profile summary.
    bool m_failureShown = false;
    // Latches Escape while a folder scan runs (null otherwise).
    ScanEscapeLatch* m_scanLatch = nullptr;
    std::function<void()> m_listChanged;
    bool m_followsScreen = false;
    bool m_created = false;
    bool m_initialised = false;
    bool m_destroyed = false;
};
