// Texts of the file list, trimmed to their cells and shaped once: a repaint then only places
// glyphs that are ready, which keeps a full repaint cheap however long the list is.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>

class QPainter;

class FileListTextCache {
public:
    // Entries kept before the cache starts over; a screen shows far fewer.
    static constexpr int kMaxEntries = 4096;

    // Forgets everything when the font changes.
    void SetFont(const QFont& font);
    const QFont& Font() const { return m_font; }
    const QFontMetrics& Metrics() const { return m_metrics; }

    // Draws `text` in `cell` with the painter's pen, top-aligned and aligned horizontally by
    // `align` (left, right or centred), trimmed with a path ellipsis when it is too wide. The
    // painter's font must be Font(). With `vcenter` the text is centred vertically instead.
    void Draw(QPainter& painter, const QRect& cell, Qt::Alignment align, const QString& text,
              bool vcenter = false);

    int Size() const { return static_cast<int>(m_entries.size()); }

private:
    struct Entry {
        QStaticText text;
        int width = 0;
    };
    const Entry& Prepare(const QString& text, int width);

    QFont m_font;
    QFontMetrics m_metrics{QFont()};
    QHash<QPair<int, QString>, Entry> m_entries;
};
