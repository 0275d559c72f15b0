#include "CMovaraApp.h"

#include "CMovaraDlg.h"
#include "TerminationSignals.h"

#include "CVelSkin.h"
#include "PlatformServices.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <memory>

namespace {

constexpr const char* kCaption = "Movara";

} // namespace

std::string CMovaraApp::DefaultSkinPath() {
    return platformServices().dataFolder() + "/skin/Default.skin";
}

bool CMovaraApp::InitInstance() {
    Run();
    return false;
}

int CMovaraApp::Run() {
    PlatformServices& services = platformServices();
    // Common controls, the control container and the imaging library need no start here.
    if (!services.startNetwork()) {
        services.messageBox("Windows sockets initialization failed.", kCaption, MB_OK);
        return kNetworkFailed;
    }
    if (!services.acquireInstanceLock(kInstanceName)) {
        // The running instance is left as it is, not even brought to the front.
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

    auto window = std::make_unique<CMovaraDlg>();
    CMovaraDlg* dialog = window.get();
    int result = IDCANCEL;
    if (dialog->Create() == 0) {
        dialog->InitDialog();
        // A logout or a stop request closes the window the normal way, which writes the
        // settings; the session manager's save request writes them at once as well.
        TerminationSignals stopRequests([dialog](int) { dialog->reject(); });
        QMetaObject::Connection commit;
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            commit = QObject::connect(gui, &QGuiApplication::commitDataRequest, dialog,
                                      [dialog](QSessionManager&) { dialog->SaveSettings(); });
        if (m_hook)
            m_hook(*dialog);
        result = dialog->DoModal();
        QObject::disconnect(commit);
    } else {
        dialog->Destroy();
    }

    services.releaseInstanceLock();
    skin.Unload();
    window.reset();
    return result;
}
