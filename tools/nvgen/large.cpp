#include "large.h"

#include "common.h"
#include "monstertable.h"
#include "windows1252.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace {

// Thousands separated by the comma substitute, as the sample writes them.
QString grouped(quint32 value)
{
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, kCommaSubstitute);
    return digits;
}

QString pick(Dice &dice, const QStringList &list)
{
    return list[dice.range(0, int(list.size()) - 1)];
}

} // namespace

int runLarge(const QString &countText, const QString &outPath)
{
    bool ok = false;
    const int count = countText.toInt(&ok);
    if (!ok || count < 1)
        fail(QStringLiteral("the record count must be a positive number"));

    const QStringList treasures = {
        QStringLiteral("Bone"),       QStringLiteral("Copper Coin"),
        QStringLiteral("Feather"),    QStringLiteral("Old Key"),
        QStringLiteral("Shell"),      QStringLiteral("Pearl"),
        QStringLiteral("Moss Clump"), QStringLiteral("Iron Scrap"),
        QStringLiteral("Candle"),     QStringLiteral("Crème Brûlée"),
        QStringLiteral("Œrn Egg"),    QStringLiteral("Rune Stone™"),
    };
    const QStringList areas = {
        QStringLiteral("Quillmoor Marsh"), QStringLiteral("Saltglass Shore"),
        QStringLiteral("Ogre’s Cave"),     QStringLiteral("Emberdeep Mines"),
        QStringLiteral("Šelvik Tundra"),   QStringLiteral("Žarograd Ruins"),
        QStringLiteral("Hollowfen Woods"), QStringLiteral("Velloran Catacombs"),
        QStringLiteral("Ÿsselmark Dunes"), QStringLiteral("Drowned Abbey – Lower Nave"),
    };
    const QStringList sentences = {
        QStringLiteral("It was first recorded by a surveyor who did not come back for a second "
                       "look."),
        QStringLiteral("It keeps to the shadows¡ and the shadows keep to it."),
        QStringLiteral("Travellers report a smell of wet stone and old pennies…"),
        QStringLiteral("Guides charge 5 € extra to walk past its nest."),
        QStringLiteral("It is “mostly harmless” according to people who were never bitten."),
        QStringLiteral("Drop rate of its rarest treasure: 3‰."),
        QStringLiteral("Scholars disagree about what it eats – and about what eats it."),
        QStringLiteral("It hums when content and hisses when it is not."),
    };
    const QStringList hostile = {QStringLiteral("Yes"), QStringLiteral("No"),
                                 QStringLiteral("Only when provoked")};
    const QStringList sizes = {QStringLiteral("Small"), QStringLiteral("Medium"),
                               QStringLiteral("Large")};
    const QString listSeparator = QStringLiteral("\u00a1 ");
    // A few pictures the sample ships, so a large file dropped into the data folder shows
    // some; the rest are empty or missing on purpose.
    const QStringList pictures = {
        QStringLiteral("pics\\marshbat.gif"),
        QStringLiteral("crab_giant.bmp"),
        QStringLiteral("emberimp.ico"),
        QStringLiteral("glimmerfox.jpg"),
        QString(),
        QStringLiteral("lostwisp_gone.jpg"),
    };

    const int width = std::max(5, int(QString::number(count).size()));
    Dice dice(0x2026u);
    QByteArray out;
    out.reserve(qsizetype(count) * 320);
    for (int i = 1; i <= count; ++i) {
        QString name = QStringLiteral("Generated Monster %1").arg(i, width, 10, QLatin1Char('0'));
        if (i % 7 == 0)
            name += kCommaSubstitute + QStringLiteral(" Elder");
        const int level = dice.range(1, 99);
        QString description;
        const int parts = dice.range(2, 4);
        for (int s = 0; s < parts; ++s) {
            if (s > 0)
                description +=
                    dice.chance(30) ? QStringLiteral("\u00bf\u00bf") : QStringLiteral(" ");
            description += pick(dice, sentences);
        }
        QString treasure = pick(dice, treasures);
        for (int t = dice.range(0, 2); t > 0; --t)
            treasure += listSeparator + pick(dice, treasures);
        QString area = pick(dice, areas);
        if (dice.chance(40))
            area += listSeparator + pick(dice, areas);

        const QStringList fields = {
            name,
            grouped(quint32(dice.range(10, 60000))),
            dice.chance(15) ? QStringLiteral("%1–%2").arg(level).arg(level + 3)
                            : QString::number(level),
            grouped(quint32(dice.range(5, 90000))),
            treasure,
            description,
            area,
            pick(dice, hostile),
            dice.chance(20) ? QStringLiteral("Yes") : QStringLiteral("No"),
            pick(dice, pictures),
            grouped(quint32(dice.range(3, 50000))),
            pick(dice, sizes),
            QString::number(dice.range(0, 90)),
            QString::number(dice.range(0, 90)),
        };
        out.append(windows1252::encode(fields.join(u'|')));
        out.append("\r\n");
    }
    out.append("\r\n");
    writeFile(outPath, out);
    std::printf("%s: %d records, %lld bytes\n", qPrintable(QDir::toNativeSeparators(outPath)),
                count, static_cast<long long>(out.size()));
    return 0;
}
