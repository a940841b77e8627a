#pragma once

#include <QString>
#include <QStringView>

// The data folder: the monster database, its version file, the update list and the data
// files the list names (pictures among them). Chosen once at start; everything that
// reads or writes a data file asks this value for its path, so each file's name is
// spelled here alone.
class DataFolder
{
public:
    DataFolder() = default;
    // `path` with or without a trailing separator.
    explicit DataFolder(const QString &path);

    // The folder, ending with "/".
    const QString &path() const { return m_path; }
    bool isNull() const { return m_path.isEmpty(); }

    static QString databaseName();
    static QString versionName();
    static QString listName();

    QString databaseFile() const { return m_path + databaseName(); }
    QString versionFile() const { return m_path + versionName(); }
    QString listFile() const { return m_path + listName(); }

    // The safe-name rule for a file named by the update list or by a record: a relative
    // path inside the folder with "\" or "/" as separators; not empty, no root or drive,
    // no double quote or control character, no "." or ".." part, no empty part, and not
    // the list or version file. Returns the name with "/" separators, or an empty text
    // when the name is unsafe.
    static QString safeName(QStringView name);

    // The path of a file by its listed or stored name; empty when the name is unsafe.
    QString file(QStringView name) const;

    // Whether `path` lies inside the folder once every link on the way is followed, the
    // folder's own included: a link in the data folder must not let a download write, or a
    // record read, anywhere else. A path that does not exist yet is judged by its nearest
    // existing folder; a link that leads nowhere is not inside.
    bool holds(const QString &path) const;

    friend bool operator==(const DataFolder &, const DataFolder &) = default;

private:
    QString m_path;
};
