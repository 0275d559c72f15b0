#include "FileListTextCache.h"

#include "SkinPaint.h"

#include <QPainter>
#include <QTransform>
#include <QtMath>

void FileListTextCache::SetFont(const QFont& font) {
    if (font == m_font && !m_entries.isEmpty())
        return;
    m_font = font;
    m_metrics = QFontMetrics(font);
    m_entries.clear();
}

const FileListTextCache::Entry& FileListTextCache::Prepare(const QString& text, int width) {
    const QPair<int, QString> key(width, text);
    auto it = m_entries.constFind(key);
    if (it != m_entries.constEnd())
        return *it;
    if (m_entries.size() >= kMaxEntries)
        m_entries.clear();
    // Shape the text once; only a text that does not fit is trimmed and shaped again.
    Entry entry;
    entry.text.setTextFormat(Qt::PlainText);
    entry.text.setText(text);
    entry.text.prepare(QTransform(), m_font);
    entry.width = qCeil(entry.text.size().width());
    if (entry.width > width) {
        const QString shown = pathEllipsis(text, m_metrics, width);
        entry.text.setText(shown);
        entry.text.prepare(QTransform(), m_font);
        entry.width = qCeil(entry.text.size().width());
    }
    return *m_entries.insert(key, entry);
}

void FileListTextCache::Draw(QPainter& painter, const QRect& cell, Qt::Alignment align,
                             const QString& text, bool vcenter) {
    if (text.isEmpty() || cell.width() <= 0)
        return;
    const Entry& entry = Prepare(text, cell.width());
    int x = cell.left();
    if (align & Qt::AlignRight)
        x = cell.left() + cell.width() - entry.width;
    else if (align & Qt::AlignHCenter)
        x = cell.left() + (cell.width() - entry.width) / 2;
    const int y = vcenter ? cell.top() + (cell.height() - m_metrics.height()) / 2 : cell.top();
    painter.drawStaticText(QPoint(x, y), entry.text);
}
