#include "feedbackwindow.h"

#include "colours.h"
#include "feedbackrequest.h"
#include "fonts.h"
#include "httpfetcher.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "placedlayout.h"
#include "settingsstore.h"
#include "twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kSection = QStringLiteral("feedback");
const QString kName = QStringLiteral("sendername");
const QString kEmail = QStringLiteral("senderemail");
const QColor kNavy(0x00, 0x00, 0x80);

} // namespace

FeedbackWindow::FeedbackWindow(SettingsStore &store, QString feedbackUrl, TransferPolicy transfers,
                           QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_store(store)
    , m_feedbackUrl(std::move(feedbackUrl))
    , m_transfers(std::move(transfers))
{
    using twips::rect;
    setObjectName(QStringLiteral("frmReport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Feedback Form"));
    setFont(platform::dialogFont());
    setFixedSize(twips::toPixels(3975), twips::toPixels(3735));
    auto *layout = new platform::PlacedLayout(this, size());

    auto label = [this, layout](const char *name, const QString &text, QRect geometry, int style) {
        auto *item = new QLabel(text, this);
        layout->place(item, name, geometry);
        item->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        item->setWordWrap(true);
        item->setFont(platform::dialogFont(style));
        return item;
    };
    Label4 = label("Label4",
                   QStringLiteral("Found a bug? Information on a monster inaccurate? Have a new "
                                  "idea for the Monster DB? Send us a note and let Quillmoor Soft "
                                  "know your thoughts!"),
                   rect(120, 120, 3735, 615), platform::Regular);
    platform::keepTextColour(Label4, kNavy);
    Label1 =
        label("Label1", QStringLiteral("Your Name:"), rect(120, 840, 1095, 255), platform::Bold);
    Label2 =
        label("Label2", QStringLiteral("Your E-mail:"), rect(120, 1080, 1095, 255), platform::Bold);
    Label3 =
        label("Label3", QStringLiteral("Feedback:"), rect(120, 1320, 975, 255), platform::Bold);
    Label99 = label("Label99", QString(), rect(120, 3000, 2055, 615), platform::Regular);
    Label99->setFont(platform::layoutFont(QStringLiteral("Palatino Linotype"), 12,
                                          platform::Bold | platform::Italic));
    platform::keepTextColour(Label99, kNavy);

    aname = new QLineEdit(this);
    layout->place(aname, "aname", rect(1200, 840, 2655, 285));
    email = new QLineEdit(this);
    layout->place(email, "email", rect(1200, 1080, 2655, 285));
    feedback = new QPlainTextEdit(this);
    layout->place(feedback, "feedback", rect(240, 1560, 3615, 1335));
    feedback->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    feedback->setTabChangesFocus(true);

    sendform = new QPushButton(QStringLiteral("Send Feedback"), this);
    layout->place(sendform, "sendform", rect(2280, 3000, 1575, 255));
    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    layout->place(cancel, "cancel", rect(2280, 3360, 1575, 255));
    // Enter presses the focused button, as in any dialog.
    sendform->setAutoDefault(true);
    cancel->setAutoDefault(true);
    connect(sendform, &QPushButton::clicked, this, &FeedbackWindow::sendform_Click);
    connect(cancel, &QPushButton::clicked, this, &FeedbackWindow::cancel_Click);

    // Each field is named after its caption, without the colon.
    for (const auto &[caption, field] :
         {std::pair<QLabel *, QWidget *>{Label1, aname}, {Label2, email}, {Label3, feedback}}) {
        caption->setBuddy(field);
        field->setAccessibleName(caption->text().remove(u':'));
    }

    setTabOrder(aname, email);
    setTabOrder(email, feedback);
    setTabOrder(feedback, sendform);
    setTabOrder(sendform, cancel);

    Inet1 = new HttpFetcher(this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    Form_Load();
}

void FeedbackWindow::Form_Load()
{
    SettingsStore &store = m_store;
    aname->setText(store.get(kSection, kName));
    email->setText(store.get(kSection, kEmail));
}

void FeedbackWindow::sendform_Click()
{
    const QUrl url = feedback::requestUrl(
        m_feedbackUrl, linebreaks::toCrLf(feedback->toPlainText()), aname->text(), email->text());
    // Said before it goes out, and the text kept for the user to shorten.
    if (!feedback::fitsOneRequest(url)) {
        platform::showMessage(this, windowTitle(),
                              QStringLiteral("Your feedback is too long to send in one piece. "
                                             "Please shorten it, or send it in parts."),
                              platform::Buttons::Ok);
        return;
    }
    SettingsStore &store = m_store;
    store.save(kSection, kName, aname->text());
    store.save(kSection, kEmail, email->text());
    sendform->setEnabled(false);
    Label99->setText(QStringLiteral("Sending feedback... Please wait..."));
    // Closing the form drops the request and nothing more is said.
    Inet1->get(m_transfers.feedback(url), this,
               [this](const FetchResult &reply) { replied(reply); });
}

void FeedbackWindow::replied(const FetchResult &reply)
{
    // An error page is not a receipt.
    if (reply.ok && !reply.body.isEmpty()) {
        Label99->setText(QStringLiteral("Feedback Received Thank You!"));
        platform::showMessage(
            this, QStringLiteral("Feedback Received"),
            QStringLiteral("Your feedback has been received by Quillmoor Soft. Thank you!"),
            platform::Buttons::OkCancel, [this](platform::Answer) { close(); });
        return;
    }
    Label99->setText(QStringLiteral("Error"));
    sendform->setEnabled(true);
    // Why, as the transfer tells it, so that the user knows whether trying later can help.
    const QString reason = reply.ok ? QStringLiteral("the server's answer was empty") : reply.error;
    platform::showMessage(this, QStringLiteral("Feedback Error"),
                          QStringLiteral("There was an error while trying to process your "
                                         "feedback form submission. Please try again later."
                                         "\r\n\r\nReason: %1.")
                              .arg(reason),
                          platform::Buttons::OkCancel);
}

void FeedbackWindow::cancel_Click()
{
    close();
}

void FeedbackWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FeedbackWindow::closeEvent(QCloseEvent *event)
{
    Inet1->abort();
    QWidget::closeEvent(event);
}
