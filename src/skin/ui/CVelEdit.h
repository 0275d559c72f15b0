// The skinned edit box: every key that goes down is first reported to the owner with message
// 3792 (control id, virtual key code), then handled as usual.
#pragma once

#include <QLineEdit>

class CVelEdit : public QLineEdit {
public:
    explicit CVelEdit(QWidget* parent = nullptr, int controlId = 0);

    int ControlId() const { return m_controlId; }
    void SetControlId(int id) { m_controlId = id; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_controlId;
};
