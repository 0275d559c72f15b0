// A tab strip with image-list icons in one of three colour schemes: 0 the system colours, 1 and
// 2 fixed palettes (1 draws the captions in white). While the application draws flat, every
// scheme takes the palette's colours instead.
#pragma once

#include <QImage>
#include <QString>
#include <QVector>
#include <QWidget>

class OutlookTabCtrl : public QWidget {
public:
    static constexpr int kStripHeight = 28;
    static constexpr int kIconSize = 16;
    static constexpr int kTabPadding = 10;

    explicit OutlookTabCtrl(QWidget* parent = nullptr, int controlId = 0);

    int ControlId() const { return m_controlId; }
    // Icons are taken from the image list by index; -1 for none.
    void SetImageList(const QVector<QImage>& images);
    int InsertItem(int index, const QString& text, int image = -1);
    int AddItem(const QString& text, int image = -1) {
        return InsertItem(ItemCount(), text, image);
    }
    void DeleteAllItems();
    int ItemCount() const { return static_cast<int>(m_tabs.size()); }
    QString ItemText(int index) const;
    // Selects a tab without notifying; returns the previous selection, or -1 for a bad index.
    int SetCurSel(int index);
    int GetCurSel() const { return m_selected; }
    void SetScheme(int scheme);
    // Vertical: the tabs stand one below the other across the control's width, opening to the
    // right (the edit dialog's column); otherwise side by side along the top.
    void SetVertical(bool vertical);
    bool Vertical() const { return m_vertical; }
    int Scheme() const { return m_scheme; }
    QRect ItemRect(int index) const;
    // The tab under a point, or -1.
    int HitTest(const QPoint& point) const;

    QSize sizeHint() const override;
    // Selects a tab as a person does (the selection change is reported).
    void SelectByUser(int index);

protected:
    // A person selected a tab (mouse or arrow keys).
    virtual void OnSelChanged(int index) {}

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Tab {
        QString text;
        int image = -1;
    };
    struct Colors {
        QColor stripBegin, stripEnd, tabBegin, tabEnd, selectedBegin, selectedEnd, border, text,
            selectedText, grayText;
    };
    Colors SchemeColors() const;
    Colors FlatColors() const;

    int m_controlId;
    QVector<Tab> m_tabs;
    QVector<QImage> m_images;
    int m_selected = -1;
    int m_scheme = 0;
    bool m_vertical = false;
};
