#pragma once

#include "datafolder.h"
#include "endpoints.h"
#include "transfers.h"
#include "updatecheck.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <future>
#include <memory>

class AboutWindow;
class MonsterTable;
class MainWindow;
class OptionsWindow;
class FeedbackWindow;
class SearchWindow;
class SettingsStore;
class SplashWindow;
class DownloaderWindow;
class QWidget;

// The program: it makes every window, each at most once, hands each what it needs and
// carries out what the windows report. Start-up runs the splash and the start-up checks,
// then the main window or the downloader; the main window's commands open the dialogs
// (parented to it) and run the manual check.
class Program : public QObject
{
    Q_OBJECT
public:
    struct Setup
    {
        SettingsStore *store = nullptr;
        DataFolder folder;
        Endpoints endpoints = Endpoints::defaults();
        TransferPolicy transfers;
        // Why database updates cannot be stored in `folder`; empty when they can. Then no
        // check asks about one.
        QString updatesBlocked;
    };

    explicit Program(Setup setup, QObject *parent = nullptr);
    ~Program() override;

    // Shows the splash at once and runs the start-up checks behind it.
    void start();

    // The windows now open; null when closed.
    SplashWindow *splashWindow() const;
    MainWindow *mainWindow() const;
    DownloaderWindow *downloaderWindow() const;
    OptionsWindow *optionsWindow() const;
    FeedbackWindow *feedbackWindow() const;
    AboutWindow *aboutWindow() const;
    SearchWindow *searchWindow() const;

    void openMainWindow();
    void openDownloader();
    void openOptions();
    void openFeedback();
    void openAbout();
    void openSearch();
    // Runs the manual check, or cancels the one running.
    void runManualCheck();

public slots:
    // Another start asked for this copy: its window in front, with the keyboard.
    void bringToFront();

signals:
    // No window of the program is left: it may end.
    void lastWindowClosed();

private:
    UpdateCheck *makeCheck(updatecheck::Mode mode, bool programStep, bool databaseStep,
                           QWidget *askOver);
    void startupChecked(const updatecheck::Outcome &outcome);
    void manualChecked(const updatecheck::Outcome &outcome);
    // What the main window's status line says of the check just over.
    void noteCheckProblems(const updatecheck::Outcome &outcome);
    void mainWindowClosing();
    // Enables the main window again when the dialog goes.
    void enableMainWhenGone(QWidget *dialog);
    // Disables the main window until the dialog goes.
    void holdMainWhileOpen(QWidget *dialog);
    // Follows the window, and tells when it was the last.
    void track(QWidget *window);

    Setup m_setup;
    QPointer<SplashWindow> m_splash;
    QPointer<MainWindow> m_main;
    QPointer<DownloaderWindow> m_downloader;
    QPointer<OptionsWindow> m_options;
    QPointer<FeedbackWindow> m_feedback;
    QPointer<AboutWindow> m_about;
    QPointer<SearchWindow> m_search;
    std::shared_ptr<const MonsterTable> m_table;
    QPointer<UpdateCheck> m_check;
    // Why the last check could not tell whether there are updates, one line a step.
    QStringList m_checkProblems;
    // The monster database, read while the splash shows.
    struct Loaded
    {
        std::shared_ptr<const MonsterTable> table;
        QString error;
    };
    std::future<Loaded> m_loading;
    Loaded load() const;
};
