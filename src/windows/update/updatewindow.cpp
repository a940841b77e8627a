#include "updatewindow.h"

#include "fonts.h"
#include "httpfetcher.h"
#include "messagebox.h"
#include "monsterwindow.h"
#include "twips.h"
#include "updaterun.h"
#include "windowonce.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int kRunDelayMs = 1000;

} // namespace

UpdateWindow *UpdateWindow::showWindow(const AppContext &context)
{
    return platform::showOnce(s_instance, [&context] {
        auto *window = new UpdateWindow(context);
        window->Form_Load();
        return window;
    });
}

UpdateWindow::UpdateWindow(const AppContext &context)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_context(context)
{
    using twips::rect;
    setObjectName(QStringLiteral("frmUpdate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Updating Monster Database"));
    setFont(platform::dialogFont());
    setFixedSize(twips::toPixels(5055), twips::toPixels(1650));

    Label1 = new QLabel(QStringLiteral("Downloading Updates:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(rect(120, 120, 3015, 375));
    Label1->setFont(platform::layoutFont(QStringLiteral("Palatino Linotype"), 12,
                                         platform::Bold | platform::Italic));
    Label1->setStyleSheet(QStringLiteral("color: #000080"));

    finished = new QPushButton(QStringLiteral("Continue"), this);
    finished->setObjectName(QStringLiteral("finished"));
    finished->setGeometry(rect(3240, 120, 1695, 375));
    finished->setVisible(false);
    connect(finished, &QPushButton::clicked, this, &UpdateWindow::finished_Click);

    const QFont statusFont = platform::dialogFont(platform::Bold);
    lblFileStatus = new QLabel(this);
    lblFileStatus->setObjectName(QStringLiteral("lblFileStatus"));
    lblFileStatus->setGeometry(rect(120, 600, 4815, 255));
    lblFileStatus->setFont(statusFont);
    lblFileStatus->setTextFormat(Qt::PlainText);
    lblFileStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    lblFileStatus2 = new QLabel(this);
    lblFileStatus2->setObjectName(QStringLiteral("lblFileStatus2"));
    lblFileStatus2->setGeometry(rect(120, 960, 4815, 255));
    lblFileStatus2->setFont(statusFont);
    lblFileStatus2->setTextFormat(Qt::PlainText);
    lblFileStatus2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Statusbar = new QStatusBar(this);
    Statusbar->setObjectName(QStringLiteral("Statusbar"));
    Statusbar->setSizeGripEnabled(false);
    Statusbar->setFont(platform::layoutFont(QStringLiteral("Verdana"), 8.25));
    Statusbar->setGeometry(0, height() - twips::toPixels(330), width(), twips::toPixels(330));
    for (int i = 0; i < 3; ++i) {
        panels[i] = new QLabel(Statusbar);
        panels[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        panels[i]->setTextFormat(Qt::PlainText);
        panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    panels[1]->setFixedWidth(twips::toPixels(690));
    panels[1]->setAlignment(Qt::AlignCenter);
    panels[2]->setFixedWidth(twips::toPixels(1600));
    Statusbar->addWidget(panels[0], 1);
    Statusbar->addWidget(panels[1]);
    Statusbar->addWidget(panels[2]);

    // The progress bar lies over the third panel.
    progressbar = new QProgressBar(panels[2]);
    progressbar->setObjectName(QStringLiteral("progressbar"));
    progressbar->setRange(0, 100);
    progressbar->setValue(0);
    progressbar->setTextVisible(false);
    progressbar->setAccessibleName(QStringLiteral("Download Progress"));
    auto *overPanel = new QHBoxLayout(panels[2]);
    overPanel->setContentsMargins(1, 1, 1, 1);
    overPanel->addWidget(progressbar);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRunDelayMs);
    connect(Timer1, &QTimer::timeout, this, &UpdateWindow::Timer1_Timer);

    Inet = new HttpFetcher(context.downloadTimeout, this);
    Inet->setObjectName(QStringLiteral("Inet"));
}

void UpdateWindow::Form_Load()
{
    Timer1->start();
}

void UpdateWindow::Timer1_Timer()
{
    // Only the first tick runs the update.
    Timer1->stop();
    if (m_ran)
        return;
    m_ran = true;
    m_running = true;

    UpdateRun run(*Inet, {m_context.dataFolder, m_context.endpoints.updateListUrl,
                          m_context.endpoints.databaseVersionUrl});
    connect(&run, &UpdateRun::panelText, this,
            [this](int panel, const QString &text) { panels[panel - 1]->setText(text); });
    connect(&run, &UpdateRun::fileStatus, lblFileStatus, &QLabel::setText);
    connect(&run, &UpdateRun::fileStatus2, lblFileStatus2, &QLabel::setText);
    connect(&run, &UpdateRun::progressChanged, progressbar, &QProgressBar::setValue);
    connect(&run, &UpdateRun::fileNotFound, this, [this](const QString &fileName) {
        platform::showMessage(this, windowTitle(),
                              QStringLiteral("Error downloading ") + fileName +
                                  QStringLiteral("\r\n\r\nFile Not Found. Please report this "
                                                 "error to Quillmoor Soft."),
                              platform::Buttons::Ok);
    });
    connect(&run, &UpdateRun::filesFinished, this, [this] {
        finished->setVisible(true);
        finished->setDefault(true);
        finished->setFocus();
    });
    run.run();
    m_running = false;

    if (m_continuePending)
        OpenMainWindow();
}

void UpdateWindow::finished_Click()
{
    // A click during the last step takes effect when that step is over.
    if (m_running) {
        m_continuePending = true;
        return;
    }
    OpenMainWindow();
}

void UpdateWindow::OpenMainWindow()
{
    // The main window first, so that the program never runs out of windows on the way.
    MonsterWindow::showWindow(m_context);
    close();
}

void UpdateWindow::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    // Closed by other means than "Continue" once the work is done: go on as Continue does.
    if (m_ran && !MonsterWindow::instance())
        MonsterWindow::showWindow(m_context);
    QWidget::closeEvent(event);
}
