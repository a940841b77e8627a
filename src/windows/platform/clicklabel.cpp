#include "clicklabel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace platform {

ClickLabel::ClickLabel(QWidget *parent)
    : ClickLabel(QString(), parent)
{}

ClickLabel::ClickLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    m_follow.setSingleShot(true);
    connect(&m_follow, &QTimer::timeout, this, [this] { emit linkFollowed(m_link); });
    connect(this, &QLabel::linkActivated, this, &ClickLabel::linkClicked);
}

void ClickLabel::linkClicked(const QString &link)
{
    if (!m_releasing) {
        emit linkFollowed(link);
        return;
    }
    // The release of a double click's second press comes here too, and follows nothing.
    if (m_doubleClicked)
        return;
    m_link = link;
    m_follow.start(QApplication::doubleClickInterval());
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_doubleClicked = false;
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    m_releasing = true;
    QLabel::mouseReleaseEvent(event);
    m_releasing = false;
    event->accept();
    if (click)
        emit clicked();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_follow.stop();
    m_doubleClicked = true;
    QLabel::mouseDoubleClickEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace platform
