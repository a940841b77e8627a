#include "linkparts.h"

#include "monstertable.h"

std::vector<LinkPart> linkParts(QStringView stored)
{
    std::vector<LinkPart> parts;
    qsizetype shown = 0; // where stored[i] stands in the shown text
    qsizetype begin = 0;
    qsizetype shownBegin = 0;
    for (qsizetype i = 0; i <= stored.size(); ++i) {
        // The end closes the last part as a comma would.
        const QChar c = i < stored.size() ? stored[i] : kCommaSubstitute;
        const bool lineBreak = c == kLineBreakSubstitute;
        if (!lineBreak && c != kCommaSubstitute) {
            ++shown;
            continue;
        }
        // The part is stored[begin, i), with no substitute inside.
        const QStringView untrimmed = stored.sliced(begin, i - begin);
        const QStringView part = untrimmed.trimmed();
        if (!part.isEmpty() && part.compare(u"Data Unavailable", Qt::CaseInsensitive) != 0)
            parts.push_back({part.toString(), shownBegin + (part.data() - untrimmed.data()),
                             part.size()});
        shown += lineBreak ? 2 : 1; // CR LF, or the comma
        begin = i + 1;
        shownBegin = shown;
    }
    return parts;
}
