#include "windows1252.h"

#include <QTest>

class TestWindows1252 : public QObject
{
    Q_OBJECT
private slots:
    void decodesWhereLatin1Differs_data();
    void decodesWhereLatin1Differs();
    void everyByteMapsToOneCharacterAndBack();
};

void TestWindows1252::decodesWhereLatin1Differs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("Bat|10") << QStringLiteral("Bat|10");
    QTest::newRow("right single quote") << QByteArray("Ogre\x92s") << QStringLiteral("Ogre’s");
    QTest::newRow("euro, ellipsis, dashes")
        << QByteArray("\x80\x85\x96\x97") << QStringLiteral("€…–—");
    QTest::newRow("substitutes") << QByteArray("\xA1\xBF") << QStringLiteral("¡¿");
    QTest::newRow("latin-1 range") << QByteArray("\xE9\xFC\xFF") << QStringLiteral("éüÿ");
    QTest::newRow("undefined byte keeps its value")
        << QByteArray("\x81\x9D") << QString(QChar(0x81)) + QChar(0x9D);
}

void TestWindows1252::decodesWhereLatin1Differs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(windows1252::decode(bytes), text);
    QCOMPARE(windows1252::encode(text), bytes);
}

void TestWindows1252::everyByteMapsToOneCharacterAndBack()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QSet<char16_t> distinct;
    for (const QChar ch : text)
        distinct.insert(ch.unicode());
    QCOMPARE(distinct.size(), 256);
    QCOMPARE(windows1252::encode(text), all);
    QCOMPARE(windows1252::encode(u"漢"), QByteArray("?"));
}

QTEST_APPLESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
