#pragma once

#include "appcontext.h"

#include <QPointer>
#include <QWidget>

class HttpFetcher;
class QFrame;
class QLabel;
class QTimer;

// The start-up window ("frmSplash"). Before it is first shown it runs the start-up
// version checks; then it either hands over to the database downloader unseen, or shows
// itself for three seconds (or until a click or key) and opens the main window.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    // Loads the splash, which runs the start-up checks, and shows it unless the
    // downloader took over. Returns the splash, or nullptr when it was not shown.
    static SplashWindow *start(const AppContext &context);
    static SplashWindow *instance() { return s_instance; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit SplashWindow(const AppContext &context);

    // Runs the start-up sequence; true when the user wants the database update.
    bool Form_Load();
    void Form_Click();
    void Timer1_Timer();
    void OpenMainWindow();

    static inline QPointer<SplashWindow> s_instance;

    AppContext m_context;

    QFrame *Frame1 = nullptr;
    QFrame *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QTimer *Timer1 = nullptr;
    HttpFetcher *Inet1 = nullptr;
};
