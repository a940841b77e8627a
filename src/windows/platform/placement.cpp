#include "placement.h"

#include "twips.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace placement {
namespace {

// Further out than any real desktop; keeps the pixel arithmetic well inside int.
constexpr float kMaxTwips = 1.0e8F;

QRect inDevicePixels(const Screen &screen)
{
    return QRect(screen.geometry.topLeft(),
                 (QSizeF(screen.geometry.size()) * screen.ratio).toSize());
}

// The screen holding a point, logical or in device pixels; the primary when none does.
const Screen *screenAt(QPoint point, const QList<Screen> &screens, bool device)
{
    for (const Screen &screen : screens) {
        if ((device ? inDevicePixels(screen) : screen.geometry).contains(point))
            return &screen;
    }
    return screens.isEmpty() ? nullptr : &screens.first();
}

qint64 areaOf(QRect rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

// The available area of the screen holding most of `frame`, or of the primary.
QRect areaFor(QRect frame, const QList<Screen> &screens)
{
    QRect best = screens.isEmpty() ? frame : screens.first().available;
    qint64 most = 0;
    for (const Screen &screen : screens) {
        const qint64 seen = areaOf(frame.intersected(screen.available));
        if (seen > most)
            std::tie(most, best) = std::pair(seen, screen.available);
    }
    return best;
}

// `frame` moved into `area`; it is no larger than the area.
QRect movedInto(QRect frame, QRect area)
{
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

} // namespace

QString edgeText(int devicePixels)
{
    return QString::number(qint64(devicePixels) * twips::kPerPixel);
}

std::optional<int> edgePixels(const QString &text)
{
    bool ok = false;
    const float stored = text.toFloat(&ok);
    if (!ok || !std::isfinite(stored) || std::fabs(stored) > kMaxTwips)
        return std::nullopt;
    return int(std::lround(stored / twips::kPerPixel));
}

QPoint toDevice(QPoint logical, const QList<Screen> &screens)
{
    const Screen *screen = screenAt(logical, screens, false);
    if (!screen)
        return logical;
    const QPoint origin = screen->geometry.topLeft();
    return origin + (QPointF(logical - origin) * screen->ratio).toPoint();
}

QPoint toLogical(QPoint device, const QList<Screen> &screens)
{
    const Screen *screen = screenAt(device, screens, true);
    if (!screen)
        return device;
    const QPoint origin = screen->geometry.topLeft();
    return origin + (QPointF(device - origin) / screen->ratio).toPoint();
}

QRect fitted(QRect frame, const QList<Screen> &screens)
{
    const QRect area = areaFor(frame, screens);
    return movedInto(QRect(frame.topLeft(), frame.size().boundedTo(area.size())), area);
}

std::optional<QRect> restoredFrame(const Stored &stored, QRect current, QMargins frame,
                                   const QList<Screen> &screens)
{
    const std::optional<int> y = stored.top.isEmpty() ? std::nullopt : edgePixels(stored.top);
    const std::optional<int> x = stored.left.isEmpty()
                                     ? std::optional(toDevice(current.topLeft(), screens).x())
                                     : edgePixels(stored.left);
    if (!x || !y)
        return std::nullopt;
    const QPoint device(*x, *y);
    const Screen *screen = screenAt(device, screens, true);
    QSize inner = current.size().shrunkBy(frame);
    const std::optional<int> width = edgePixels(stored.width);
    const std::optional<int> height = edgePixels(stored.height);
    if (width > 0 && height > 0) {
        const qreal ratio = screen ? screen->ratio : 1;
        inner = QSize(int(std::lround(*width / ratio)), int(std::lround(*height / ratio)));
    }
    return fitted(QRect(toLogical(device, screens), inner.grownBy(frame)), screens);
}

QRect beside(QSize size, QSize least, QRect mainFrame, QRect record, std::optional<QPoint> last,
             const QList<Screen> &screens)
{
    const QRect area = areaFor(mainFrame, screens);
    const QSize fit = size.boundedTo(area.size());
    if (last) {
        const QRect there(*last, fit);
        for (const Screen &screen : screens) {
            if (screen.available.contains(there) && !there.intersects(record))
                return there;
        }
    }
    // Whole on a side if one has the room, else as narrow (or low) as it may be.
    const int right = area.right() - mainFrame.right(), left = mainFrame.left() - area.left();
    const int below = area.bottom() - mainFrame.bottom(), above = mainFrame.top() - area.top();
    for (const QSize need : {fit, least.boundedTo(fit)}) {
        const int wide = need.width(), high = need.height();
        const std::pair<bool, QRect> sides[] = {
            {right >= wide,
             {mainFrame.right() + 1, mainFrame.top(), std::min(fit.width(), right), fit.height()}},
            {left >= wide,
             {mainFrame.left() - std::min(fit.width(), left), mainFrame.top(),
              std::min(fit.width(), left), fit.height()}},
            {below >= high,
             {mainFrame.left(), mainFrame.bottom() + 1, fit.width(),
              std::min(fit.height(), below)}},
            {above >= high,
             {mainFrame.left(), mainFrame.top() - std::min(fit.height(), above), fit.width(),
              std::min(fit.height(), above)}}};
        for (const auto &[room, there] : sides) {
            if (room)
                return movedInto(there, area);
        }
    }
    // No room beside it: hide as little of the record as can be, as large as that allows,
    // then as little of the rest.
    const QSize small = least.boundedTo(fit);
    const QSize sizes[] = {
        fit, {small.width(), fit.height()}, {fit.width(), small.height()}, small};
    QRect best;
    std::tuple<qint64, int, qint64> fewest{-1, 0, 0};
    for (int smaller = 0; smaller < 4; ++smaller) {
        const QSize each = sizes[smaller];
        const int xs[] = {area.left(), area.right() - each.width() + 1, record.right() + 1,
                          record.left() - each.width(), mainFrame.left()};
        const int ys[] = {area.top(), area.bottom() - each.height() + 1, record.bottom() + 1,
                          record.top() - each.height(), mainFrame.top()};
        for (const int x : xs) {
            for (const int y : ys) {
                const QRect there = movedInto(QRect(QPoint(x, y), each), area);
                const std::tuple hidden{areaOf(there.intersected(record)), smaller,
                                        areaOf(there.intersected(mainFrame))};
                if (std::get<0>(fewest) < 0 || hidden < fewest)
                    std::tie(fewest, best) = std::pair(hidden, there);
            }
        }
    }
    return best;
}

} // namespace placement
