// What assistive technology sees of a tab strip: a page tab list whose children are its tabs,
// each named by its text, selected while it is the current one, and selectable by its press
// action.
#pragma once

#include <QAccessibleWidget>

#include <vector>

class OutlookTabCtrl;

class TabStripAccessible : public QAccessibleWidget {
public:
    explicit TabStripAccessible(OutlookTabCtrl* strip);
    ~TabStripAccessible() override;

    OutlookTabCtrl* Strip() const;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;

private:
    mutable std::vector<QAccessible::Id> m_tabs;
};
