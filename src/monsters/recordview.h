#pragma once

#include "monstertable.h"

#include <QString>
#include <array>

// Undoes the data file's substitutes for display: "¡" becomes a comma and "¿" a line
// break (CR LF).
QString decodeForDisplay(QStringView stored);

// Everything the main window shows for one record, substitutes undone.
struct RecordView
{
    std::array<QString, MonsterRecord::FieldCount> text;
    // Absolute path of the picture file, or empty when the record names none.
    QString picturePath;
};

// `dataDir` ends with a folder separator. A "\" in the picture field counts as a folder
// separator, since records written on Windows name their pictures that way.
RecordView viewOf(const MonsterRecord &record, const QString &dataDir);
