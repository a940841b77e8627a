#pragma once

#include "appcontext.h"

#include <QPointer>
#include <QWidget>

class HttpFetcher;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

// The database update downloader ("frmUpdate"). One second after it opens it runs the
// update, showing its progress; "Continue" then opens the main window on the new data.
// At most one exists; it is deleted when closed.
class UpdateWindow : public QWidget
{
    Q_OBJECT
public:
    static UpdateWindow *showWindow(const AppContext &context);
    static UpdateWindow *instance() { return s_instance; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    explicit UpdateWindow(const AppContext &context);

    void Form_Load();
    void Timer1_Timer();
    void finished_Click();
    void OpenMainWindow();

    static inline QPointer<UpdateWindow> s_instance;

    AppContext m_context;
    bool m_running = false;
    bool m_ran = false;
    bool m_continuePending = false;

    QLabel *Label1 = nullptr;
    QPushButton *finished = nullptr;
    QLabel *lblFileStatus = nullptr;
    QLabel *lblFileStatus2 = nullptr;
    QStatusBar *Statusbar = nullptr;
    QLabel *panels[3] = {};
    QProgressBar *progressbar = nullptr;
    QTimer *Timer1 = nullptr;
    HttpFetcher *Inet = nullptr;
};
