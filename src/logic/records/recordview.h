#pragma once

#include "datafolder.h"
#include "monstertable.h"

#include <QString>
#include <array>
#include <optional>

// Undoes the data file's substitutes for display: "¡" becomes a comma and "¿" a line
// break (CR LF).
QString decodeForDisplay(QStringView stored);

// The characters of a long value that show: some eighty lines of the description.
inline constexpr qsizetype kShownChars = 5000;

// What a window shows of a text: all of it, or for a very long one its beginning and a
// line that says it is cut, so that showing it never holds the window up.
QString shownPart(const QString &text);

// Everything the main window shows of one record, substitutes undone. The window keeps
// the view of the record on screen: the note key and every copied value come from here.
struct RecordView
{
    // Each field's text with CR LF line breaks, as it shows: of a very long one (not the
    // name) only its beginning and a line that says it is cut.
    std::array<QString, MonsterRecord::FieldCount> text;
    // The record, while its table lives.
    std::optional<MonsterRecord> record;
    // The picture file, or empty when the record names none or names one outside the
    // data folder (by its name or through a link).
    QString picturePath;

    // The key the monster's note is kept under: its name as shown.
    const QString &noteKey() const { return text[MonsterRecord::Name]; }
    // A field's whole text with CR LF line breaks, as it is copied.
    QString whole(int field) const;
};

// A "\" in the picture field counts as a folder separator, since records written on
// Windows name their pictures that way.
RecordView viewOf(const MonsterRecord &record, const DataFolder &folder);

// The bytes of the view's picture; empty when there is none, or when what it names is not
// a regular file of a picture's size.
QByteArray readPicture(const RecordView &view);
