#include "downloaderwindow.h"

#include "colours.h"
#include "fonts.h"
#include "messagebox.h"
#include "placedlayout.h"
#include "twips.h"

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

DownloaderWindow::DownloaderWindow(UpdateRun::Config config, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_run(new UpdateRun(std::move(config), this))
{
    using twips::rect;
    setObjectName(QStringLiteral("frmUpdate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Updating Monster Database"));
    setFont(platform::dialogFont());
    setFixedSize(twips::toPixels(5055), twips::toPixels(1650));
    auto *layout = new platform::PlacedLayout(this, size());

    Label1 = new QLabel(QStringLiteral("Downloading Updates:"), this);
    layout->place(Label1, "Label1", rect(120, 120, 3015, 375));
    Label1->setFont(platform::layoutFont(QStringLiteral("Palatino Linotype"), 12,
                                         platform::Bold | platform::Italic));
    platform::keepTextColour(Label1, QColor(0x00, 0x00, 0x80));

    finished = new QPushButton(QStringLiteral("Continue"), this);
    layout->place(finished, "finished", rect(3240, 120, 1695, 375));
    finished->setVisible(false);
    connect(finished, &QPushButton::clicked, this, &DownloaderWindow::finished_Click);

    const QFont statusFont = platform::dialogFont(platform::Bold);
    // Down to the foot of lblFileStatus2, so that the failures a run ends with can take
    // three lines; while files arrive one line shows at its top.
    lblFileStatus = new QLabel(this);
    layout->place(lblFileStatus, "lblFileStatus", rect(120, 600, 4815, 615));
    lblFileStatus->setFont(statusFont);
    lblFileStatus->setTextFormat(Qt::PlainText);
    lblFileStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFileStatus->setWordWrap(true);

    lblFileStatus2 = new QLabel(this);
    layout->place(lblFileStatus2, "lblFileStatus2", rect(120, 960, 4815, 255));
    lblFileStatus2->setFont(statusFont);
    lblFileStatus2->setTextFormat(Qt::PlainText);
    lblFileStatus2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Statusbar = new QStatusBar(this);
    Statusbar->setSizeGripEnabled(false);
    Statusbar->setFont(platform::layoutFont(QStringLiteral("Verdana"), 8.25));
    layout->place(Statusbar, "Statusbar",
                  QRect(0, height() - twips::toPixels(330), width(), twips::toPixels(330)));
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
    connect(Timer1, &QTimer::timeout, this, &DownloaderWindow::Timer1_Timer);

    connect(m_run, &UpdateRun::step, panels[0], &QLabel::setText);
    connect(m_run, &UpdateRun::percentChanged, this, [this](int percent) {
        panels[1]->setText(QStringLiteral("%1%").arg(percent));
        progressbar->setValue(percent);
    });
    connect(m_run, &UpdateRun::fileStarted, this, [this](const QString &name, qint64 size) {
        lblFileStatus->setText(QStringLiteral("Downloading %1 (%2 bytes)...").arg(name).arg(size));
    });
    connect(m_run, &UpdateRun::fileStored, this, [this](const QString &name) {
        lblFileStatus->clear();
        lblFileStatus2->setText(name + QStringLiteral(" updated."));
    });
    connect(m_run, &UpdateRun::fileFailed, this, [this](const QString &name, const QString &why) {
        lblFileStatus->setText(QStringLiteral("Error downloading %1: %2").arg(name, why));
    });
    connect(m_run, &UpdateRun::finished, this, &DownloaderWindow::runFinished);
    m_run->setNotFoundHandler([this](const QString &fileName, std::function<void()> acknowledged) {
        platform::showMessage(this, windowTitle(),
                              QStringLiteral("Error downloading ") + fileName +
                                  QStringLiteral("\r\n\r\nFile Not Found. Please report this "
                                                 "error to Quillmoor Soft."),
                              platform::Buttons::Ok,
                              [acknowledged](platform::Answer) { acknowledged(); });
    });
    Timer1->start();
}

void DownloaderWindow::Timer1_Timer()
{
    // Only the first tick runs the update.
    Timer1->stop();
    if (m_ran)
        return;
    m_ran = true;
    m_run->start();
}

void DownloaderWindow::finished_Click()
{
    emit continueRequested();
}

void DownloaderWindow::runFinished(const QString &failures)
{
    // The reasons scrolled past with their files; the last screen keeps them all.
    if (!failures.isEmpty()) {
        const QString text = QStringLiteral("Error downloading ") + failures;
        lblFileStatus->setText(text);
        lblFileStatus->setToolTip(text);
        // More than a line of reasons takes the room of the last stored file's name.
        if (lblFileStatus->fontMetrics().horizontalAdvance(text) > lblFileStatus->width())
            lblFileStatus2->clear();
    }
    finished->setVisible(true);
    finished->setDefault(true);
    finished->setFocus();
}

void DownloaderWindow::closeEvent(QCloseEvent *event)
{
    // No way out while the files are changing; once the work is done closing is Continue.
    if (m_run->isRunning()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (m_ran)
        emit continueRequested();
}
