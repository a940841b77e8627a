#pragma once

#include "datafolder.h"
#include "monstertable.h"

#include <QString>
#include <array>

// Undoes the data file's substitutes for display: "¡" becomes a comma and "¿" a line
// break (CR LF).
QString decodeForDisplay(QStringView stored);

// Everything the main window shows of one record, substitutes undone. The window keeps
// the view of the record on screen: the note key and every copied value come from here.
struct RecordView
{
    // Each field's text with CR LF line breaks, as it is copied.
    std::array<QString, MonsterRecord::FieldCount> text;
    // The picture file, or empty when the record names none or names one outside the
    // data folder (by its name or through a link).
    QString picturePath;

    // The key the monster's note is kept under: its name as shown.
    const QString &noteKey() const { return text[MonsterRecord::Name]; }
};

// A "\" in the picture field counts as a folder separator, since records written on
// Windows name their pictures that way.
RecordView viewOf(const MonsterRecord &record, const DataFolder &folder);

// The bytes of the view's picture; empty when there is none, or when what it names is not
// a regular file of a picture's size.
QByteArray readPicture(const RecordView &view);
