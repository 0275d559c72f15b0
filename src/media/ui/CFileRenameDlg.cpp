#include "CFileRenameDlg.h"

#include "CBaseWnd.h"
#include "CCaptionWnd.h"
#include "CVelEdit.h"
#include "SkinPaint.h"
#include "VelSettings.h"

#include <QPainter>

namespace {

constexpr int kSide = 16;
constexpr int kLine = 20;
constexpr int kButtonHeight = 24;
constexpr int kLabelWidth = 110;
// The skin's colour of control frames.
constexpr int kFrameColorId = 117;

PaneItem text(int id, const QString& caption, int marginTop, int width) {
    PaneItem item;
    item.id = id;
    item.caption = caption;
    item.setSize(width, kLine);
    item.placement = kPlaceTopLeftLine | kPlaceFixedWidth | kPlaceFixedHeight;
    item.setMargins(kSide, 0, marginTop, 0);
    item.behaviour = kItemNoHover;
    return item;
}

PaneItem button(int id, const char* caption, const char* tip, int marginRight) {
    PaneItem item = bottomRightButton(id, caption, marginRight, 14);
    item.tooltip = QString::fromUtf8(tip);
    return item;
}

} // namespace

CFileRenameDlg::CFileRenameDlg(const std::string& fullPath, VelSettings& settings, QWidget* parent,
                               CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_logic(fullPath, settings) {
    SetTitle(QStringLiteral("Rename"));
    setWindowTitle(QStringLiteral("Rename"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("File Rename"), kPaneId, kWidth, kHeight);

    const int lineWidth = kWidth - 2 * kSide;
    m_pane->AddItem(text(kExistsText, QString::fromStdString(m_logic.existsText()), 14, lineWidth));
    m_pane->AddItem(text(kEnterText,
                         QStringLiteral("Enter a new file name and press OK. Press Cancel to "
                                        "cancel the file conversion."),
                         6, lineWidth));
    m_pane->AddItem(text(kAutoText,
                         QStringLiteral("Press Auto to generate a unique file name by the system. "
                                        "(Source file name + system time)"),
                         2, lineWidth));
    m_pane->AddItem(text(kNameLabel, QStringLiteral("New File Name : "), 12, kLabelWidth));

    m_edit = new CVelEdit(m_pane, kEditId);
    m_edit->setText(QString::fromStdString(m_logic.name()));
    PaneItem edit;
    edit.id = kNameEdit;
    edit.hosted = m_edit;
    edit.setSize(0, 22);
    edit.placement = kPlaceTopLeft | kPlaceFixedHeight;
    edit.setMargins(4, kSide, 11, 0);
    edit.behaviour = kItemNoHover;
    m_pane->AddItem(edit);

    PaneItem always;
    always.id = kAlwaysShow;
    always.caption = QStringLiteral("Always show this dialog");
    always.setSize(0, kButtonHeight);
    always.placement = kPlaceBottomLeft | kPlaceNatural | kPlaceFixedHeight;
    always.setMargins(kSide, 0, 0, 14);
    always.behaviour = kItemCheckBox;
    always.gap = 2;
    if (m_logic.alwaysShow())
        always.state |= kStateChecked;
    m_pane->AddItem(always);

    // Right to left: Auto at the edge, then Cancel, then OK.
    m_pane->AddItem(button(kAuto, "Auto",
                           "Generate a unique file name by the system. (Source file name + "
                           "system time)",
                           kSide));
    m_pane->AddItem(button(kCancel, "Cancel", "Cancel convert this item", 8));
    m_pane->AddItem(button(kOk, "OK", "", 8));
    SetKeyButtons(m_pane, kOk, kCancel);
    Relayout();
    m_edit->setFocus();
    m_edit->selectAll();
}

void CFileRenameDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kAlwaysShow:
        m_logic.setAlwaysShow(notify.item->isChecked());
        break;
    case kOk:
        if (m_logic.pressOk(m_edit->text().toStdString()) == 1)
            done(1);
        else
            m_edit->setFocus();
        break;
    case kCancel:
        done(m_logic.pressCancel());
        break;
    case kAuto:
        done(m_logic.pressAuto());
        break;
    default:
        break;
    }
}

void CFileRenameDlg::OnCloseButton() {
    // Closing the window skips the output, as Cancel does.
    done(m_logic.pressCancel());
}

bool CFileRenameDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
