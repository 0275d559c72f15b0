#include "CRangeSpinBox.h"

#include <algorithm>

CRangeSpinBox::CRangeSpinBox(int controlId, int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent), m_controlId(controlId) {
    setRange(minimum, maximum);
    setAccelerated(true);
}

QValidator::State CRangeSpinBox::validate(QString& input, int& pos) const {
    // A sign on its own is the start of a number, which is then brought into range.
    if (input.trimmed() == QLatin1String("-"))
        return QValidator::Intermediate;
    bool ok = false;
    const qlonglong typed = input.trimmed().toLongLong(&ok);
    if (ok && (typed < minimum() || typed > maximum())) {
        input = QString::number(std::clamp<qlonglong>(typed, minimum(), maximum()));
        pos = static_cast<int>(input.size());
        return QValidator::Acceptable;
    }
    return QSpinBox::validate(input, pos);
}
