#include "framing.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <optional>

#if defined(NV_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace platform {
namespace {

// A frame's thickness before the window manager has told it: a title bar and thin edges.
constexpr QMargins kFrameGuess(2, 24, 2, 2);

#if defined(NV_HAVE_XCB)
xcb_connection_t *x11()
{
    if (QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return nullptr;
    const auto *native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return native ? native->connection() : nullptr;
}
#endif

QList<placement::Screen> screens()
{
    QList<placement::Screen> all; // the primary first
    for (const QScreen *screen : QGuiApplication::screens())
        all.append({screen->geometry(), screen->availableGeometry(), screen->devicePixelRatio()});
    return all;
}

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
        return placement::toLogical(device, screens());
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
        const QPoint device = placement::toDevice(corner, screens());
        const quint32 values[] = {quint32(device.x()), quint32(device.y())};
        xcb_configure_window(connection, xcb_window_t(window->winId()),
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        xcb_flush(connection);
        return;
    }
#endif
    window->move(corner);
}

bool framed(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return window->isVisible() && handle && !handle->frameMargins().isNull();
}

// The window's frame, or as thick as `like`'s when it has none yet.
QMargins frameOf(const QWidget *window, const QWidget *like = nullptr)
{
    for (const QWidget *known : {window, like}) {
        if (known && framed(known))
            return known->windowHandle()->frameMargins();
    }
    return kFrameGuess;
}

// Puts its window's frame on the spot once more, as soon as the frame is known, and
// wholly on a screen now that its thickness is known.
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
        if (!framed(window))
            return false;
        // A maximised window is the window manager's to place.
        if (!(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            const QMargins margins = frameOf(window);
            const QRect target =
                placement::fitted(QRect(m_target, window->size().grownBy(margins)), screens());
            if (target.size() != window->size().grownBy(margins))
                window->resize(target.size().shrunkBy(margins));
            if (frameCorner(window) != target.topLeft())
                moveFrame(window, target.topLeft());
        }
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

QRect onScreen(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const std::optional<QPoint> client =
        window->isVisible() ? clientOnScreen(window) : std::nullopt;
    const QPoint corner = client ? *client : window->geometry().topLeft();
    return QRect(corner + widget->mapTo(window, QPoint(0, 0)), widget->size());
}

void placeFrame(QWidget *window, QPoint frameTopLeft)
{
    if (framed(window)) {
        const QMargins margins = frameOf(window);
        moveFrame(window,
                  placement::fitted(QRect(frameTopLeft, window->size().grownBy(margins)), screens())
                      .topLeft());
        return;
    }
    const QRect target =
        placement::fitted(QRect(frameTopLeft, window->size().grownBy(frameOf(window))), screens());
    window->move(target.topLeft());
    new FramePlacer(window, target.topLeft());
}

void centreOver(QWidget *window, const QWidget *over)
{
    const QWidget *parent = over->window();
    QRect target(QPoint(), window->size().grownBy(frameOf(window, parent)));
    target.moveCenter(QRect(frameCorner(parent), parent->frameGeometry().size()).center());
    placeFrame(window, target.topLeft());
}

void placeBeside(QWidget *window, const QWidget *main, QRect record, QSize least,
                 const placement::Stored &last)
{
    const QList<placement::Screen> all = screens();
    const QMargins margins = frameOf(window, main->window());
    const std::optional<int> top = placement::edgePixels(last.top);
    const std::optional<int> left = placement::edgePixels(last.left);
    const QRect mainFrame(frameCorner(main->window()),
                          main->window()->size().grownBy(frameOf(main->window())));
    const QRect target = placement::beside(
        window->size().grownBy(margins), least.grownBy(margins), mainFrame, record,
        top && left ? std::optional(placement::toLogical({*left, *top}, all)) : std::nullopt, all);
    window->resize(target.size().shrunkBy(margins));
    placeFrame(window, target.topLeft());
}

bool restoreFrame(QWidget *window, const placement::Stored &stored)
{
    const QMargins margins = frameOf(window);
    const std::optional<QRect> target = placement::restoredFrame(
        stored, QRect(window->pos(), window->size().grownBy(margins)), margins, screens());
    if (!target)
        return false;
    window->resize(target->size().shrunkBy(margins));
    placeFrame(window, target->topLeft());
    return true;
}

placement::Stored storedFrame(const QWidget *window)
{
    const QList<placement::Screen> all = screens();
    const QPoint corner = placement::toDevice(frameCorner(window), all);
    const qreal ratio = window->devicePixelRatioF();
    return {placement::edgeText(corner.y()), placement::edgeText(corner.x()),
            placement::edgeText(int(std::lround(window->width() * ratio))),
            placement::edgeText(int(std::lround(window->height() * ratio)))};
}

QSize room(const QWidget *window)
{
    const QScreen *screen = QGuiApplication::screenAt(window->geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size().shrunkBy(frameOf(window))
                  : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

} // namespace platform
