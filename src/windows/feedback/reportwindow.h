#pragma once

#include "appcontext.h"

#include <QPointer>
#include <QWidget>

class HttpFetcher;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The feedback form ("frmReport"): a message, a name and an e-mail address sent to the
// maker's web script in one request. The main window is disabled while it is open. At
// most one exists; it is deleted when closed.
class ReportWindow : public QWidget
{
    Q_OBJECT
public:
    static ReportWindow *showWindow(const AppContext &context);
    static ReportWindow *instance() { return s_instance; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // Esc cancels.
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit ReportWindow(const AppContext &context);

    void Form_Load();
    void sendform_Click();
    void cancel_Click();

    static inline QPointer<ReportWindow> s_instance;

    AppContext m_context;

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
