#pragma once

#include "updaterun.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

// The database update downloader ("frmUpdate"). One second after it opens it runs the
// update, showing its progress; "Continue" then reports that the main window may open on
// the new data.
class DownloaderWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DownloaderWindow(UpdateRun::Config config, QWidget *parent = nullptr);

signals:
    void continueRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Timer1_Timer();
    void finished_Click();
    void runFinished(const QString &failures);

    UpdateRun *m_run = nullptr;
    bool m_ran = false;

    QLabel *Label1 = nullptr;
    QPushButton *finished = nullptr;
    QLabel *lblFileStatus = nullptr;
    QLabel *lblFileStatus2 = nullptr;
    QStatusBar *Statusbar = nullptr;
    QLabel *panels[3] = {};
    QProgressBar *progressbar = nullptr;
    QTimer *Timer1 = nullptr;
};
