#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// The start-up window ("frmSplash"). It shows while the start-up checks run; once they
// are over it waits three seconds, or for a click or key, and reports that it is done.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // The checks are over: the wait begins, and a click or key now ends it.
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

    bool m_waiting = false;

    QFrame *Frame1 = nullptr;
    QFrame *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QTimer *Timer1 = nullptr;
};
