#include "placedlayout.h"

#include <QWidget>
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

void PlacedLayout::place(QWidget *widget, const char *name, QRect base, Follows follows)
{
    widget->setObjectName(QString::fromLatin1(name));
    if (widget->parentWidget() != parentWidget())
        addChildWidget(widget);
    m_placed.append({new QWidgetItem(widget), base, follows});
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

QSize PlacedLayout::sizeHint() const
{
    return m_base;
}

QSize PlacedLayout::minimumSize() const
{
    return m_base;
}

void PlacedLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    // Places are given from the widget's own corner, whatever margins it keeps for itself
    // (a frame's caption), as the layouts were drawn.
    const QSize area = parentWidget() ? parentWidget()->size() : rect.size();
    const QSize extra = (area - m_base).expandedTo(QSize(0, 0));
    for (const Placed &placed : std::as_const(m_placed)) {
        if (QWidget *widget = placed.item->widget())
            widget->setGeometry(PlacedLayout::placed(placed.base, placed.follows, extra));
    }
}

void PlacedLayout::addItem(QLayoutItem *item)
{
    // Added without a place: it stays where it is.
    m_placed.append({item, item->geometry(), {}});
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
