#pragma once

#include <QLabel>

namespace platform {

// A label that reports clicks and double clicks with the left mouse button. A click is
// a press and release inside the label, as buttons behave. Made focusable, it takes the
// keyboard by Tab, shows that it has it, and reports Ctrl+C.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr)
        : QLabel(parent)
    {}
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr)
        : QLabel(text, parent)
    {}

signals:
    void clicked();
    void doubleClicked();
    void copyRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace platform
