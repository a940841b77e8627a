#pragma once

#include <QString>

// Stored and copied text uses CR LF line breaks; Qt's text widgets use LF.
namespace linebreaks {

inline QString toLf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

inline QString toCrLf(QString text)
{
    return toLf(std::move(text)).replace(QChar(u'\n'), QStringLiteral("\r\n"));
}

} // namespace linebreaks
