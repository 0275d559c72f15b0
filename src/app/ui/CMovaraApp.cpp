#include "CMovaraApp.h"

#include "CMovaraDlg.h"
#include "SessionKeeper.h"
#include "TerminationSignals.h"

#include "CLoadFileDlg.h"
#include "CVelSkin.h"
#include "CustomProfileStore.h"
#include "PlatformServices.h"

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QTimer>

#include <malloc.h>
#include <memory>

namespace {

constexpr const char* kCaption = "Movara";

// Ends the modal run from wherever the window is: open menus close, dialogs and message boxes
// above the main window are cancelled (their loops end as the stack unwinds), then the main
// window closes the normal way.
void endRun(CMovaraDlg& window) {
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog != &window && dialog->isVisible())
            dialog->reject();
    }
    // Whoever sent the request does not wait for an answer: no question before quitting.
    window.EndWithoutAsking();
}

// Memory freed by the window's thread stays with the process instead of going back to the
// system at once: clearing a list of 10,000 items freed enough at the top of the heap for the
// system's unmapping of it to hold the window up for 150-300 ms. What stays is used again by the
// next items. Blocks of 128 KB and more keep their own mappings, returned by whichever thread
// frees them (this also keeps the allocator from raising that threshold as it goes).
// Every item starts codec threads of its own, and a thread that finds the arenas busy gets a new
// one (up to eight per core): the busier the machine, the more arenas, each keeping its own
// fragments, so the window's memory grew with the machine's load. Two arenas keep it flat.
void keepFreedMemory() {
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_ARENA_MAX, 2);
}

} // namespace

std::string CMovaraApp::DefaultSkinPath() {
    return platformServices().dataFolder() + "/skin/Default.skin";
}

bool CMovaraApp::InitInstance() {
    m_result = Run();
    return false;
}

int CMovaraApp::Run() {
    keepFreedMemory();
    PlatformServices& services = platformServices();
    // Common controls, the control container and the imaging library need no start here.
    if (!services.startNetwork()) {
        services.messageBox("Windows sockets initialization failed.", kCaption, MB_OK);
        return kNetworkFailed;
    }
    if (!services.acquireInstanceLock(kInstanceName)) {
        // The running window takes this start's files (a file manager's "Open With") and comes
        // to the front; only when it cannot be reached is the person told.
        if (services.handOverToInstance(kInstanceName, m_startFiles))
            return kHandedOver;
        services.messageBox("The program is already running!", kCaption, MB_OK, MB_ICONINFORMATION);
        return kAlreadyRunning;
    }
    CVelSkin& skin = theSkin();
    if (skin.Load(DefaultSkinPath()) < 0) {
        services.messageBox("Failed to Load skin file \"Default.skin!\"", kCaption, MB_OK,
                            MB_ICONERROR);
        services.releaseInstanceLock();
        return kSkinFailed;
    }

    // The catalogue is complete before the window reads the settings file, whose recent
    // profiles may refer to custom ones.
    loadProcessCustomProfiles(services.writableFolder());
    auto window = std::make_unique<CMovaraDlg>();
    CMovaraDlg* dialog = window.get();
    int result = IDCANCEL;
    if (dialog->Create() == 0) {
        dialog->InitDialog();
        // A logout or a stop request closes the window the normal way, which writes the
        // settings; the session manager's save request writes them at once as well.
        TerminationSignals stopRequests([dialog](int) { endRun(*dialog); });
        QMetaObject::Connection commit;
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            commit = QObject::connect(gui, &QGuiApplication::commitDataRequest, dialog,
                                      [dialog](QSessionManager&) { dialog->SaveSettings(); });
        services.listenForInstances(kInstanceName, [dialog](std::vector<std::string> files) {
            dialog->TakeHandedOverFiles(std::move(files));
        });
        // The list is kept in the session file while the window runs: a run that does not
        // end normally leaves it behind for the next start to offer.
        const std::string folder = services.writableFolder();
        SessionKeeper session(
            *dialog, folder.empty() ? std::string() : folder + "/" + std::string(kSessionFileName));
        // Once the modal run has begun, so that the window is on screen beneath the question
        // and the loading dialog. The restored items come first, the start's files after them.
        QTimer::singleShot(0, dialog, [dialog, &session, files = m_startFiles] {
            session.Restore();
            if (!files.empty()) {
                CLoadFileDlg loading(files, dialog, dialog, dialog->Skin());
                loading.exec();
            }
        });
        if (m_hook)
            m_hook(*dialog);
        result = dialog->DoModal();
        session.End();
        QObject::disconnect(commit);
    } else {
        dialog->Destroy();
    }

    services.releaseInstanceLock();
    skin.Unload();
    window.reset();
    return result;
}
