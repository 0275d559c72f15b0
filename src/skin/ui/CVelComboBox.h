// The skinned drop-down list: a face with an 18-pixel arrow button, rows drawn by the control,
// and a wheel that does nothing while the list is closed. Drawn in its fixed colours, or in the
// palette's while the application draws flat.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>

#include <cstdint>

class QPainter;

class CVelComboBox : public QComboBox {
public:
    static constexpr int kButtonWidth = 18;
    static constexpr int kFieldHeight = 12; // the selection field
    static constexpr int kRowHeight = 18;   // rows of the open list
    // The fixed colours (ARGB).
    static constexpr QRgb kTextColor = 0xFF333333;
    static constexpr QRgb kDisabledTextColor = 0xFFC0C0C0;
    static constexpr QRgb kFrameColor = 0xFFCECECE;
    static constexpr QRgb kArrowColor = 0xFF144678;
    static constexpr QRgb kButtonColor = 0xFFDCDCDC;
    static constexpr QRgb kHotRowColor = 0xFFF0DB50;

    explicit CVelComboBox(QWidget* parent = nullptr, int controlId = 0);

    int ControlId() const { return m_controlId; }
    void SetControlId(int id) { m_controlId = id; }
    // Per-item data by index (kept in the item's user role).
    void SetItemData(int index, intptr_t data);
    intptr_t ItemData(int index) const;
    // The open list's hot row, or -1.
    int HotItem() const { return m_hot; }
    void SetHotItem(int index) { m_hot = index; }
    // The face's colour; by default opaque white, or the palette's input colour (Base) when flat.
    void SetFaceColor(const QColor& color);
    // The font the texts are drawn in: the control's font; when flat, a Windows face in the UI
    // face.
    QFont ShownFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void PaintClassic(QPainter& painter);
    void PaintFlat(QPainter& painter);

    int m_controlId;
    int m_hot = -1;
    QColor m_face;
};
