#include "CProfileSaveasDlg.h"

#include "CBaseWnd.h"
#include "CVelEdit.h"
#include "PlatformServices.h"
#include "ProfileCatalogue.h"
#include "ProfileDialogPaint.h"

namespace {

constexpr int kSide = 16;

PaneItem button(int id, const char* caption, int marginRight) {
    return bottomRightButton(id, caption, marginRight, 14);
}

} // namespace

CProfileSaveasDlg::CProfileSaveasDlg(ProfileCatalogue& catalogue, ProfileRef record, int mode,
                                     QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_catalogue(catalogue),
      m_record(std::move(record)), m_mode(mode) {
    const QString caption =
        mode == kRename ? QStringLiteral("Rename") : QStringLiteral("Save as Profile");
    SetTitle(caption);
    setWindowTitle(caption);
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("ProfileSaveas"), kPaneId, kWidth, kHeight);

    PaneItem label;
    label.id = kNameLabel;
    label.caption = QStringLiteral("Profile Name:");
    label.setSize(96, 22);
    label.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    label.setMargins(kSide, 0, 18, 0);
    label.behaviour = kItemNoHover;
    m_pane->AddItem(label);

    m_edit = new CVelEdit(m_pane, kEditId);
    m_edit->setText(QString::fromStdString(m_record ? m_record->name : std::string()));
    PaneItem edit;
    edit.id = kNameEdit;
    edit.hosted = m_edit;
    edit.setSize(0, 22);
    edit.placement = kPlaceTopLeft | kPlaceFixedHeight;
    edit.setMargins(4, kSide, 18, 0);
    edit.behaviour = kItemNoHover;
    m_pane->AddItem(edit);

    // Right to left: Cancel at the edge, OK before it.
    m_pane->AddItem(button(kCancel, "Cancel", kSide));
    m_pane->AddItem(button(kOk, "OK", 8));
    SetKeyButtons(m_pane, kOk, kCancel);
    Relayout();
    m_edit->setFocus();
    m_edit->selectAll();
}

bool CProfileSaveasDlg::Ok() {
    const std::string name = m_edit->text().toStdString();
    const std::string caption = windowTitle().toStdString();
    if (name.empty()) {
        platformServices().messageBox("The profile name can't is null!", caption, MB_OK,
                                      MB_ICONSTOP);
        return false;
    }
    if (m_catalogue.containsName(kCustomCategory, name)) {
        platformServices().messageBox("The profile with the same name is already exist!", caption,
                                      MB_OK, MB_ICONSTOP);
        return false;
    }
    if (!m_record)
        return false;
    if (m_mode == kRename) {
        Profile renamed = *m_record;
        renamed.name = name;
        m_catalogue.replace(m_record, renamed);
        return true;
    }
    Profile copy = *m_record;
    // A copy of a built-in profile refers to it; custom and recent profiles pass their own
    // reference on.
    const int position = m_catalogue.positionOf(m_record.get());
    if (m_record->category != kCustomCategory && m_record->category != kRecentCategory &&
        position >= 0)
        copy.index = (m_record->category << 16) | position;
    // A recent entry picked from a custom profile refers to a position among the custom
    // profiles, which moves when an earlier one is deleted: the copy refers to that custom
    // profile's own built-in source instead.
    for (int hops = 0; hops < 2; ++hops) {
        const ProfileRef source = m_catalogue.sourceOf(copy.index);
        if (!source || source->category != kCustomCategory)
            break;
        copy.index = source->index;
    }
    copy.category = kCustomCategory;
    copy.name = name;
    if (!m_catalogue.add(copy))
        return false;
    m_created = m_catalogue.list(kCustomCategory).back();
    return true;
}

void CProfileSaveasDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    if (notify.item->id == kOk) {
        if (Ok())
            done(IDOK);
        else
            m_edit->setFocus();
    } else if (notify.item->id == kCancel) {
        done(IDCANCEL);
    }
}

void CProfileSaveasDlg::OnCloseButton() {
    done(IDCANCEL);
}

bool CProfileSaveasDlg::PaintBackground(QPainter& painter, int fillType) {
    paintFramedDialog(*this, painter);
    return true;
}
