// Capture sources in the main window's list: the input device and screen recorder commands, and
// the device item either dialog's record becomes.
#include "CMovaraDlg.h"

#include "CAddDeviceDlg.h"
#include "CScreenRecorderDlg.h"
#include "DeviceItem.h"

#include "CFileListWnd.h"
#include "PlatformTypes.h"
#include "ProfileCatalogue.h"

void CMovaraDlg::OnAddDevice() {
    if (Busy() || m_destroyed)
        return;
    CAddDeviceDlg dialog(this, Skin());
    if (dialog.exec() == IDOK)
        AddDeviceItem(dialog.Record());
}

void CMovaraDlg::OnScreenRecorder() {
    if (Busy() || m_destroyed)
        return;
    CScreenRecorderDlg dialog(this, Skin());
    if (dialog.exec() == IDOK)
        AddDeviceItem(dialog.Record());
}

int CMovaraDlg::AddDeviceItem(const VEL_DEVICE_INFO& record) {
    if (!m_fileList || m_destroyed)
        return -1;
    ProfileRef profile = SelectedProfile();
    if (!profile)
        profile = m_catalogue.defaultProfile();
    int index = -1;
    {
        const auto change = m_convert.listChange();
        index = m_fileList->Add(capture::makeDeviceItem(record, profile));
    }
    if (index < 0)
        return -1;
    return LoadItem(index) ? index : -1;
}
