#include "splashwindow.h"

#include "appinfo.h"
#include "colours.h"
#include "fonts.h"
#include "placedlayout.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kShowMs = 3000;
const QSize kSize(420, 300);

} // namespace

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    // Never shown as a caption (the splash has no frame), but names it in the task bar.
    setWindowTitle(appinfo::title());
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kSize);
    setFont(platform::dialogFont());
    setAutoFillBackground(true);
    // Cream and ink on a light desktop; a dark one keeps its window, the ink lightened.
    QPalette palette = this->palette();
    if (!platform::isDark(palette))
        palette.setColor(QPalette::Window, QColor(0xF4, 0xEC, 0xD8));
    palette.setColor(QPalette::WindowText,
                     platform::readable(QColor(0x23, 0x2F, 0x5C), palette.color(QPalette::Window)));
    setPalette(palette);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto *layout = new platform::PlacedLayout(this, kSize);
    auto make = [this, layout](auto *widget, const char *name, QRect geometry) {
        auto *placedIn = widget->parentWidget() == this
                             ? layout
                             : static_cast<platform::PlacedLayout *>(widget->parentWidget()->layout());
        placedIn->place(widget, name, geometry);
        widget->installEventFilter(this);
        return widget;
    };

    Frame1 = make(new QFrame(this), "Frame1", QRect(6, 6, 408, 288));
    Frame1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Frame1->setLineWidth(2);

    Image1 = make(new QLabel(this), "Image1", QRect(18, 18, 180, 56));
    Image1->setPixmap(QPixmap(QStringLiteral(":/splash/image1.gif")));
    Image1->setScaledContents(true);
    Image1->setAccessibleName(QStringLiteral("Quillmoor Soft"));

    Label2 = make(new QLabel(QStringLiteral("Presents:"), this), "Label2", QRect(210, 30, 190, 34));
    Label2->setFont(platform::layoutFont(QStringLiteral("Papyrus"), 14.25, platform::Bold));

    Frame2 = make(new QFrame(this), "Frame2", QRect(18, 84, 384, 158));
    new platform::PlacedLayout(Frame2, Frame2->size());
    Frame2->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Image2 = make(new QLabel(Frame2), "Image2", QRect(4, 4, 376, 150));
    Image2->setPixmap(QPixmap(QStringLiteral(":/splash/image2.jpg")));
    Image2->setScaledContents(true);
    Image2->setAccessibleName(appinfo::title());

    Label1 = make(new QLabel(QStringLiteral("Loading  Monster Database..."), this), "Label1",
                  QRect(18, 250, 384, 30));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(platform::layoutFont(QStringLiteral("Papyrus"), 12, platform::Bold));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kShowMs);
    // The splash stays its full three seconds; a coarse timer may end it early.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &SplashWindow::Timer1_Timer);
}

void SplashWindow::startWaiting()
{
    Timer1->start();
}

// A click anywhere on the splash, its frames, pictures or labels ends it.
bool SplashWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        Form_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SplashWindow::mousePressEvent(QMouseEvent *)
{
    Form_Click();
}

void SplashWindow::keyPressEvent(QKeyEvent *event)
{
    const bool endsSplash = !event->text().isEmpty() || event->key() == Qt::Key_Return ||
                            event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape ||
                            event->key() == Qt::Key_Backspace;
    if (endsSplash)
        Form_Click();
    else
        QWidget::keyPressEvent(event);
}

void SplashWindow::Form_Click()
{
    OpenMainWindow();
}

void SplashWindow::Timer1_Timer()
{
    OpenMainWindow();
}

void SplashWindow::OpenMainWindow()
{
    Timer1->stop();
    emit finished();
}
