// The position slider (0..10000) or the volume slider (0..100) of the play control: a slider
// named after what it sets, its value readable and settable.
#pragma once

#include "CPlayCtrlWnd.h"

#include "LeafAccessible.h"

#include <QAccessibleInterface>
#include <QPointer>

class PlaySliderAccessible : public LeafAccessible, public QAccessibleValueInterface {
public:
    PlaySliderAccessible(CPlayCtrlWnd* pane, CPlayCtrlWnd::Handle handle);

    CPlayCtrlWnd::Handle Handle() const { return m_handle; }

    bool isValid() const override { return !m_pane.isNull(); }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Slider; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QPointer<CPlayCtrlWnd> m_pane;
    CPlayCtrlWnd::Handle m_handle;
};
