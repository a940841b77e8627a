#pragma once

#include "windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTest>

namespace testsupport {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Files = QMap<QString, QByteArray>; // name below a folder, bytes

// Writes `files` below `folder`, which ends with "/"; a body "sparse N" makes a sparse
// file of N bytes.
inline void writeFiles(const QString &folder, const Files &files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        writeFile(folder + it.key(), it->startsWith("sparse ") ? QByteArray() : *it);
        if (it->startsWith("sparse "))
            QVERIFY(QFile::resize(folder + it.key(), it->mid(7).toLongLong()));
    }
}

// Every file below `folder` by its path relative to it, with its bytes; links are not
// followed.
inline Files snapshot(const QString &folder)
{
    Files files;
    const auto filter = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
    for (QDirIterator it(folder, filter, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return files;
}

// Every file below `folder` with its modification time, after setting each to `setTo`
// when that is given: what an old time still holds afterwards was not rewritten.
inline QMap<QString, QDateTime> fileTimes(const QString &folder, const QDateTime &setTo = {})
{
    QMap<QString, QDateTime> times;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (setTo.isValid() && file.open(QIODevice::ReadOnly))
            file.setFileTime(setTo, QFileDevice::FileModificationTime);
        times.insert(file.fileName(), QFileInfo(file).lastModified());
    }
    return times;
}

// A data file: one record per line, its fields joined by "|", as Windows-1252 with CR LF,
// ending with an empty line.
inline QByteArray dataFile(const QList<QStringList> &records)
{
    QByteArray bytes;
    for (const QStringList &fields : records)
        bytes += windows1252::encode(fields.join(u'|')) + "\r\n";
    return bytes + "\r\n";
}

// A full record whose fields are "<name> f<n>" apart from the name and picture.
inline QStringList record(const QString &name, const QString &picture = {})
{
    QStringList fields{name};
    for (int f = 1; f < 14; ++f)
        fields.append(f == 9 ? picture : QStringLiteral("%1 f%2").arg(name).arg(f));
    return fields;
}

// The offscreen platform warns about window operations it does not implement; those
// warnings say nothing about the program.
inline void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type == QtWarningMsg && message.startsWith(u"This plugin does not support"))
                return;
            previous(type, context, message);
        });
}

} // namespace testsupport
