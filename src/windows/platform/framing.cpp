#include "framing.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace platform {
namespace {

// Moves its window once more, at the first move after the window manager has framed it.
class FramePlacer : public QObject
{
public:
    FramePlacer(QWidget *window, QPoint frameTopLeft)
        : QObject(window)
        , m_target(frameTopLeft)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        const bool framed = window->frameGeometry() != window->geometry();
        if ((event->type() == QEvent::Move || event->type() == QEvent::Show) && framed) {
            if (window->pos() != m_target)
                window->move(m_target);
            deleteLater();
            window->removeEventFilter(this);
        }
        return false;
    }

private:
    QPoint m_target;
};

} // namespace

void placeFrame(QWidget *window, QPoint frameTopLeft)
{
    window->move(frameTopLeft);
    if (!window->isVisible() || window->frameGeometry() == window->geometry())
        new FramePlacer(window, frameTopLeft);
}

void centreOver(QWidget *window, const QWidget *over)
{
    const QWidget *parent = over->window();
    const QRect outer = parent->frameGeometry();
    const QRect inner = parent->geometry();
    const QSize frame = outer.size() - inner.size();
    QRect target(QPoint(), window->size() + frame);
    target.moveCenter(outer.center());
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

} // namespace platform
