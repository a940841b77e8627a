#include "recordview.h"

#include "wholefile.h"
#include "windows1252.h"

namespace {

constexpr qint64 kMaxPictureBytes = 16 * 1024 * 1024;
// A label lays out kShownChars in a few milliseconds; ten megabytes took seconds to decode
// and lay out.

QString cutNote(qsizetype whole)
{
    return QStringLiteral("\r\n[The rest is not shown: %L1 characters in all. Copying takes "
                          "them all.]")
        .arg(whole);
}

} // namespace

QString decodeForDisplay(QStringView stored)
{
    QString out = stored.toString();
    out.replace(kCommaSubstitute, u',');
    if (out.contains(kLineBreakSubstitute))
        out.replace(kLineBreakSubstitute, QStringLiteral("\r\n"));
    return out;
}

QString shownPart(const QString &text)
{
    if (text.size() <= kShownChars)
        return text;
    qsizetype end = kShownChars;
    if (text[end - 1].isHighSurrogate() || (text[end - 1] == u'\r' && text[end] == u'\n'))
        --end;
    return text.first(end) + cutNote(text.size());
}

RecordView viewOf(const MonsterRecord &record, const DataFolder &folder)
{
    RecordView view;
    view.record = record;
    for (int f = 0; f < MonsterRecord::FieldCount; ++f) {
        // Only the beginning of a long value is decoded: it is all that shows. The name is
        // whole, being the key of the note.
        const QByteArrayView raw = record.rawField(f);
        const bool cut = f != MonsterRecord::Name && raw.size() > kShownChars;
        view.text[std::size_t(f)] =
            cut ? decodeForDisplay(windows1252::decode(raw.first(kShownChars))) +
                      cutNote(raw.size() + raw.count('\xbf')) // each "¿" a CR LF
                : decodeForDisplay(windows1252::decode(raw));
    }
    const QString &picture = view.text[MonsterRecord::Picture];
    const QString path = picture.isEmpty() || record.rawField(MonsterRecord::Picture).size() >
                                                  kShownChars
                             ? QString()
                             : folder.file(picture);
    if (folder.holds(path))
        view.picturePath = path;
    return view;
}

QString RecordView::whole(int field) const
{
    if (!record || field == MonsterRecord::Name || record->rawField(field).size() <= kShownChars)
        return text[std::size_t(field)];
    return decodeForDisplay(record->field(field));
}

QByteArray readPicture(const RecordView &view)
{
    if (view.picturePath.isEmpty())
        return {};
    return wholefile::read(view.picturePath, kMaxPictureBytes).value_or(QByteArray());
}
