#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running copy for each user, desktop and data folder: two copies on one folder would
// share its notes and updates. A second start asks the running copy to come forward and
// ends; a copy on another data folder (a portable one) runs beside it.
class SingleCopy : public QObject
{
    Q_OBJECT
public:
    explicit SingleCopy(const QString &dataFolder, QObject *parent = nullptr);

    // True when a copy on the same folder runs and was asked to come forward: this one is to
    // end. Otherwise this copy takes such requests from now on.
    bool handedOver();

    // Where the copies for `dataFolder` meet: a socket in the user's private runtime folder,
    // named by the user, the desktop and the folder's real path. Empty when the user has
    // no such folder.
    static QString serverName(const QString &dataFolder);

signals:
    void forwardRequested();

private:
    void answer();

    QString m_name;
    QLocalServer m_server;
};
