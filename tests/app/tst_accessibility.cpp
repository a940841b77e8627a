// Every window as it opens: names for screen readers, use by keyboard alone, captions that
// fit their boxes in the fonts of this machine, and texts that read in the desktop's palette.
#include "aboutwindow.h"
#include "colours.h"
#include "downloaderwindow.h"
#include "feedbackwindow.h"
#include "mainwindow.h"
#include "optionswindow.h"
#include "program.h"
#include "searchwindow.h"
#include "splashwindow.h"
#include "windowtest.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString accessible(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

// The box a widget draws its caption in, with the caption and the flags it is laid out
// with; an empty caption when the widget has none.
struct Caption
{
    QString text;
    QRect box;
    int flags = 0;
};

Caption captionOf(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        const int m = label->margin();
        // A label with a buddy shows its "&" as an underline.
        const QString text = label->buddy() ? QString(label->text()).remove(u'&') : label->text();
        return {text, label->contentsRect().adjusted(m, m, -m, -m),
                label->wordWrap() ? int(Qt::TextWordWrap) : 0};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const auto contents = qobject_cast<QCheckBox *>(button) ? QStyle::SE_CheckBoxContents
                                                                : QStyle::SE_PushButtonContents;
        return {option.text.remove(u'&'),
                button->style()->subElementRect(contents, &option, button)};
    }
    if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        // The style sizes the title to its text; the box's own edges clip it.
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = group->alignment();
        const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, group);
        return {option.text, group->rect().contains(title) ? title : QRect()};
    }
    return {};
}

} // namespace

class TestAccessibility : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init()
    {
        freshFolder();
        m_program = std::make_unique<Program>(
            Program::Setup{m_store.get(), m_folder, Endpoints::defaults(), {}, {}});
    }
    void cleanup()
    {
        closeAllWindows();
        m_program.reset();
    }

    void everyControlHasAName_data() { everyWindow(); }
    void everyControlHasAName();
    void captionsFitTheirBoxes_data() { everyWindow(); }
    void captionsFitTheirBoxes();
    void tabFollowsTheLayout_data();
    void tabFollowsTheLayout();
    void keysWorkTheDialogs_data();
    void keysWorkTheDialogs();
    void textReadsOnItsBackground_data() { everyWindow(); }
    void textReadsOnItsBackground();

private:
    static void everyWindow()
    {
        QTest::addColumn<QString>("window");
        for (const char *name : {"monster", "frmSplash", "frmUpdate", "frmOptions", "frmReport",
                                 "frmAbout", "frmSearch"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    // Opens a window as the program does, with nothing sent to any server.
    QWidget *open(const QString &name)
    {
        m_store->save(u"settings"_s, u"progupdates"_s, u"0"_s);
        m_store->save(u"settings"_s, u"dbupdates"_s, u"0"_s);
        QWidget *window = nullptr;
        if (name == u"frmSplash") {
            m_program->start();
            window = m_program->splashWindow();
        } else if (name == u"frmUpdate") {
            m_program->openDownloader();
            window = m_program->downloaderWindow();
            child<QTimer>(window, "Timer1")->stop();
            child(window, "finished")->show(); // as it is when the files are in
        } else {
            m_program->openMainWindow();
            window = m_program->mainWindow();
            if (name == u"frmOptions") {
                m_program->openOptions();
                window = m_program->optionsWindow();
            } else if (name == u"frmReport") {
                m_program->openFeedback();
                window = m_program->feedbackWindow();
            } else if (name == u"frmAbout") {
                m_program->openAbout();
                window = m_program->aboutWindow();
            } else if (name == u"frmSearch") {
                m_program->openSearch();
                window = m_program->searchWindow();
            }
        }
        if (!window || !QTest::qWaitForWindowActive(window))
            qFatal("%s did not open", qPrintable(name));
        return window;
    }

    std::unique_ptr<Program> m_program;
};

void TestAccessibility::everyControlHasAName()
{
    QFETCH(QString, window);
    QWidget *top = open(window);
    QVERIFY(!accessible(top).isEmpty());
    for (QWidget *widget : top->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(widget);
        const bool shows =
            label ? !label->text().isEmpty() || !label->pixmap().isNull()
                  : qobject_cast<QAbstractButton *>(widget) || qobject_cast<QProgressBar *>(widget);
        if (widget->isVisible() && (shows || widget->focusPolicy() & Qt::TabFocus))
            QVERIFY2(!accessible(widget).isEmpty(), qPrintable(widget->objectName()));
    }
}

void TestAccessibility::captionsFitTheirBoxes()
{
    QFETCH(QString, window);
    // As a window opens its labels show only the captions the program gives them, no data.
    QWidget *top = open(window);
    QStringList cut;
    for (QWidget *widget : top->findChildren<QWidget *>()) {
        const Caption caption = captionOf(widget);
        if (!widget->isVisible() || caption.text.isEmpty())
            continue;
        const QSize need =
            QFontMetrics(widget->font())
                .boundingRect(QRect(0, 0, caption.box.width(), 100000), caption.flags, caption.text)
                .size();
        // A line must fit across; wrapped lines must fit down too.
        const bool fits =
            need.width() <= caption.box.width() &&
            (!(caption.flags & Qt::TextWordWrap) || need.height() <= caption.box.height());
        if (!fits)
            cut.append(caption.text);
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_s)));
}

void TestAccessibility::tabFollowsTheLayout_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    // clang-format off
    QTest::newRow("main") << u"monster"_s << u"monstername notes namea hp level size experience "
        "jobexp defense mdefense attack undead treasure area description monsterfilter"_s.split(u' ');
    QTest::newRow("options") << u"frmOptions"_s
        << u"progupdates dbupdates saveposition done cancel searcha unavailable"_s.split(u' ');
    QTest::newRow("feedback") << u"frmReport"_s << u"aname email feedback sendform cancel"_s.split(u' ');
    QTest::newRow("search") << u"frmSearch"_s << u"searchtext inname intreasure inarea "
        "indescription innotes hasnote hpfrom hpto jobexpfrom jobexpto levelfrom levelto defensefrom defenseto "
        "experiencefrom experienceto mdefensefrom mdefenseto hostile undead size search close "
        "saveresults copyresults sortby results"_s.split(u' ');
    // clang-format on
}

void TestAccessibility::tabFollowsTheLayout()
{
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    open(window);
    // Focus starts on the first control and comes round to it again; Shift+Tab goes back.
    for (const QString &name : order) {
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), order.last());
}

void TestAccessibility::keysWorkTheDialogs_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("options: Esc") << u"frmOptions"_s << u"dbupdates"_s << Qt::Key_Escape;
    QTest::newRow("feedback: Esc in the text") << u"frmReport"_s << u"feedback"_s << Qt::Key_Escape;
    QTest::newRow("feedback: Enter on Cancel") << u"frmReport"_s << u"cancel"_s << Qt::Key_Enter;
    QTest::newRow("about: Esc") << u"frmAbout"_s << u"cmdOK"_s << Qt::Key_Escape;
}

void TestAccessibility::keysWorkTheDialogs()
{
    QFETCH(QString, window);
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    const QPointer<QWidget> top = open(window);
    QWidget *target = top->findChild<QWidget *>(focus);
    target->setFocus();
    QTest::keyClick(target, key);
    QTRY_VERIFY(!top);
}

// Every label's text, links and the warning of a store that cannot save included, stands at
// 4.5:1 or more against its background as the X server shows it, in the palette the GTK
// theme hands over: run light and dark on an X server of their own (tst_accessibility_light,
// _dark).
void TestAccessibility::textReadsOnItsBackground()
{
    QFETCH(QString, window);
    QCOMPARE(platform::isDark(QApplication::palette()), qgetenv("GTK_THEME").endsWith(":dark"));
    QWidget *top = open(window);
    if (window == u"monster"_s) {
        m_program->mainWindow()->showRow(0);
        m_program->mainWindow()->setStoreProblem(u"the disk is full"_s);
    }
    if (auto *timer = top->findChild<QTimer *>(u"Timer1"_s))
        timer->stop(); // the splash stays
    // In a label's box the commonest colour is the background and the text is the colour
    // that stands out most from it, a few stray pixels aside (fonts are drawn without
    // antialiasing here, so a text pixel has the text's own colour).
    const auto unreadable = [top] {
        const QImage image = top->screen()->grabWindow(top->winId()).toImage();
        QStringList low;
        for (const QLabel *label : top->findChildren<QLabel *>()) {
            QHash<QRgb, int> counts;
            QRgb back = 0;
            const QRect box = QRect(label->mapTo(top, QPoint()), label->size()) & image.rect();
            for (int i = 0; i < box.width() * box.height(); ++i) {
                const QRgb pixel =
                    image.pixel(box.x() + i % box.width(), box.y() + i / box.width());
                back = ++counts[pixel] > counts.value(back) ? pixel : back;
            }
            double text = 0;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                text = std::max(text, *it < 8 ? 0 : platform::contrast(it.key(), back));
            if (label->isVisible() && !label->text().isEmpty() && text < 4.5)
                low.append(label->objectName() + u' ' + QString::number(text));
        }
        return low;
    };
    QTRY_COMPARE(unreadable().join(u", "_s), QString());
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
