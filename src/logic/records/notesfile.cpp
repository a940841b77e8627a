#include "notesfile.h"

#include "csv.h"
#include "linebreaks.h"

#include <algorithm>

namespace notesfile {
namespace {

constexpr QChar kOccurrenceMark = QChar(0xFFFF);

const QStringList kTitles = {QStringLiteral("Monster"), QStringLiteral("Occurrence"),
                             QStringLiteral("Note")};

bool isTitleRow(const QStringList &row)
{
    if (row.size() < kTitles.size())
        return false;
    for (qsizetype i = 0; i < kTitles.size(); ++i) {
        if (row[i].trimmed().compare(kTitles[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

} // namespace

QString key(const QString &name, qsizetype occurrence)
{
    return occurrence <= 1 ? name : name + kOccurrenceMark + QString::number(occurrence);
}

Note fromKey(const QString &key)
{
    const qsizetype mark = key.lastIndexOf(kOccurrenceMark);
    bool ok = false;
    const qsizetype occurrence = mark < 0 ? 0 : key.sliced(mark + 1).toLongLong(&ok);
    if (!ok || occurrence < 2 || key.sliced(mark + 1) != QString::number(occurrence))
        return {key, 1, {}};
    return {key.first(mark), occurrence, {}};
}

std::vector<Note> fromStore(const QHash<QString, QString> &stored)
{
    std::vector<Note> notes;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        Note note = fromKey(it.key());
        note.text = it.value();
        notes.push_back(std::move(note));
    }
    std::sort(notes.begin(), notes.end(), [](const Note &a, const Note &b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        if (byName != 0)
            return byName < 0;
        return std::pair(a.name, a.occurrence) < std::pair(b.name, b.occurrence);
    });
    return notes;
}

QByteArray exportText(const std::vector<Note> &notes)
{
    QList<QStringList> rows{kTitles};
    for (const Note &note : notes)
        rows.append({note.name, QString::number(note.occurrence), note.text});
    return csv::write(rows);
}

ImportPlan planImport(QByteArrayView file, const std::vector<Note> &existing)
{
    ImportPlan plan;
    const csv::Table table = csv::read(file);
    if (!table.error.isEmpty()) {
        plan.error = table.error;
        return plan;
    }
    const auto refuse = [&plan](qsizetype line, const QString &why) {
        plan = {};
        plan.error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return plan;
    };
    QHash<QString, QString> imported; // by key
    std::vector<Note> inOrder;
    for (qsizetype i = 0; i < table.rows.size(); ++i) {
        const QStringList &row = table.rows[i];
        const qsizetype line = table.lines[i];
        if (i == 0 && isTitleRow(row))
            continue;
        if (row.size() < 3)
            return refuse(line, QStringLiteral("a note needs a monster, its occurrence and "
                                               "the text"));
        bool ok = false; // set by toLongLong either way
        const qsizetype occurrence = row[1].trimmed().toLongLong(&ok);
        const QString name = linebreaks::toCrLf(row[0]);
        if (name.isEmpty())
            return refuse(line, QStringLiteral("no monster named"));
        if (!ok || occurrence < 1)
            return refuse(line, QStringLiteral("the occurrence \"%1\" is not a whole number "
                                               "from 1")
                                    .arg(row[1]));
        const QString text = linebreaks::toCrLf(row[2]);
        if (text.isEmpty())
            continue;
        const QString noteKey = key(name, occurrence);
        const auto at = imported.constFind(noteKey);
        if (at != imported.cend() && *at != text)
            return refuse(line, QStringLiteral("a second, different note for %1").arg(name));
        if (at == imported.cend()) {
            imported.insert(noteKey, text);
            inOrder.push_back({name, occurrence, text});
        }
    }
    QHash<QString, QString> present;
    for (const Note &note : existing)
        present.insert(key(note.name, note.occurrence), linebreaks::toCrLf(note.text));
    for (Note &note : inOrder) {
        const QString there = present.value(key(note.name, note.occurrence));
        if (there.isEmpty())
            plan.add.push_back(std::move(note));
        else if (there == note.text)
            plan.same.push_back(std::move(note));
        else
            plan.differ.push_back({std::move(note), there});
    }
    return plan;
}

} // namespace notesfile
