#pragma once

#include "windows1252.h"

#include <QDir>
#include <QFile>
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

// One data file line: the fields joined by "|", as Windows-1252.
inline QByteArray recordLine(const QStringList &fields)
{
    return windows1252::encode(fields.join(u'|'));
}

// A data file: one record per line, CR LF, ending with an empty line.
inline QByteArray dataFile(const QList<QStringList> &records)
{
    QByteArray bytes;
    for (const QStringList &fields : records)
        bytes += recordLine(fields) + "\r\n";
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
