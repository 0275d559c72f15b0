#include "PlayCtrlAccessible.h"

#include "PlaySliderAccessible.h"

PlayCtrlAccessible::PlayCtrlAccessible(CPlayCtrlWnd* pane) : PaneAccessible(pane) {}

PlayCtrlAccessible::~PlayCtrlAccessible() {
    for (QAccessible::Id id : m_sliders)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

QString PlayCtrlAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name)
        return QStringLiteral("Preview controls");
    return PaneAccessible::text(t);
}

QAccessibleInterface* PlayCtrlAccessible::Extra(int index) const {
    if (index < 0 || index > 1)
        return nullptr;
    QAccessible::Id& id = m_sliders[static_cast<size_t>(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new PlaySliderAccessible(static_cast<CPlayCtrlWnd*>(Pane()),
                                     index == 0 ? CPlayCtrlWnd::kKnob : CPlayCtrlWnd::kVolumeKnob));
    return QAccessible::accessibleInterface(id);
}

int PlayCtrlAccessible::IndexOfExtra(const QAccessibleInterface* child) const {
    auto* slider = dynamic_cast<const PlaySliderAccessible*>(child);
    if (!slider)
        return -1;
    return slider->Handle() == CPlayCtrlWnd::kKnob ? 0 : 1;
}
