#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// The start-up window ("frmSplash"). It shows while the start-up checks run; once they
// are over it waits three seconds. A click or key ends it at any time, the checks' wait
// included, and it reports that it is done.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // The checks are over: the three seconds begin.
    void startWaiting();

signals:
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Click();
    void Timer1_Timer();
    void OpenMainWindow();

    QFrame *Frame1 = nullptr;
    QFrame *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QTimer *Timer1 = nullptr;
};
