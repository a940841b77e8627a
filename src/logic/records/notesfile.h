#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <vector>

// The player's notes taken out to a file a spreadsheet opens, and read back in without
// losing any. A note belongs to a monster by its name as shown and, among namesakes, by
// which of them it is in file order, counted from 1.
namespace notesfile {

struct Note
{
    QString name;
    qsizetype occurrence = 1;
    QString text; // CR LF line breaks, as stored
    friend bool operator==(const Note &, const Note &) = default;
};

// The store key of a note. The first of a name's namesakes is keyed by the name alone;
// a later one by the name, U+FFFF and its number, which no name read from the data can
// hold, so that no two monsters share a key.
QString key(const QString &name, qsizetype occurrence);
// A store key back as a note's name and occurrence, the text left empty.
Note fromKey(const QString &key);

// The notes the store holds (key to text), empty ones left out, by name and occurrence.
std::vector<Note> fromStore(const QHash<QString, QString> &stored);

// CSV: a title row, then each note's name, occurrence and text.
QByteArray exportText(const std::vector<Note> &notes);

struct ImportPlan
{
    struct Conflict
    {
        Note imported;
        QString existing;
    };
    std::vector<Note> add;        // for monsters with no note yet
    std::vector<Note> same;       // equal to the note there
    std::vector<Conflict> differ; // replace only when the player says so
    QString error;                // the file could not be read; nothing is planned
};

// What importing `file` against the `existing` notes would do. Empty notes in the file
// are left out, as they would take nothing away; line breaks are compared and stored as
// CR LF whatever the spreadsheet wrote. A file with two different notes for one monster
// is refused, since either would be lost.
ImportPlan planImport(QByteArrayView file, const std::vector<Note> &existing);

} // namespace notesfile
