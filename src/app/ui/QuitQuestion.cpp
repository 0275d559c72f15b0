#include "QuitQuestion.h"

#include "PlatformServices.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>

int QuitQuestion::Ask() {
    m_asking = true;
    m_withdrawn = false;
    // The box is the platform's: it is recognised as it shows, to make "No" its default.
    qApp->installEventFilter(this);
    const int answer = platformServices().messageBox(kText, "Movara", MB_YESNO, MB_ICONQUESTION);
    qApp->removeEventFilter(this);
    m_asking = false;
    m_box = nullptr;
    return m_withdrawn ? IDNO : answer;
}

void QuitQuestion::Withdraw() {
    if (!m_asking)
        return;
    m_withdrawn = true;
    if (!m_box)
        return;
    if (QAbstractButton* no = m_box->button(QMessageBox::No))
        no->click();
    else
        m_box->reject();
}

bool QuitQuestion::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !m_box) {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && box->text() == QLatin1String(kText)) {
            m_box = box;
            if (auto* no = qobject_cast<QPushButton*>(box->button(QMessageBox::No)))
                box->setDefaultButton(no);
            // The conversion ended before the box came up: it goes again at once.
            if (m_withdrawn)
                QMetaObject::invokeMethod(
                    this, [this] { Withdraw(); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}
