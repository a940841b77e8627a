#include "fonts.h"

#include <QHash>
#include <QStringList>

namespace platform {
namespace {

QStringList fallbacksFor(const QString &family, int style)
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
    // The layouts' regular captions were fitted to a narrower face than the usual free
    // ones, in which several overflow their boxes; bold captions fit as they are.
    if (family == QStringLiteral("MS Sans Serif") && !(style & Bold))
        return QStringList{QStringLiteral("Liberation Sans Narrow"),
                           QStringLiteral("Nimbus Sans Narrow")} +
               fallbacks.value(family);
    return fallbacks.value(family);
}

} // namespace

QFont layoutFont(const QString &family, qreal pointSize, int style)
{
    QFont font;
    font.setFamilies(QStringList{family} + fallbacksFor(family, style));
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
