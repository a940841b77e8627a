#include <QTest>

class TestAccessibility : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
