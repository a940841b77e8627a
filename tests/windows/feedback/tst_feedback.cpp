#include "feedbackrequest.h"
#include "monsterwindow.h"
#include "reportwindow.h"
#include "testserver.h"
#include "windowtest.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using platform::messagetesting::takeShown;

class TestFeedback : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init();
    void cleanup() { closeAllWindows(); }
    void scriptReceivesExactlyWhatWasTyped_data();
    void scriptReceivesExactlyWhatWasTyped();
    void receivedFeedbackClosesTheForm();
    void failuresKeepTheFormAndItsTexts_data();
    void failuresKeepTheFormAndItsTexts();
    void closingDuringTheWaitDropsTheRequest();

private:
    ReportWindow *open();
    template <typename T> T *field(const char *name)
    {
        return child<T>(ReportWindow::instance(), name);
    }
    void send(const QString &message, const QString &name, const QString &address);

    std::unique_ptr<TestServer> m_server;
};

void TestFeedback::init()
{
    freshContext();
    m_server = std::make_unique<TestServer>();
    m_context.endpoints.feedbackUrl = m_server->urlText(u"/send1.php"_s);
    m_context.checkTimeout = std::chrono::milliseconds(3000);
    m_server->setBody(u"/send1.php"_s, "thanks");
}

ReportWindow *TestFeedback::open()
{
    child<QAction>(MonsterWindow::showWindow(m_context), "mnuReport")->trigger();
    return ReportWindow::instance();
}

void TestFeedback::send(const QString &message, const QString &name, const QString &address)
{
    field<QPlainTextEdit>("feedback")->setPlainText(message);
    field<QLineEdit>("aname")->setText(name);
    field<QLineEdit>("email")->setText(address);
    QTest::mouseClick(field<QPushButton>("sendform"), Qt::LeftButton);
}

void TestFeedback::scriptReceivesExactlyWhatWasTyped_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sentMessage"); // what the script reads after decoding
    QTest::newRow("two lines") << u"a\nb"_s << u"Ann"_s << u"a¿b"_s;
    QTest::newRow("query characters")
        << u"x=1&y=2 #3 50% +"_s << u"Tom & Jerry=friends"_s << u"x=1&y=2 #3 50% +"_s;
    QTest::newRow("non-ASCII") << u"Ogre’s cave — é"_s << u"Zoë"_s << u"Ogre’s cave — é"_s;
    QTest::newRow("empty fields") << QString() << QString() << QString();
    // A noncharacter is sent as its UTF-8 bytes like any other (found by fuzzing, where a
    // decoder had turned it into U+FFFD).
    QTest::newRow("noncharacter") << u"a\uFFFFb"_s << u"\uFDD0"_s << u"a\uFFFFb"_s;
}

void TestFeedback::scriptReceivesExactlyWhatWasTyped()
{
    QFETCH(QString, message);
    QFETCH(QString, name);
    QFETCH(QString, sentMessage);
    open();
    send(message, name, u"a+b@x.example"_s);
    QTRY_VERIFY(!ReportWindow::instance());

    const QByteArray target = m_server->requestTargets().value(0);
    QVERIFY(target.startsWith("/send1.php?message="));
    // The bytes the script reads, key by key.
    QList<QByteArray> items;
    for (const QByteArray &item : target.mid(target.indexOf('?') + 1).split('&'))
        items += item.split('=').value(0) + '=' +
                 QByteArray::fromPercentEncoding(item.mid(item.indexOf('=') + 1));
    QCOMPARE(items.size(), 3); // nothing typed can add or cut keys
    QCOMPARE(items[0], "message=" + sentMessage.toUtf8());
    QCOMPARE(items[1], "name=" + name.toUtf8());
    QCOMPARE(items[2], QByteArray("email=a+b@x.example"));
    takeShown();
}

void TestFeedback::receivedFeedbackClosesTheForm()
{
    m_store->save(u"feedback"_s, u"sendername"_s, u"Old Name"_s);
    open();
    MonsterWindow *main = MonsterWindow::instance();
    QVERIFY(!main->isEnabled());
    QCOMPARE(field<QLineEdit>("aname")->text(), u"Old Name"_s);
    send(u"Bats drop cards"_s, u"Ann"_s, u"ann@x.example"_s);
    QTRY_VERIFY(!ReportWindow::instance());
    QCOMPARE(takeShown().value(0).title, u"Feedback Received"_s);
    QVERIFY(main->isEnabled());

    // The next form offers the name and address last sent, and no message.
    open();
    QCOMPARE(field<QLineEdit>("aname")->text(), u"Ann"_s);
    QCOMPARE(field<QLineEdit>("email")->text(), u"ann@x.example"_s);
    QVERIFY(field<QPlainTextEdit>("feedback")->toPlainText().isEmpty());
}

void TestFeedback::failuresKeepTheFormAndItsTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("refused");
    QTest::newRow("empty body") << 200 << QByteArray() << false;
    QTest::newRow("server error page") << 500 << QByteArray("<html>oops</html>") << false;
    QTest::newRow("refused") << 200 << QByteArray() << true;
}

void TestFeedback::failuresKeepTheFormAndItsTexts()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, refused);
    TestServer::Reply reply;
    reply.status = status;
    reply.body = body;
    m_server->setReply(u"/send1.php"_s, reply);
    if (refused)
        m_context.endpoints.feedbackUrl = TestServer::refusedUrl(u"/send1.php"_s).toString();
    open();
    send(u"line one\nline two"_s, u"Ann"_s, u"ann@x.example"_s);
    QCOMPARE(takeShown().value(0).title, u"Feedback Error"_s);
    QVERIFY(ReportWindow::instance());
    QCOMPARE(field<QLabel>("Label99")->text(), u"Error"_s);
    QVERIFY(field<QPushButton>("sendform")->isEnabled());
    QCOMPARE(field<QPlainTextEdit>("feedback")->toPlainText(), u"line one\nline two"_s);
    QCOMPARE(m_store->get(u"feedback"_s, u"sendername"_s), u"Ann"_s);
}

void TestFeedback::closingDuringTheWaitDropsTheRequest()
{
    TestServer::Reply slow;
    slow.body = "thanks";
    slow.delayMs = 5000;
    m_server->setReply(u"/send1.php"_s, slow);
    ReportWindow *form = open();
    QTimer::singleShot(50, form, [form] { form->close(); });
    QElapsedTimer elapsed;
    elapsed.start();
    send(u"hello"_s, u"Ann"_s, QString());
    QVERIFY(elapsed.elapsed() < 3000);
    QTRY_VERIFY(!ReportWindow::instance());
    QVERIFY(MonsterWindow::instance()->isEnabled());
    QCOMPARE(takeShown().size(), 0);
}

QTEST_MAIN(TestFeedback)
#include "tst_feedback.moc"
