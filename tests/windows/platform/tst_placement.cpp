#include "placement.h"

#include <QTest>

using namespace Qt::StringLiterals;
using placement::Screen;

namespace {

// Two screens side by side, the second smaller; a small one; 1600 by 1000 at scale 2.
const QList<Screen> kTwo{{{0, 0, 1024, 768}, {0, 0, 1024, 768}},
                         {{1024, 0, 800, 600}, {1024, 0, 800, 600}}};
const QList<Screen> kSmall{{{0, 0, 1024, 600}, {0, 0, 1024, 600}}};
const QList<Screen> kScale2{{{0, 0, 800, 500}, {0, 0, 800, 500}, 2}};
const QList<Screen> kWide{{{0, 0, 1600, 1000}, {0, 0, 1600, 1000}}};

} // namespace

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

    void restoredFrame_data()
    {
        QTest::addColumn<QStringList>("stored"); // top, left, width, height
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<std::optional<QRect>>("expected");
        const auto row = [](const char *name, const char *stored, const QList<Screen> &screens,
                            std::optional<QRect> expected) {
            QTest::newRow(name) << QString::fromLatin1(stored).split(u',') << screens << expected;
        };
        const auto at = [](int x, int y) { return std::optional(QRect(x, y, 449, 570)); };
        row("stored", "1500,3000", kTwo, at(200, 100));
        row("only left stored", ",3000", kTwo, std::nullopt);
        row("left empty keeps left edge", "1500,", kTwo, at(33, 100));
        row("left not a number", "1500,x", kTwo, std::nullopt);
        row("below every screen", "150000,3000", kTwo, at(200, 198));
        row("partly off the left", "1500,-4500", kTwo, at(0, 100));
        row("on the second screen", "1500,18000", kTwo, at(1200, 30));
        row("in the gap below the small screen", "12000,18000", kTwo, at(575, 198));
        row("saved on a larger screen", "2550,9000", kSmall, at(575, 30));
        row("size kept", "1500,3000,9000,7500", kTwo, QRect(200, 100, 602, 521));
        row("size beyond the screen", "0,0,30000,30000", kTwo, QRect(0, 0, 1024, 768));
        row("scale 2: same spot, smaller", "2550,9000", kScale2, QRect(300, 0, 449, 500));
        row("scale 2: size in device pixels", "1500,3000,9000,7500", kScale2,
            QRect(100, 50, 302, 271));
    }
    void restoredFrame()
    {
        QFETCH(QStringList, stored);
        QFETCH(QList<Screen>, screens);
        QFETCH(std::optional<QRect>, expected);
        stored.resize(4);
        QCOMPARE(placement::restoredFrame({stored[0], stored[1], stored[2], stored[3]},
                                          QRect(33, 44, 449, 570), QMargins(1, 20, 1, 1), screens),
                 expected);
    }

    void beside_data()
    {
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<QRect>("main");
        QTest::addColumn<std::optional<QPoint>>("last");
        QTest::addColumn<QRect>("expected");
        const auto row = [](const char *name, const QList<Screen> &screens, QRect main,
                            std::optional<QPoint> last, QRect expected) {
            QTest::newRow(name) << screens << main << last << expected;
        };
        const QRect main(100, 100, 450, 570);
        row("right of it", kWide, main, {}, {550, 100, 640, 480});
        row("left, no room on the right", kWide, main.translated(800, 0), {}, {260, 100, 640, 480});
        row("where put, clear of the record", kWide, main, QPoint(560, 400), {560, 400, 640, 480});
        row("where put, over the record", kWide, main, QPoint(300, 200), {550, 100, 640, 480});
        row("where put, off the screen", kWide, main, QPoint(1500, 100), {550, 100, 640, 480});
        row("narrower, not room for it whole", kSmall, {575, 28, 449, 570}, {}, {0, 28, 575, 480});
        row("no room: smaller, clear of it", kSmall, {400, 0, 450, 570}, {}, {0, 120, 420, 480});
        row("no room: least over the record", kSmall, {0, 0, 700, 570}, {}, {604, 300, 420, 300});
    }
    void beside()
    {
        QFETCH(QList<Screen>, screens);
        QFETCH(QRect, main);
        QFETCH(std::optional<QPoint>, last);
        QFETCH(QRect, expected);
        // The record takes the main window's right part, as in the main window.
        const QRect record = main.adjusted(160, 28, -9, -101);
        QCOMPARE(placement::beside({640, 480}, {420, 300}, main, record, last, screens), expected);
    }
};

QTEST_APPLESS_MAIN(TestPlacement)
#include "tst_placement.moc"
