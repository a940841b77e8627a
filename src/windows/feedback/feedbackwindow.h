#pragma once

#include "transfers.h"

#include <QWidget>

class HttpFetcher;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class SettingsStore;

// The feedback form ("frmReport"): a message, a name and an e-mail address sent to the
// maker's web script in one request. It is deleted when closed.
class FeedbackWindow : public QWidget
{
    Q_OBJECT
public:
    FeedbackWindow(SettingsStore &store, QString feedbackUrl, TransferPolicy transfers,
                 QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Esc cancels.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void sendform_Click();
    void cancel_Click();
    void replied(const FetchResult &reply);

    SettingsStore &m_store;
    QString m_feedbackUrl;
    TransferPolicy m_transfers;

    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *aname = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *email = nullptr;
    QLabel *Label3 = nullptr;
    QPlainTextEdit *feedback = nullptr;
    QLabel *Label99 = nullptr;
    QPushButton *sendform = nullptr;
    QPushButton *cancel = nullptr;
    HttpFetcher *Inet1 = nullptr;
};
