// The colour picker button: shows the current colour as a swatch and opens CColourPopup below
// itself. It tells its owner 2026 (opened), 2027 (closed), then 2028 (chosen; followed by 2025
// when the colour changed) or 2029 (cancelled); with live tracking, 2025 while the pop-up's hot
// cell moves.
#pragma once

#include "ColourTable.h"

#include "MessageTarget.h"

#include <QAbstractButton>
#include <QPointer>

#include <cstdint>

class CColourPopup;

class CColorButton : public QAbstractButton, public MessageTarget {
public:
    explicit CColorButton(QWidget* parent = nullptr, int controlId = 0);
    ~CColorButton() override;

    int ControlId() const { return m_controlId; }
    void SetControlId(int id) { m_controlId = id; }
    // kColourAutomatic (0xFF000000) means automatic.
    uint32_t Colour() const { return m_colour; }
    void SetColour(uint32_t colour);
    // The colour shown for "automatic": the desktop's workspace colour.
    uint32_t DefaultColour() const;
    void SetDefaultText(const QString& text) { m_defaultText = text; }
    void SetCustomText(const QString& text) { m_customText = text; }
    // Whether the button follows the pop-up's hot cell while it is open.
    void SetTrackSelection(bool track) { m_trackSelection = track; }
    bool TrackSelection() const { return m_trackSelection; }
    bool IsPopupOpen() const { return m_popupOpen; }
    CColourPopup* Popup() const;

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OpenPopup();
    void Report(unsigned msg, uint32_t colour);

    int m_controlId;
    uint32_t m_colour = kColourAutomatic;
    uint32_t m_colourBeforeOpen = kColourAutomatic;
    QString m_defaultText = QStringLiteral("Automatic");
    QString m_customText = QStringLiteral("More Colors...");
    bool m_popupOpen = false;
    bool m_trackSelection = false;
    QPointer<CColourPopup> m_popup;
};
