#include "program.h"

#include "aboutwindow.h"
#include "appinfo.h"
#include "browser.h"
#include "framing.h"
#include "httpfetcher.h"
#include "messagebox.h"
#include "mainwindow.h"
#include "optionswindow.h"
#include "feedbackwindow.h"
#include "searchwindow.h"
#include "settingsstore.h"
#include "splashwindow.h"
#include "switches.h"
#include "downloaderwindow.h"
#include "versionfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Shows a window that exists, in front and with the keyboard.
void bringForward(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

Program::Program(Setup setup, QObject *parent)
    : QObject(parent)
    , m_setup(std::move(setup))
{
    m_setup.store->setProblemHandler([this](const QString &problem) {
        if (m_main)
            m_main->setStoreProblem(problem);
    });
}

Program::~Program()
{
    if (m_loading.valid())
        m_loading.wait();
    m_setup.store->setProblemHandler({});
    // The windows go first, while what they were given is still there.
    for (QWidget *window :
         std::initializer_list<QWidget *>{m_splash, m_downloader, m_options, m_main}) {
        if (window)
            window->disconnect(this);
        delete window;
    }
}

SplashWindow *Program::splashWindow() const
{
    return m_splash;
}

MainWindow *Program::mainWindow() const
{
    return m_main;
}

DownloaderWindow *Program::downloaderWindow() const
{
    return m_downloader;
}

OptionsWindow *Program::optionsWindow() const
{
    return m_options;
}

FeedbackWindow *Program::feedbackWindow() const
{
    return m_feedback;
}

AboutWindow *Program::aboutWindow() const
{
    return m_about;
}

SearchWindow *Program::searchWindow() const
{
    return m_search;
}

void Program::start()
{
    m_splash = new SplashWindow;
    track(m_splash);
    connect(m_splash, &SplashWindow::finished, this, [this] {
        // A click or key during the checks skips what is left of them.
        delete m_check;
        // The main window first, so that the program never runs out of windows on the way.
        openMainWindow();
        m_splash->close();
    });
    bringForward(m_splash);
    // Read meanwhile, so that the main window is there as soon as the splash ends.
    m_loading = std::async(std::launch::async, [this] { return load(); });

    SettingsStore &store = *m_setup.store;
    const bool programStep = fillAndReadSwitch(store, settingkeys::kProgUpdates);
    const bool databaseStep =
        fillAndReadSwitch(store, settingkeys::kDbUpdates) && m_setup.updatesBlocked.isEmpty();
    m_check = makeCheck(updatecheck::Mode::Startup, programStep, databaseStep, m_splash);
    connect(m_check, &UpdateCheck::finished, this, &Program::startupChecked);
    m_check->start();
}

void Program::startupChecked(const updatecheck::Outcome &outcome)
{
    std::exchange(m_check, nullptr)->deleteLater();
    noteCheckProblems(outcome);
    if (!m_splash)
        return;
    if (outcome.openDownloader) {
        // The database read meanwhile is about to change.
        if (m_loading.valid())
            m_loading.wait();
        m_loading = {};
        openDownloader();
        m_splash->close();
        return;
    }
    // Also when the database check is switched off: the splash never waits for ever.
    m_splash->startWaiting();
}

UpdateCheck *Program::makeCheck(updatecheck::Mode mode, bool programStep, bool databaseStep,
                                QWidget *askOver)
{
    const Endpoints &endpoints = m_setup.endpoints;
    // The check's own transfer control, which goes with it.
    auto *fetcher = new HttpFetcher;
    updatecheck::Hooks hooks;
    // At start-up all fetches of the check share one time budget; the manual check waits
    // as long as each transfer may, and can be cancelled.
    using std::chrono::milliseconds;
    auto budget = std::make_shared<milliseconds>(
        mode == updatecheck::Mode::Startup ? m_setup.transfers.startupChecks : milliseconds::max());
    hooks.fetchText = [fetcher, transfers = m_setup.transfers,
                       budget](const QString &url,
                               std::function<void(const updatecheck::Reply &)> done) {
        FetchRequest request = transfers.versionFile(url);
        if (budget->count() <= 0)
            return done({std::nullopt, u"the update checks ran out of time"_s});
        request.deadline = std::min(request.deadline, *budget);
        request.pauseTimeout = std::min(request.pauseTimeout, *budget);
        QElapsedTimer spent;
        spent.start();
        fetcher->get(request, fetcher, [done, budget, spent](const FetchResult &result) {
            if (*budget != milliseconds::max())
                *budget -= milliseconds(spent.elapsed());
            done(result.ok ? updatecheck::Reply{HttpFetcher::text(result), {}}
                           : updatecheck::Reply{std::nullopt, result.error});
        });
    };
    const QPointer<QWidget> over = askOver;
    hooks.askYesNo = [over](const QString &title, const QString &prompt,
                            std::function<void(bool)> answered) {
        platform::showMessage(
            over, title, prompt, platform::Buttons::YesNo,
            [answered](platform::Answer answer) { answered(answer == platform::Answer::Yes); });
    };
    hooks.openPage = [over, browser = endpoints.browserPath](const QString &url) {
        platform::openPage(browser, url, over);
    };
    hooks.localDatabaseVersion = [folder = m_setup.folder] {
        return versionfile::readLocalVersion(folder.versionFile());
    };
    auto *check = new UpdateCheck(
        mode, programStep, databaseStep,
        {endpoints.programVersionUrl, endpoints.databaseVersionUrl, endpoints.downloadPageUrl},
        std::move(hooks), this);
    fetcher->setParent(check);
    return check;
}

void Program::openMainWindow()
{
    if (m_main) {
        m_main->setEnabled(true);
        bringForward(m_main);
        return;
    }
    const Loaded loaded = m_loading.valid() ? m_loading.get() : load();
    m_table = loaded.table;
    m_main = new MainWindow(*m_setup.store, m_setup.folder, m_table);
    track(m_main);
    connect(m_main, &MainWindow::optionsRequested, this, &Program::openOptions);
    connect(m_main, &MainWindow::feedbackRequested, this, &Program::openFeedback);
    connect(m_main, &MainWindow::aboutRequested, this, &Program::openAbout);
    connect(m_main, &MainWindow::updateCheckRequested, this, &Program::runManualCheck);
    connect(m_main, &MainWindow::searchRequested, this, &Program::openSearch);
    connect(m_main, &MainWindow::noteEdited, this, [this](const QString &key, const QString &text) {
        if (m_search)
            m_search->setNote(key, text);
    });
    connect(m_main, &MainWindow::linkFollowed, this,
            [this](MonsterRecord::Field field, const QString &text) {
                openSearch();
                if (m_search)
                    m_search->findIn(field, text);
            });
    connect(m_main, &MainWindow::closing, this, &Program::mainWindowClosing);
    m_main->setStoreProblem(m_setup.store->problem());
    m_main->setCheckProblem(m_checkProblems.join(u' '));
    bringForward(m_main);
    if (!loaded.error.isEmpty()) {
        platform::showMessage(
            m_main, m_main->windowTitle(),
            u"The monster database %1 cannot be read: %2"_s.arg(
                QDir::toNativeSeparators(m_setup.folder.databaseFile()), loaded.error),
            platform::Buttons::Ok);
    }
    // Said once: without the downloader the main window opens once a run.
    if (!m_setup.updatesBlocked.isEmpty()) {
        platform::showMessage(
            m_main, m_main->windowTitle(),
            u"Database updates cannot be stored: %1.\r\n\r\nThe monster "
            "database is read from %2 and is not updated."_s.arg(
                m_setup.updatesBlocked, QDir::toNativeSeparators(m_setup.folder.path())),
            platform::Buttons::Ok);
    }
}

Program::Loaded Program::load() const
{
    Loaded loaded;
    loaded.table = std::make_shared<const MonsterTable>(
        MonsterTable::loadFile(m_setup.folder.databaseFile(), &loaded.error));
    return loaded;
}

void Program::mainWindowClosing()
{
    // A check that would ask over a closed window is over.
    delete m_check;
    // An Options window outlives the main window, and keeps the program running.
    if (m_options) {
        const QPoint at = m_options->pos();
        m_options->setParent(nullptr, m_options->windowFlags());
        m_options->move(at);
        m_options->show();
    }
}

void Program::openDownloader()
{
    if (m_downloader)
        return bringForward(m_downloader);
    m_downloader = new DownloaderWindow({m_setup.folder, m_setup.endpoints.updateListUrl,
                                     m_setup.endpoints.databaseVersionUrl, m_setup.transfers});
    track(m_downloader);
    connect(m_downloader, &DownloaderWindow::continueRequested, this, [this] {
        // The main window first, so that the program never runs out of windows on the way.
        openMainWindow();
        if (m_downloader)
            m_downloader->close();
    });
    bringForward(m_downloader);
}

void Program::openOptions()
{
    if (m_options)
        return bringForward(m_options);
    m_options = new OptionsWindow(*m_setup.store, m_main);
    if (m_main)
        platform::centreOver(m_options, m_main);
    track(m_options);
    connect(m_options, &OptionsWindow::saved, this, [this] {
        if (m_search)
            m_search->reloadSettings();
    });
    connect(m_options, &OptionsWindow::cancelled, this, [this] {
        // Only a main window that is still there: after "Exit" none is opened again.
        if (m_main)
            bringForward(m_main);
    });
    enableMainWhenGone(m_options);
    bringForward(m_options);
}

void Program::openSearch()
{
    if (!m_main)
        return;
    if (m_search)
        return bringForward(m_search);
    m_search = new SearchWindow(*m_setup.store, m_table, m_main);
    connect(m_search, &SearchWindow::rowChosen, this, [this](qsizetype row) {
        if (m_main)
            m_main->showRow(row);
    });
    m_search->openBeside(m_main->recordArea());
    bringForward(m_search);
}

void Program::openFeedback()
{
    if (!m_main)
        return;
    if (m_feedback)
        return bringForward(m_feedback);
    m_feedback =
        new FeedbackWindow(*m_setup.store, m_setup.endpoints.feedbackUrl, m_setup.transfers, m_main);
    platform::centreOver(m_feedback, m_main);
    bringForward(m_feedback);
    holdMainWhileOpen(m_feedback);
}

void Program::openAbout()
{
    if (!m_main)
        return;
    if (m_about)
        return bringForward(m_about);
    m_about = new AboutWindow(m_setup.endpoints, m_setup.folder, m_main);
    bringForward(m_about);
    holdMainWhileOpen(m_about);
}

void Program::runManualCheck()
{
    if (!m_main)
        return;
    // One check at a time: choosing the command again cancels it.
    if (m_check) {
        delete m_check;
        m_main->setCheckRunning(false);
        return;
    }
    m_main->setCheckRunning(true);
    m_check = makeCheck(updatecheck::Mode::Manual, true, m_setup.updatesBlocked.isEmpty(), m_main);
    connect(m_check, &UpdateCheck::finished, this, &Program::manualChecked);
    m_check->start();
}

void Program::noteCheckProblems(const updatecheck::Outcome &outcome)
{
    m_checkProblems.clear();
    if (!outcome.programFailure.isEmpty())
        m_checkProblems.append(u"Program version: "_s + outcome.programFailure + u'.');
    if (!outcome.databaseFailure.isEmpty())
        m_checkProblems.append(u"Database version: "_s + outcome.databaseFailure + u'.');
    if (m_main)
        m_main->setCheckProblem(m_checkProblems.join(u' '));
}

void Program::manualChecked(const updatecheck::Outcome &outcome)
{
    std::exchange(m_check, nullptr)->deleteLater();
    if (!m_main)
        return;
    m_main->setCheckRunning(false);
    noteCheckProblems(outcome);
    if (outcome.openDownloader) {
        openDownloader();
        m_main->setEnabled(false);
        m_main->hide();
        m_main->close();
        return;
    }
    if (outcome.updatesFound)
        return;
    const QString blocked =
        m_setup.updatesBlocked.isEmpty()
            ? QString()
            : u"\r\n\r\nDatabase updates cannot be stored: "_s + m_setup.updatesBlocked + u'.';
    // "No Updates" only for a check that got its answers; a failed one says so.
    if (m_checkProblems.isEmpty() && blocked.isEmpty()) {
        platform::showMessage(m_main, updatecheck::noUpdatesTitle(), updatecheck::noUpdatesPrompt(),
                              platform::Buttons::OkCancel);
        return;
    }
    platform::showMessage(
        m_main, appinfo::title(),
        (m_checkProblems.isEmpty()
             ? u"There are no program updates available at this time."_s
             : u"The update server could not be reached, so it is not known whether there are "
               "updates.\r\n\r\n"_s +
                   m_checkProblems.join(u"\r\n"_s)) +
            blocked,
        platform::Buttons::Ok);
}

void Program::enableMainWhenGone(QWidget *dialog)
{
    if (!m_main)
        return;
    const auto enable = connect(dialog, &QObject::destroyed, m_main,
                                [main = m_main.get()] { main->setEnabled(true); });
    // A main window that goes takes its dialogs with it; it says so before they go, and then
    // there is nothing left to enable.
    connect(m_main, &QObject::destroyed, dialog, [enable] { QObject::disconnect(enable); });
}

void Program::holdMainWhileOpen(QWidget *dialog)
{
    enableMainWhenGone(dialog);
    // The main window takes no input while the dialog is open; the dialog, its child, still
    // does.
    m_main->setEnabled(false);
    dialog->setEnabled(true);
}

void Program::track(QWidget *window)
{
    connect(window, &QObject::destroyed, this, [this] {
        // Later, once the window's pointer here has cleared and a successor may be up.
        QTimer::singleShot(0, this, [this] {
            if (!m_splash && !m_main && !m_downloader && !m_options)
                emit lastWindowClosed();
        });
    });
}

void Program::bringToFront()
{
    // The splash or the downloader while one is up; else the main window, with the dialog
    // that holds it over it; else an Options window left alone.
    QList<QWidget *> windows{m_splash, m_downloader};
    if (!m_splash && !m_downloader)
        windows = {m_main ? static_cast<QWidget *>(m_main) : m_options, m_feedback, m_about};
    for (QWidget *window : windows) {
        if (!window)
            continue;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        bringForward(window);
    }
}
