// CWatermarkDlg: the panel's items and the dialog controls, top to bottom.
#include "CWatermarkDlg.h"

#include "CSpinCtrl.h"

#include "CBaseWnd.h"
#include "CColorButton.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "PaneItem.h"
#include "PlatformServices.h"

#include <QIntValidator>

namespace {

constexpr int kRow = 22;
constexpr int kLeftColumn = 16;
constexpr int kIndent = 36;
constexpr int kComboX = 84;
constexpr int kComboWidth = 132;
constexpr int kRightColumn = 248;
constexpr int kSpinEditX = kRightColumn + 86;
constexpr int kSpinEditWidth = 44;

// Labels of the text and common controls, so the rule can grey them with their controls.
constexpr int kFontLabel = 20, kColorLabel = 21, kStyleLabel = 22, kSizeLabel = 23;
constexpr int kLeftLabel = 24, kTopLabel = 25, kAlphaLabel = 26, kImageSizeLabel = 27,
              kTimesLabel = 28;
constexpr int kHostBase = 40;

constexpr const char* kStyles[] = {"Regular",          "Bold",
                                   "Italic",           "Underline",
                                   "Bold Italic",      "Bold Underline",
                                   "Italic Underline", "Bold Italic Underline"};
constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 36, 48, 72};

} // namespace

void CWatermarkDlg::BuildControls() {
    CBaseWnd* panel = AttachPanel(nullptr, QStringLiteral("Watermark"), kPaneId);
    int host = kHostBase;
    auto add = [&](QWidget* control, const QRect& rect) {
        panel->AddItem(Hosted(host++, control, rect));
    };
    auto combo = [&](int labelId, const char* label, const char* tip, int y) {
        PaneItem item = Label(labelId, QString::fromUtf8(label), QRect(kIndent, y, 48, kRow));
        item.tooltip = QString::fromUtf8(tip);
        panel->AddItem(item);
        auto* box = new CVelComboBox(panel);
        box->setToolTip(QString::fromUtf8(tip));
        add(box, QRect(kComboX, y, kComboWidth, kRow));
        return box;
    };

    panel->AddItem(CheckBox(kEnable, QStringLiteral("Enable Watermark"), QString(),
                            QRect(kLeftColumn, 10, 180, kRow)));
    panel->AddItem(Radio(kImageRadio, QStringLiteral("Image Watermark"),
                         QStringLiteral("Add image watermark to video"),
                         QRect(kLeftColumn, 38, 180, kRow)));
    m_imagePath = new CVelEdit(panel, 1030);
    m_imagePath->setReadOnly(true);
    add(m_imagePath, QRect(kIndent, 63, 180, kRow));
    PaneItem browse = Button(kBrowse, QString(), QRect(kIndent + 184, 63, 26, kRow));
    browse.imageId = CVelSkin::kBtnBrowse;
    browse.tooltip = QStringLiteral("Select the image file will be added to video");
    panel->AddItem(browse);

    panel->AddItem(Radio(kTextRadio, QStringLiteral("Text Watermark"),
                         QStringLiteral("Add text watermark to video"),
                         QRect(kLeftColumn, 94, 180, kRow)));
    m_text = new CVelEdit(panel, 1031);
    add(m_text, QRect(kIndent, 119, 180, kRow));
    m_font = combo(kFontLabel, "Font:", "Text watermark font", 149);
    PaneItem colourLabel = Label(kColorLabel, QStringLiteral("Color:"), QRect(kIndent, 177, 48, kRow));
    colourLabel.tooltip = QStringLiteral("Text watermark font color");
    panel->AddItem(colourLabel);
    m_colour = new CColorButton(panel, kColorButtonId);
    m_colour->setToolTip(QStringLiteral("Text watermark font color"));
    add(m_colour, QRect(kComboX, 177, 60, kRow));
    m_style = combo(kStyleLabel, "Style:", "Text watermark font style", 205);
    m_size = combo(kSizeLabel, "Size:", "Text watermark font size", 233);

    auto spinRow = [&](Spin spin, int x, int y, int lower, int upper) {
        auto* edit = new CVelEdit(panel, 1040 + spin);
        edit->setValidator(new QIntValidator(0, 99999, edit));
        auto* control = new CSpinCtrl(panel, 1050 + spin);
        control->SetBuddy(edit);
        control->SetRange(lower, upper);
        control->SetDeltaHandler(
            [this, spin](int pos, int delta) { return OnSpinStep(spin, pos, delta); });
        m_spins[spin] = control;
        m_spinEdits[spin] = edit;
        add(edit, QRect(x, y, kSpinEditWidth, kRow));
        add(control, QRect(x + kSpinEditWidth, y, CSpinCtrl::kWidth, kRow));
    };
    const QString alphaTip = QStringLiteral("Watermark Transparency, range is [0, 255]");
    panel->AddItem(Label(kLeftLabel, QStringLiteral("Left Margin:"), QRect(kRightColumn, 38, 86, kRow)));
    spinRow(kLeft, kSpinEditX, 38, 0, 400);
    panel->AddItem(Label(kTopLabel, QStringLiteral("Top Margin:"), QRect(kRightColumn, 66, 86, kRow)));
    spinRow(kTop, kSpinEditX, 66, 0, 300);
    PaneItem alpha = Label(kAlphaLabel, QStringLiteral("Alpha:"), QRect(kRightColumn, 94, 86, kRow));
    alpha.tooltip = alphaTip;
    panel->AddItem(alpha);
    spinRow(kAlpha, kSpinEditX, 94, 0, 255);
    m_spins[kAlpha]->setToolTip(alphaTip);
    m_spinEdits[kAlpha]->setToolTip(alphaTip);
    panel->AddItem(Label(kImageSizeLabel, QStringLiteral("Image Size:"),
                         QRect(kRightColumn, 122, 86, kRow)));
    spinRow(kWidth, kSpinEditX, 122, 20, 400);
    PaneItem times = Label(kTimesLabel, QStringLiteral("X"),
                           QRect(kSpinEditX + kSpinEditWidth + CSpinCtrl::kWidth, 122, 16, kRow));
    times.imageAlign = kAlignImageCenter | kAlignImageVCenter;
    panel->AddItem(times);
    spinRow(kHeight, kSpinEditX + kSpinEditWidth + CSpinCtrl::kWidth + 16, 122, 20, 300);

    panel->AddItem(Button(kReset, QStringLiteral("Reset"), QRect(kRightColumn, 180, 80, 24)));
    panel->AddItem(CheckBox(kApplyToAll, QStringLiteral("Apply to all"),
                            QStringLiteral("Apply the watermark setting to all other items"),
                            QRect(kRightColumn, 212, 150, kRow)));

    for (const char* style : kStyles)
        m_style->addItem(QString::fromUtf8(style));
    for (int size : kSizes)
        m_size->addItem(QString::number(size));
    FillFonts();

    connect(m_text, &QLineEdit::textEdited, this, [this] { OnTextEdited(); });
    connect(m_font, &QComboBox::activated, this, [this] { OnFontChosen(); });
    connect(m_size, &QComboBox::activated, this, [this] { OnSizeChosen(); });
    connect(m_style, &QComboBox::activated, this, [this] { OnStyleChosen(); });
    Relayout();
    panel->ArrangeItems();
}

void CWatermarkDlg::FillFonts() {
    for (const std::string& family : platformServices().fontFamilies())
        m_font->addItem(QString::fromStdString(family));
}

void CWatermarkDlg::EnableKindControls(bool image, bool text) {
    m_imagePath->setEnabled(image);
    EnableElement(kBrowse, image);
    for (QWidget* control : std::initializer_list<QWidget*>{m_text, m_font, m_colour, m_style, m_size})
        control->setEnabled(text);
    for (int label : {kFontLabel, kColorLabel, kStyleLabel, kSizeLabel})
        EnableElement(label, text);
}

void CWatermarkDlg::EnableCommonControls(bool enabled) {
    for (int i = 0; i < kSpinCount; ++i) {
        m_spins[i]->setEnabled(enabled);
        m_spinEdits[i]->setEnabled(enabled);
    }
    for (int label : {kLeftLabel, kTopLabel, kAlphaLabel, kImageSizeLabel, kTimesLabel})
        EnableElement(label, enabled);
}

std::string CWatermarkDlg::ImageFilter() {
    static constexpr const char* kFormats[][2] = {
        {"Tag Image File Format", "*.tif;*.tiff"},
        {"GIF CompuServer GIF", "*.gif"},
        {"Portable Network Graphics", "*.png"},
        {"JPEG Image File", "*.jpg;*.jpeg;*.jfif"},
        {"Bitmaps", "*.bmp"},
        {"Icons", "*.ico"},
        {"Enhanced Metafiles", "*.emf"},
        {"Metafiles", "*.wmf"},
    };
    std::string all;
    for (const auto& format : kFormats)
        all += (all.empty() ? "" : ";") + std::string(format[1]);
    std::string filter = "All (" + all + ")|" + all + "|";
    for (const auto& format : kFormats)
        filter += std::string(format[0]) + "(" + format[1] + ")|" + format[1] + "|";
    return filter;
}
