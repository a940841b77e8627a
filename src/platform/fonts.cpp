#include "fonts.h"

#include <QHash>
#include <QStringList>

namespace platform {
namespace {

QStringList fallbacksFor(const QString &family)
{
    static const QHash<QString, QStringList> fallbacks = {
        {QStringLiteral("MS Sans Serif"),
         {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
          QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Palatino Linotype"),
         {QStringLiteral("P052"), QStringLiteral("Palatino"), QStringLiteral("URW Palladio L"),
          QStringLiteral("TeX Gyre Pagella"), QStringLiteral("DejaVu Serif")}},
        {QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Papyrus"),
         {QStringLiteral("Z003"), QStringLiteral("URW Chancery L"),
          QStringLiteral("TeX Gyre Chorus"), QStringLiteral("DejaVu Serif")}},
    };
    return fallbacks.value(family);
}

} // namespace

QFont layoutFont(const QString &family, qreal pointSize, int style)
{
    QFont font;
    font.setFamilies(QStringList{family} + fallbacksFor(family));
    font.setPointSizeF(pointSize);
    font.setBold(style & Bold);
    font.setItalic(style & Italic);
    return font;
}

QFont dialogFont(int style)
{
    return layoutFont(QStringLiteral("MS Sans Serif"), 8.25, style);
}

} // namespace platform
