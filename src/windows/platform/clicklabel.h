#pragma once

#include <QLabel>
#include <QTimer>

namespace platform {

// A label that reports clicks and double clicks with the left mouse button. A click is
// a press and release inside the label, as buttons behave. Made focusable, it takes the
// keyboard by Tab, shows that it has it, and reports Ctrl+C.
//
// The links of a rich text label are followed by a click that stays single: a double click
// on a link does what a double click does anywhere in the label, and follows nothing. By
// keyboard (Tab to the link, Enter) a link is followed at once.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    void copyRequested();
    void linkFollowed(const QString &link);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void linkClicked(const QString &link);

    bool m_pressed = false;
    bool m_releasing = false;
    bool m_doubleClicked = false;
    QString m_link;
    QTimer m_follow;
};

} // namespace platform
