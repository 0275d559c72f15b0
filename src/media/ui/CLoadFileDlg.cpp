#include "CLoadFileDlg.h"

#include "FileListNotify.h"
#include "SkinPaint.h"

#include "MessageTarget.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

CLoadFileDlg::CLoadFileDlg(std::vector<std::string> paths, MessageTarget* mainWindow,
                           QWidget* parent, CBaseSkin* skin)
    : CBaseDialog(kTemplateId, parent, 0, skin), m_paths(std::move(paths)),
      m_mainWindow(mainWindow) {
    setModal(true);
    setFixedSize(kWidth, kHeight);
    m_startTimer.setSingleShot(true);
    QObject::connect(&m_startTimer, &QTimer::timeout, this, [this] { RunBatch(); });
}

CLoadFileDlg::~CLoadFileDlg() {
    m_startTimer.stop();
    if (m_filterInstalled)
        QCoreApplication::instance()->removeEventFilter(this);
}

void CLoadFileDlg::showEvent(QShowEvent* event) {
    CBaseDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // Escape is latched from the moment the dialog shows, wherever the key goes.
    QCoreApplication::instance()->installEventFilter(this);
    m_filterInstalled = true;
    m_startTimer.start(kStartDelay);
}

bool CLoadFileDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_filterInstalled && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_escapeLatched = true;
        return true;
    }
    return CBaseDialog::eventFilter(watched, event);
}

bool CLoadFileDlg::Wait(int ms) {
    QPointer<CLoadFileDlg> self(this);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return self && isVisible();
}

void CLoadFileDlg::RunBatch() {
    m_running = true;
    for (size_t i = 0; i < m_paths.size(); ++i) {
        m_current = m_paths[i];
        repaint();
        if (!Wait(kFileDelay))
            return; // the dialog was closed or destroyed meanwhile
        if (m_escapeLatched) {
            m_stopped = true;
            break;
        }
        // The main window may run events while it adds the file; keep our own copy of the text.
        const std::string path = m_current;
        QPointer<CLoadFileDlg> self(this);
        if (m_mainWindow)
            sendMessage(m_mainWindow, kMsgLoadFilePath, 0,
                        reinterpret_cast<intptr_t>(path.c_str()));
        if (!self)
            return;
        ++m_sent;
    }
    m_running = false;
    m_current.clear();
    QCoreApplication::instance()->removeEventFilter(this);
    m_filterInstalled = false;
    accept();
}

bool CLoadFileDlg::PaintBackground(QPainter& painter, int fillType) {
    fillByType(painter, rect(), fillType, argbColor(DialogColor(0)), argbColor(DialogColor(1)),
               DialogFill(1));
    // Without a caption or a platform frame, a border in the skin's colour marks the edge.
    painter.save();
    painter.setPen(argbColor(DialogColor(2)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.restore();
    if (m_current.empty())
        return true;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    const QRect box(10, 25, width() - 20, height() - 40);
    const QString text = QStringLiteral("Loading ") + QString::fromStdString(m_current);
    painter.save();
    painter.setFont(font);
    painter.setPen(argbColor(DialogColor(7)));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     pathEllipsis(text, QFontMetrics(font), box.width()));
    painter.restore();
    return true;
}
