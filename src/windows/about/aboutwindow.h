#pragma once

#include "datafolder.h"
#include "endpoints.h"
#include "registry.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The About window ("frmAbout"): title, program and database versions, credits, contact
// details and web links, each link opening its page in the browser. It is deleted when
// closed.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    AboutWindow(const Endpoints &endpoints, const DataFolder &folder, QWidget *parent = nullptr);

    // Starts the system's information tool, or says that there is none.
    void StartSysInfo();
    static bool GetKeyValue(platform::registry::HKEY root, const QString &keyName,
                            const QString &valueName, QString &value);

    // "Progam Version v.1.7 Build #4034 Beta" for version 1.7.4034.
    static QString versionText();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void OpenLink(const QString &url);

    Endpoints m_endpoints;
    DataFolder m_folder;

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *dbverlabel = nullptr;
    QPushButton *cmdOK = nullptr;
};
