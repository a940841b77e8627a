#include "placedlayout.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace platform {
namespace {

int share(qreal part, int extra)
{
    return int(std::lround(part * extra));
}

} // namespace

PlacedLayout::PlacedLayout(QWidget *parent, QSize baseSize)
    : QLayout(parent)
    , m_base(baseSize)
{
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetNoConstraint);
}

PlacedLayout::~PlacedLayout()
{
    for (const Placed &placed : std::as_const(m_placed))
        delete placed.item;
}

void PlacedLayout::place(QWidget *widget, const char *name, QRect base, Follows follows, Fit fit)
{
    place(widget, name, base, follows, follows, fit);
}

void PlacedLayout::place(QWidget *widget, const char *name, QRect base, Follows follows,
                         Follows large, Fit fit)
{
    widget->setObjectName(QString::fromLatin1(name));
    if (widget->parentWidget() != parentWidget())
        addChildWidget(widget);
    m_placed.append({new QWidgetItem(widget), base, follows, large, fit});
    widget->setGeometry(base);
    invalidate();
}

QRect PlacedLayout::placed(QRect base, Follows follows, QSize extra)
{
    // Each edge is rounded alone, so two controls that share an edge's share meet exactly.
    return QRect(QPoint(base.left() + share(follows.left, extra.width()),
                        base.top() + share(follows.top, extra.height())),
                 QPoint(base.right() + share(follows.right, extra.width()),
                        base.bottom() + share(follows.bottom, extra.height())));
}

void PlacedLayout::setUsualSize(QSize size)
{
    m_usual = size;
    invalidate();
}

void PlacedLayout::setScale(qreal factor)
{
    m_scale = factor;
    invalidate();
}

QRect PlacedLayout::scaled(QRect rect) const
{
    // Edges scaled alone, as shares are, so that controls that meet still meet.
    const auto edge = [this](int at) { return int(std::lround(at * m_scale)); };
    return QRect(QPoint(edge(rect.left()), edge(rect.top())),
                 QPoint(edge(rect.right() + 1) - 1, edge(rect.bottom() + 1) - 1));
}

void PlacedLayout::reserveTop(int pixels)
{
    m_topRoom = pixels;
    invalidate();
}

void PlacedLayout::setFitLimit(int pixels)
{
    m_fitLimit = pixels;
    invalidate();
}

QSize PlacedLayout::sizeHint() const
{
    return scaled(m_base);
}

QSize PlacedLayout::minimumSize() const
{
    return scaled(m_base);
}

void PlacedLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    // Places are given from the widget's own corner, whatever margins it keeps for itself
    // (a frame's caption), as the layouts were drawn.
    const QSize area = parentWidget() ? parentWidget()->size() : rect.size();
    const QSize base = scaled(m_base);
    const QSize extra = (area - base).expandedTo(QSize(0, 0));
    const QSize usual = extra.boundedTo((scaled(m_usual) - base).expandedTo(QSize(0, 0)));
    QList<QRect> places;
    QList<std::pair<int, int>> grown; // base top, growth
    for (const Placed &placed : std::as_const(m_placed)) {
        QRect place =
            PlacedLayout::placed(PlacedLayout::placed(scaled(placed.base), placed.follows, usual),
                                 placed.large, extra - usual);
        const QWidget *widget = placed.item->widget();
        if (placed.fit == Fit::Square) {
            const int side = std::min(place.width(), place.height());
            place = QRect(place.right() - side + 1, place.top(), side, side);
        }
        if (widget)
            place.setSize(place.size().boundedTo(widget->maximumSize()));
        if (placed.fit == Fit::TextHeight && widget && widget->hasHeightForWidth()) {
            const int need =
                std::min(widget->heightForWidth(place.width()), place.height() + m_fitLimit);
            if (need > place.height()) {
                grown.append({placed.base.top(), need - place.height()});
                place.setHeight(need);
            }
        }
        places.append(place);
    }
    for (qsizetype i = 0; i < m_placed.size(); ++i) {
        const Placed &placed = m_placed[i];
        int push = m_topRoom;
        for (const auto &[top, growth] : std::as_const(grown))
            push += top < placed.base.top() ? growth : 0;
        QRect place = places[i];
        if (placed.follows.bottom >= 1)
            place.setTop(place.top() + push);
        else
            place.translate(0, push);
        if (QWidget *widget = placed.item->widget())
            widget->setGeometry(place);
    }
}

void PlacedLayout::addItem(QLayoutItem *item)
{
    // Added without a place: it stays where it is.
    m_placed.append({item, item->geometry(), {}, {}, Fit::Shares});
}

QLayoutItem *PlacedLayout::itemAt(int index) const
{
    return index >= 0 && index < m_placed.size() ? m_placed[index].item : nullptr;
}

QLayoutItem *PlacedLayout::takeAt(int index)
{
    if (index < 0 || index >= m_placed.size())
        return nullptr;
    return m_placed.takeAt(index).item;
}

int PlacedLayout::count() const
{
    return int(m_placed.size());
}

} // namespace platform
