#pragma once

#include "appcontext.h"
#include "registry.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

// The About window ("frmAbout"): title, program and database versions, credits, contact
// details and web links, each link opening its page in the browser. The main window is
// disabled while it is open. At most one exists; it is deleted when closed.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    static AboutWindow *showWindow(const AppContext &context);
    static AboutWindow *instance() { return s_instance; }

    // Starts the system's information tool, or says that there is none.
    void StartSysInfo();
    static bool GetKeyValue(platform::registry::HKEY root, const QString &keyName,
                            const QString &valueName, QString &value);

    // "Progam Version v.1.7 Build #4034 Beta" for version 1.7.4034.
    static QString versionText();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit AboutWindow(const AppContext &context);

    void Form_Load();
    void cmdOK_Click();
    void OpenLink(const QString &url);

    static inline QPointer<AboutWindow> s_instance;

    AppContext m_context;

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *dbverlabel = nullptr;
    QPushButton *cmdOK = nullptr;
};
