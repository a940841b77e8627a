#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

namespace platform {

// How a control's edges follow an area made larger than its base size: each edge moves by
// its share (0 to 1) of the extra width or height. A control that grows to the right has a
// right share of 1; one that moves down with the bottom has top and bottom shares of 1; the
// list and the notes box below it, sharing the extra height, meet at a share of 0.5.
struct Follows
{
    qreal left = 0;
    qreal top = 0;
    qreal right = 0;
    qreal bottom = 0;

    static constexpr Follows none() { return {}; }
    static constexpr Follows growRight() { return {0, 0, 1, 0}; }
    static constexpr Follows growBoth() { return {0, 0, 1, 1}; }
    static constexpr Follows moveRight() { return {1, 0, 1, 0}; }
};

// How a control's size follows its content, beyond its shares.
enum class Fit {
    Shares,     // as its shares give
    Square,     // the smaller side its shares give, for both; it keeps its top and right edges
    TextHeight, // taller as its text needs, up to a limit; what lies below moves down
};

// Controls at fixed places, as the window layouts give them (in pixels, from twips), in an
// area of a base size that is also the smallest it may be. Made larger, the area gives its
// extra room to the controls by their Follows; edges that share a share meet exactly. No
// control is made larger than its maximum size (it keeps its top left corner).
//
// Room taken above a control (a frame's caption, a control grown to show its text) moves it
// down; a control whose bottom edge follows the area's bottom wholly keeps that edge and
// gives the room up.
class PlacedLayout : public QLayout
{
public:
    PlacedLayout(QWidget *parent, QSize baseSize);
    ~PlacedLayout() override;

    // Puts `widget` (a child of the layout's widget, or of a widget in it) at `base`; the
    // object name is what tests and screen readers know it by.
    void place(QWidget *widget, const char *name, QRect base, Follows follows = {},
               Fit fit = Fit::Shares);
    // The same, following `large` instead of `follows` in an area larger than its usual size.
    void place(QWidget *widget, const char *name, QRect base, Follows follows, Follows large,
               Fit fit = Fit::Shares);
    // The size the area usually has (a window's default size): up to it every control
    // follows its usual shares, so the area looks as it always has; past it, its large ones.
    void setUsualSize(QSize size);

    // Every place, the base and the usual size made larger (or smaller) by `factor`, as for
    // larger text; 1 places them as given.
    void setScale(qreal factor);

    // Room kept at the top of the area, above every control.
    void reserveTop(int pixels);
    // The most a control placed with Fit::TextHeight may grow.
    void setFitLimit(int pixels);

    // Where `follows` puts `base` in an area `extra` larger than the base size.
    static QRect placed(QRect base, Follows follows, QSize extra);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;
    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;

private:
    struct Placed
    {
        QLayoutItem *item;
        QRect base;
        Follows follows;
        Follows large;
        Fit fit;
    };
    QRect scaled(QRect rect) const;
    QSize scaled(QSize size) const { return scaled(QRect(QPoint(), size)).size(); }

    QSize m_base;
    QSize m_usual;
    qreal m_scale = 1;
    int m_topRoom = 0;
    int m_fitLimit = 0;
    QList<Placed> m_placed;
};

} // namespace platform
