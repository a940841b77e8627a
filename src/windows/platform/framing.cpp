#include "framing.h"

#include "placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <optional>

#if defined(NV_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace platform {
namespace {

#if defined(NV_HAVE_XCB)
xcb_connection_t *x11()
{
    if (QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return nullptr;
    const auto *native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return native ? native->connection() : nullptr;
}
#endif

// Where the client area really is, asked of the window system: Qt's own idea can lag
// behind a move the window manager made while framing the window.
std::optional<QPoint> clientOnScreen(const QWidget *window)
{
#if defined(NV_HAVE_XCB)
    if (xcb_connection_t *connection = x11()) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_translate_coordinates_cookie_t cookie =
            xcb_translate_coordinates(connection, xcb_window_t(window->winId()), root, 0, 0);
        xcb_translate_coordinates_reply_t *reply =
            xcb_translate_coordinates_reply(connection, cookie, nullptr);
        if (!reply)
            return std::nullopt;
        const QPoint device(reply->dst_x, reply->dst_y);
        free(reply);
        return (QPointF(device) / window->devicePixelRatioF()).toPoint();
    }
#endif
    const QWindow *handle = window->windowHandle();
    return handle ? std::optional(handle->mapToGlobal(QPoint(0, 0))) : std::nullopt;
}

// Asks the window manager to put the frame's corner at `corner`.
void moveFrame(QWidget *window, QPoint corner)
{
#if defined(NV_HAVE_XCB)
    if (xcb_connection_t *connection = x11()) {
        // The window's gravity is north-west: the position requested is the frame's.
        const QPoint device = (QPointF(corner) * window->devicePixelRatioF()).toPoint();
        const quint32 values[] = {quint32(device.x()), quint32(device.y())};
        xcb_configure_window(connection, xcb_window_t(window->winId()),
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        xcb_flush(connection);
        return;
    }
#endif
    window->move(corner);
}

// Puts its window's frame on the spot once more, as soon as the frame is known.
class FramePlacer : public QObject
{
public:
    FramePlacer(QWidget *window, QPoint target)
        : QObject(window)
        , m_target(target)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Expose && type != QEvent::WindowActivate &&
            type != QEvent::Show)
            return false;
        auto *window = static_cast<QWidget *>(watched);
        const QWindow *handle = window->windowHandle();
        if (!handle || handle->frameMargins().isNull())
            return false;
        if (frameCorner(window) != m_target)
            moveFrame(window, m_target);
        window->removeEventFilter(this);
        deleteLater();
        return false;
    }

private:
    QPoint m_target;
};

} // namespace

QPoint frameCorner(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    const std::optional<QPoint> client =
        window->isVisible() ? clientOnScreen(window) : std::nullopt;
    if (!handle || !client)
        return window->pos();
    const QMargins margins = handle->frameMargins();
    return *client - QPoint(margins.left(), margins.top());
}

void placeFrame(QWidget *window, QPoint frameTopLeft)
{
    const QWindow *handle = window->windowHandle();
    if (window->isVisible() && handle && !handle->frameMargins().isNull()) {
        moveFrame(window, frameTopLeft);
        return;
    }
    window->move(frameTopLeft);
    new FramePlacer(window, frameTopLeft);
}

void centreOver(QWidget *window, const QWidget *over)
{
    const QWidget *parent = over->window();
    const QRect outer = parent->frameGeometry();
    const QRect inner = parent->geometry();
    const QSize frame = outer.size() - inner.size();
    QRect target(QPoint(), window->size() + frame);
    target.moveCenter(QRect(frameCorner(parent), outer.size()).center());
    const QScreen *screen = parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        target.moveLeft(
            std::max(room.left(), std::min(target.left(), room.right() - target.width() + 1)));
        target.moveTop(
            std::max(room.top(), std::min(target.top(), room.bottom() - target.height() + 1)));
    }
    placeFrame(window, target.topLeft());
}

bool placeAtStoredEdges(QWidget *window, const QString &top, const QString &left)
{
    if (top.isEmpty())
        return false;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const std::optional<QPoint> position = placement::restoredPosition(
        top, left, window->pos(), window->frameGeometry().size(), screens);
    if (position)
        placeFrame(window, *position);
    return position.has_value();
}

std::pair<QString, QString> storedEdges(const QWidget *window)
{
    const QPoint corner = frameCorner(window);
    return {placement::edgeText(corner.y()), placement::edgeText(corner.x())};
}

} // namespace platform
