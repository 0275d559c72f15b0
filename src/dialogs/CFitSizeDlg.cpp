#include "CFitSizeDlg.h"

#include "OptionPageItems.h"

#include "CBaseWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "SkinPaint.h"

#include <QPainter>

#include <cmath>

using namespace option_page;

namespace {

constexpr int kFrameColorId = 117; // the skin's colour of control frames
constexpr int kEditId = 1004;

int64_t unitBytes(int unit) {
    return int64_t(1) << (10 * (unit + 1));
}

QString numberText(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

CFitSizeDlg::CFitSizeDlg(int64_t limit, QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, kCaptionClose, skin), m_limit(limit) {
    SetTitle(QStringLiteral("Fit to size"));
    setModal(true);
    m_pane = AddFramedContentPane(QStringLiteral("Fit to size"), kPaneId, kWidth, kHeight);

    m_size = new CVelEdit(m_pane, kEditId);
    m_unit = new CVelComboBox(m_pane);
    m_unit->addItems({QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB")});
    // The largest unit that keeps the number at 1 or more.
    int unit = kMB;
    double value = 10;
    if (limit > 0) {
        unit = limit >= unitBytes(kGB) ? kGB : limit >= unitBytes(kMB) ? kMB : kKB;
        value = double(limit) / double(unitBytes(unit));
    }
    m_size->setText(numberText(value));
    m_unit->setCurrentIndex(unit);

    m_pane->AddItem(label(kPrompt, "Make the output at most", 16));
    m_pane->AddItem(hosted(kSizeItem, m_size, 80, 16, 0));
    m_pane->AddItem(hosted(kUnitItem, m_unit, 60, 16, 0));
    m_pane->AddItem(checkBox(kApplyToChecked, "Apply to all checked items",
                             "Give every checked item this limit", 10));
    m_pane->AddItem(checkBox(kNoLimit, "No limit", "Convert without a size limit", 2));
    m_pane->AddItem(label(kProblem, "", 4, kWidth - 2 * kSide));
    m_pane->AddItem(bottomRightButton(kCancel, "Cancel", kSide, 14));
    m_pane->AddItem(bottomRightButton(kOk, "OK", 8, 14));
    SetKeyButtons(m_pane, kOk, kCancel);
    Relayout();
    UpdateNoLimit();
    m_size->setFocus();
    m_size->selectAll();
}

int64_t CFitSizeDlg::parseLimit(const QString& text, int unit) {
    if (unit < kKB || unit > kGB)
        return -1;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok); // C locale: a point, never a comma
    if (!ok || !std::isfinite(value) || value <= 0)
        return -1;
    const double bytes = std::floor(value * double(unitBytes(unit)));
    if (bytes < 1 || bytes > double(kMaxLimit))
        return -1;
    return static_cast<int64_t>(bytes);
}

void CFitSizeDlg::UpdateNoLimit() {
    const bool none = checked(m_pane, kNoLimit);
    m_size->setEnabled(!none);
    m_unit->setEnabled(!none);
    m_pane->SetItemCaption(kProblem, QString());
}

void CFitSizeDlg::Accept() {
    m_applyToChecked = checked(m_pane, kApplyToChecked);
    if (checked(m_pane, kNoLimit)) {
        m_limit = 0;
        done(1);
        return;
    }
    const int64_t bytes = parseLimit(m_size->text(), m_unit->currentIndex());
    if (bytes <= 0) {
        m_pane->SetItemCaption(kProblem, QStringLiteral("Enter a size above 0, such as 10 MB."));
        m_size->setFocus();
        m_size->selectAll();
        return;
    }
    m_limit = bytes;
    done(1);
}

void CFitSizeDlg::OnPaneClick(const PaneNotify& notify) {
    if (notify.paneId != kPaneId || !notify.item) {
        CBaseDialog::OnPaneClick(notify);
        return;
    }
    switch (notify.item->id) {
    case kNoLimit:
        UpdateNoLimit();
        break;
    case kOk:
        Accept();
        break;
    case kCancel:
        done(0);
        break;
    default:
        break;
    }
}

bool CFitSizeDlg::PaintBackground(QPainter& painter, int fillType) {
    painter.fillRect(rect(), argbColor(DialogColor(0)));
    painter.setPen(argbColor(DialogColor(kFrameColorId)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    return true;
}
