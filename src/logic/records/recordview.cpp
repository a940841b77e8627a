#include "recordview.h"

#include "wholefile.h"

namespace {

constexpr qint64 kMaxPictureBytes = 16 * 1024 * 1024;

} // namespace

QString decodeForDisplay(QStringView stored)
{
    QString out;
    out.reserve(stored.size() + 8);
    for (const QChar ch : stored) {
        if (ch == kCommaSubstitute)
            out.append(u',');
        else if (ch == kLineBreakSubstitute)
            out.append(QStringLiteral("\r\n"));
        else
            out.append(ch);
    }
    return out;
}

RecordView viewOf(const MonsterRecord &record, const DataFolder &folder)
{
    RecordView view;
    for (int f = 0; f < MonsterRecord::FieldCount; ++f)
        view.text[std::size_t(f)] = decodeForDisplay(record.field(f));
    const QString &picture = view.text[MonsterRecord::Picture];
    const QString path = picture.isEmpty() ? QString() : folder.file(picture);
    if (folder.holds(path))
        view.picturePath = path;
    return view;
}

QByteArray readPicture(const RecordView &view)
{
    if (view.picturePath.isEmpty())
        return {};
    return wholefile::read(view.picturePath, kMaxPictureBytes).value_or(QByteArray());
}
