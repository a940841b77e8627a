#include "placement.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPlacement : public QObject
{
    Q_OBJECT
private slots:
    void edgesRoundTrip()
    {
        QCOMPARE(placement::edgePixels(placement::edgeText(-8)), -8);
        QCOMPARE(placement::edgePixels(u"1447.5"_s), 97);
        for (const QString &text : {u"abc"_s, u"1e30"_s, u"nan"_s})
            QCOMPARE(placement::edgePixels(text), std::nullopt);
    }

    void restoredPosition_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("left");
        QTest::addColumn<std::optional<QPoint>>("expected");
        const auto at = [](int x, int y) { return std::optional(QPoint(x, y)); };
        const std::optional<QPoint> none;
        QTest::newRow("stored") << u"1500"_s << u"3000"_s << at(200, 100);
        QTest::newRow("only left stored") << QString() << u"3000"_s << none;
        QTest::newRow("left empty keeps left edge") << u"1500"_s << QString() << at(33, 100);
        QTest::newRow("top not a number") << u"high"_s << u"3000"_s << none;
        QTest::newRow("left not a number") << u"1500"_s << u"x"_s << none;
        QTest::newRow("below every screen") << u"150000"_s << u"3000"_s << none;
        QTest::newRow("left of every screen") << u"1500"_s << u"-15000"_s << none;
        QTest::newRow("partly off but grabbable") << u"1500"_s << u"-4500"_s << at(-300, 100);
        QTest::newRow("on the second screen") << u"1500"_s << u"18000"_s << at(1200, 100);
        QTest::newRow("in the gap below the small screen") << u"12000"_s << u"18000"_s << none;
    }
    void restoredPosition()
    {
        QFETCH(QString, top);
        QFETCH(QString, left);
        QFETCH(std::optional<QPoint>, expected);
        // Two screens side by side, the second smaller.
        const QList<QRect> screens{{0, 0, 1024, 768}, {1024, 0, 800, 600}};
        QCOMPARE(placement::restoredPosition(top, left, {33, 44}, {447, 549}, screens), expected);
    }
};

QTEST_APPLESS_MAIN(TestPlacement)
#include "tst_placement.moc"
