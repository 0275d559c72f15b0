// A numeric edit with its spin arrows: a number typed outside the range is rewritten as the
// nearest bound at once (45 in a 1..30 box becomes 30), instead of the keystroke being refused.
#pragma once

#include <QSpinBox>

class CRangeSpinBox : public QSpinBox {
public:
    CRangeSpinBox(int controlId, int minimum, int maximum, QWidget* parent = nullptr);

    int ControlId() const { return m_controlId; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;

private:
    int m_controlId;
};
