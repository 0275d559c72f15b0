#include "WindowOrigin.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>

std::optional<QPoint> windowOriginOnScreen(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !handle || !handle->handle())
        return std::nullopt;
    // The offscreen platform answers as X11 without a display connection.
    xcb_connection_t* connection = x11->connection();
    if (!connection || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!root)
        return std::nullopt;
    const auto cookie = xcb_translate_coordinates(
        connection, static_cast<xcb_window_t>(handle->winId()), root->root, 0, 0);
    xcb_translate_coordinates_reply_t* reply =
        xcb_translate_coordinates_reply(connection, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    const QPoint native(reply->dst_x, reply->dst_y);
    std::free(reply);
    // The server counts device pixels; Qt's screen coordinates are scaled around each screen's
    // origin.
    const QScreen* screen = handle->screen();
    const qreal ratio = handle->devicePixelRatio();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    const QPointF scaled = QPointF(native - origin) / (ratio > 0 ? ratio : 1.0);
    return origin + QPoint(qRound(scaled.x()), qRound(scaled.y()));
}

void correctWindowPosition(QWidget& window) {
    const std::optional<QPoint> real = windowOriginOnScreen(window);
    if (!real || !window.isVisible() || window.isMaximized() || window.isFullScreen())
        return;
    // Fractional scales round by a pixel; only a stale position is corrected.
    // Qt's screen mapping reckons from the native window's geometry, which is what goes stale
    // (the widget's own position may well be right).
    QWindow* handle = window.windowHandle();
    const QPoint off = *real - handle->position();
    if (std::abs(off.x()) > 2 || std::abs(off.y()) > 2)
        handle->setPosition(*real);
}
