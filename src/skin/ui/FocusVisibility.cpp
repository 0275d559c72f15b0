#include "FocusVisibility.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool g_keyboardInUse = false;

class FocusVisibilityFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool key = type == QEvent::KeyPress;
        const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
        if ((key && !g_keyboardInUse) || (mouse && g_keyboardInUse)) {
            g_keyboardInUse = key;
            if (QWidget* focused = QApplication::focusWidget())
                focused->update();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void watchFocusVisibility() {
    static FocusVisibilityFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new FocusVisibilityFilter(qApp);
    qApp->installEventFilter(filter);
}

bool focusRingShown(const QWidget& widget) {
    return g_keyboardInUse && widget.hasFocus();
}
