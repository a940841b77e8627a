#include "placement.h"

#include <cmath>

namespace placement {
namespace {

constexpr int kTwipsPerPixel = 15;
// Further out than any real desktop; keeps the pixel arithmetic well inside int.
constexpr float kMaxTwips = 1.0e8F;

// The window must show at least this much of its top edge on one screen, so that its
// title bar can still be grabbed.
constexpr int kGrabWidth = 40;
constexpr int kGrabHeight = 8;

bool reachable(QPoint pos, QSize frameSize, const QList<QRect> &screens)
{
    const QRect titleStrip(pos, QSize(frameSize.width(), std::min(frameSize.height(), 24)));
    for (const QRect &screen : screens) {
        const QRect seen = titleStrip.intersected(screen);
        if (seen.width() >= std::min(kGrabWidth, titleStrip.width()) &&
            seen.height() >= std::min(kGrabHeight, titleStrip.height()))
            return true;
    }
    return false;
}

} // namespace

QString edgeText(int pixels)
{
    return QString::number(qint64(pixels) * kTwipsPerPixel);
}

std::optional<int> edgePixels(const QString &text)
{
    bool ok = false;
    const float twips = text.toFloat(&ok);
    if (!ok || !std::isfinite(twips) || std::fabs(twips) > kMaxTwips)
        return std::nullopt;
    return int(std::lround(twips / kTwipsPerPixel));
}

std::optional<QPoint> restoredPosition(const QString &top, const QString &left, QPoint current,
                                       QSize frameSize, const QList<QRect> &screens)
{
    if (top.isEmpty())
        return std::nullopt;
    const std::optional<int> y = edgePixels(top);
    if (!y)
        return std::nullopt;
    int x = current.x();
    if (!left.isEmpty()) {
        const std::optional<int> storedX = edgePixels(left);
        if (!storedX)
            return std::nullopt;
        x = *storedX;
    }
    const QPoint pos(x, *y);
    if (!reachable(pos, frameSize, screens))
        return std::nullopt;
    return pos;
}

} // namespace placement
