#include "CGeneralOptionDlg.h"

#include "OptionPageItems.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "VelSettings.h"

using namespace option_page;

CGeneralOptionDlg::CGeneralOptionDlg(VelSettings& settings, QWidget* parent, CBaseSkin* skin)
    : CBaseSetup(kTemplateId, parent, skin), m_settings(settings) {
    m_pane = makePagePane(*this, "GeneralOptionWnd", kPaneId);
    m_mode = new CVelComboBox(m_pane, kModeComboId);
    m_mode->addItems(
        {QStringLiteral("Rename"), QStringLiteral("Skip"), QStringLiteral("Overwrite")});
    QObject::connect(m_mode, &QComboBox::currentIndexChanged, this,
                     [this](int) { UpdateRenameCheck(); });

    m_pane->AddItem(label(kModeLabel, "When Output File Exist : ", 20));
    m_pane->AddItem(hosted(kModeComboItem, m_mode, 140, 20));
    m_pane->AddItem(checkBox(kShowRenameDialog, "Show file rename dialog",
                             "When the file exists to display the file rename dialog box", 12));
    m_pane->AddItem(
        checkBox(kEnableQuickTime, "Enable QuickTime", "Enable Quicktime decode function", 12));
    m_pane->AddItem(
        checkBox(kEnableDirectShow, "Enable DirectShow", "Enable DirectShow decode function", 12));
    Fill();
}

void CGeneralOptionDlg::Fill() {
    int entry = kRename;
    if (m_settings.option(kOptionOverwrite))
        entry = kOverwrite;
    else if (m_settings.option(kOptionSkip))
        entry = kSkip;
    m_mode->setCurrentIndex(entry);
    setChecked(m_pane, kShowRenameDialog, m_settings.option(kOptionShowRenameDialog));
    setChecked(m_pane, kEnableQuickTime, m_settings.option(kOptionQuickTime));
    setChecked(m_pane, kEnableDirectShow, m_settings.option(kOptionDirectShow));
    UpdateRenameCheck();
}

void CGeneralOptionDlg::UpdateRenameCheck() {
    const bool rename = m_mode->currentIndex() == kRename;
    m_pane->SetItemState(kShowRenameDialog, rename ? kStateDisabled : 0,
                         rename ? 0 : kStateDisabled);
}

void CGeneralOptionDlg::Store() {
    uint32_t mode = kOptionRename;
    if (m_mode->currentIndex() == kOverwrite)
        mode = kOptionOverwrite;
    else if (m_mode->currentIndex() == kSkip)
        mode = kOptionSkip;
    // One change of the shared flags word, so a reader never sees no mode or two.
    uint32_t flags = m_settings.optionFlags.load();
    uint32_t wanted;
    do {
        wanted = flags & ~(kOptionOverwrite | kOptionSkip | kOptionRename |
                           kOptionShowRenameDialog | kOptionQuickTime | kOptionDirectShow);
        wanted |= mode;
        if (checked(m_pane, kShowRenameDialog))
            wanted |= kOptionShowRenameDialog;
        if (checked(m_pane, kEnableQuickTime))
            wanted |= kOptionQuickTime;
        if (checked(m_pane, kEnableDirectShow))
            wanted |= kOptionDirectShow;
    } while (!m_settings.optionFlags.compare_exchange_weak(flags, wanted));
}
