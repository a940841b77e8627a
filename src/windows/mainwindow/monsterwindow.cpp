#include "monsterwindow.h"

#include "clicklabel.h"
#include "clipboard.h"
#include "fonts.h"
#include "linebreaks.h"
#include "placement.h"
#include "settingsstore.h"
#include "switches.h"
#include "twips.h"
#include "wholefile.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimer1IntervalMs = 5000;
// The inner area and the smallest outer size of the window.
constexpr int kInnerWidth = 6615;
constexpr int kInnerHeight = 7455;
constexpr int kMinOuterWidth = 6705;
constexpr int kMinOuterHeight = 8235;
constexpr qint64 kMaxPictureBytes = 16 * 1024 * 1024;

// One row of the record: its caption label and value label (names and places in twips,
// inside the frame) and how its value is copied: every value and caption copies on a
// double click, the hit points on a single click as well.
struct FieldRow
{
    MonsterRecord::Field field;
    const char *captionName;
    const char *caption;
    QRect captionRect;
    const char *valueName;
    QRect valueRect;
    bool copyOnClick = false;
};

const FieldRow kFieldRows[] = {
    {MonsterRecord::Name, "namelabel", "Name:", twips::rect(120, 240, 615, 255), "namea",
     twips::rect(720, 240, 2295, 255)},
    {MonsterRecord::Hp, "hplabel", "HP:", twips::rect(120, 480, 375, 255), "hp",
     twips::rect(480, 480, 2535, 255), true},
    {MonsterRecord::Level, "levellabel", "Suggested Level:", twips::rect(120, 720, 1575, 255),
     "level", twips::rect(1680, 720, 1335, 255)},
    {MonsterRecord::Size, "lblsize", "Monster Size:", twips::rect(120, 960, 1215, 255), "size",
     twips::rect(1320, 960, 1695, 255)},
    {MonsterRecord::Experience, "explabel", "Experience:", twips::rect(120, 1200, 1095, 255),
     "experience", twips::rect(1200, 1215, 2895, 240)},
    {MonsterRecord::JobExp, "lbljobexp", "Job Experience:", twips::rect(120, 1440, 1455, 255),
     "jobexp", twips::rect(1560, 1440, 2535, 255)},
    {MonsterRecord::Defense, "lbldef", "Weapon Defense:", twips::rect(120, 1680, 1575, 255),
     "defense", twips::rect(1680, 1680, 2415, 255)},
    {MonsterRecord::MDefense, "lblmdef", "Mage Defense:", twips::rect(120, 1920, 1335, 255),
     "mdefense", twips::rect(1440, 1920, 2655, 255)},
    {MonsterRecord::Attack, "attacklabel", "Hostile:", twips::rect(120, 2160, 735, 255), "attack",
     twips::rect(960, 2160, 3135, 240)},
    {MonsterRecord::Undead, "undeadlabel", "Undead:", twips::rect(120, 2400, 855, 255), "undead",
     twips::rect(960, 2400, 3135, 255)},
    {MonsterRecord::Treasure, "treasurelabel", "Treasure:", twips::rect(120, 2640, 855, 1095),
     "treasure", twips::rect(960, 2640, 3135, 1095)},
    {MonsterRecord::Area, "arealabel", "Areas Found:", twips::rect(120, 3720, 1215, 615), "area",
     twips::rect(1320, 3720, 2775, 855)},
    {MonsterRecord::Description, "descriptionlabel", "Description/Information:",
     twips::rect(120, 4560, 3855, 255), "description", twips::rect(120, 4800, 3975, 1695)},
};

bool savePositionIsOn(SettingsStore &store)
{
    return switchIsOn(store.get(settingkeys::kSettings, settingkeys::kSavePosition));
}

} // namespace

MonsterWindow::MonsterWindow(SettingsStore &store, const DataFolder &folder, MonsterTable table,
                             QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
    , m_folder(folder)
    , m_table(std::move(table))
    , m_notes(store)
{
    setObjectName(u"monster"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"Norvalen English Beta Monster Database Beta"_s);
    setFont(platform::dialogFont());

    buildLayout();
    buildMenus();

    // Selection, not the current row: the list makes its first row current when it takes
    // the focus, and that must not show a monster.
    connect(monstername, &QListWidget::itemSelectionChanged, this,
            &MonsterWindow::monstername_Click);
    connect(notes, &QPlainTextEdit::textChanged, this, &MonsterWindow::notes_Change);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(kTimer1IntervalMs);
    connect(Timer1, &QTimer::timeout, this, &MonsterWindow::Timer1_Timer);

    adjustSize();
    restorePosition();
    monstername->addItems(m_table.listTexts());
    Timer1->start();
}

MonsterWindow::~MonsterWindow() = default;

void MonsterWindow::buildLayout()
{
    using twips::rect;
    auto *inner = new QWidget(this);
    inner->setMinimumSize(twips::toPixels(kInnerWidth), twips::toPixels(kInnerHeight));
    setCentralWidget(inner);

    auto place = [](QWidget *widget, const char *name, QRect geometry) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
    };
    // Screen readers call a field by its caption, without the colon.
    auto nameAfter = [](QWidget *field, const QLabel *caption) {
        field->setAccessibleName(caption->text().remove(u':'));
    };

    monlabel = new QLabel(u"Select a Monster"_s, inner);
    place(monlabel, "monlabel", rect(120, 120, 1935, 255));
    monlabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    monlabel->setFont(
        platform::layoutFont(u"Palatino Linotype"_s, 9.75, platform::Bold | platform::Italic));

    monstername = new QListWidget(inner);
    place(monstername, "monstername", rect(120, 480, 1935, 4155));
    monstername->setUniformItemSizes(true);
    monlabel->setBuddy(monstername);
    nameAfter(monstername, monlabel);

    noteslbl = new QLabel(u"Notes on Monster:"_s, inner);
    place(noteslbl, "noteslbl", rect(120, 4800, 1935, 255));
    noteslbl->setFont(platform::dialogFont(platform::Bold));

    notes = new QPlainTextEdit(inner);
    place(notes, "notes", rect(120, 5040, 1935, 2295));
    notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->setTabChangesFocus(true);
    // A note needs a monster to belong to.
    notes->setReadOnly(true);
    noteslbl->setBuddy(notes);
    nameAfter(notes, noteslbl);

    monsterframe = new QGroupBox(inner);
    place(monsterframe, "monsterframe", rect(2280, 120, 4215, 6615));

    hint1 = new QLabel(u"(HINT: To copy information to clipboard, double-click on the "
                       "information or its label.)"_s,
                       inner);
    place(hint1, "hint1", rect(2400, 6840, 3975, 495));
    hint1->setWordWrap(true);
    hint1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    storeproblem = new QLabel(inner);
    place(storeproblem, "storeproblem", rect(2400, 6840, 3975, 495));
    storeproblem->setWordWrap(true);
    storeproblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    storeproblem->setTextFormat(Qt::PlainText);
    storeproblem->setStyleSheet(u"color: #a00000"_s);
    storeproblem->hide();

    const QFont captionFont = platform::dialogFont(platform::Bold);
    for (const FieldRow &row : kFieldRows) {
        auto *caption = new platform::ClickLabel(QString::fromLatin1(row.caption), monsterframe);
        place(caption, row.captionName, row.captionRect);
        caption->setFont(captionFont);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        auto *value = new platform::ClickLabel(monsterframe);
        place(value, row.valueName, row.valueRect);
        value->setTextFormat(Qt::PlainText); // data text is never markup
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        nameAfter(value, caption);

        const MonsterRecord::Field field = row.field;
        for (platform::ClickLabel *label : {caption, value})
            connect(label, &platform::ClickLabel::doubleClicked, this,
                    [this, field] { CopyValue(field); });
        if (row.copyOnClick)
            connect(value, &platform::ClickLabel::clicked, this,
                    [this, field] { CopyValue(field); });
        m_captions[field] = caption;
        m_values[field] = value;
    }

    display = new QLabel(monsterframe);
    place(display, "display", rect(3075, 120, 1095, 1095));
    display->setScaledContents(true);
    display->setAccessibleName(u"Monster Picture"_s);

    setTabOrder(monstername, notes);
}

void MonsterWindow::buildMenus()
{
    auto action = [this](const QString &caption, const char *name, QKeySequence shortcut = {}) {
        auto *item = new QAction(caption, this);
        item->setObjectName(QString::fromLatin1(name));
        item->setShortcut(shortcut);
        return item;
    };

    mnuControls = menuBar()->addMenu(u"&Controls"_s);
    mnuControls->setObjectName(u"mnuControls"_s);
    mnuSearch = action(u"&Search..."_s, "mnuSearch", QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuOptions = action(u"&Options..."_s, "mnuOptions", QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuUpdate =
        action(u"Check for &Updates Now"_s, "mnuUpdate", QKeySequence(Qt::CTRL | Qt::Key_U));
    mnuReport = action(u"&Feedback Form..."_s, "mnuReport", QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuControls->addActions({mnuSearch, mnuOptions, mnuUpdate, mnuReport});

    about = action(u"&About..."_s, "about");
    mnuExit = action(u"&Exit"_s, "mnuExit");
    menuBar()->addAction(about);
    menuBar()->addAction(mnuExit);

    // There is no search window.
    mnuSearch->setEnabled(false);

    connect(mnuOptions, &QAction::triggered, this, &MonsterWindow::optionsRequested);
    connect(mnuReport, &QAction::triggered, this, &MonsterWindow::feedbackRequested);
    connect(about, &QAction::triggered, this, &MonsterWindow::aboutRequested);
    connect(mnuUpdate, &QAction::triggered, this, &MonsterWindow::updateCheckRequested);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
}

void MonsterWindow::setCheckRunning(bool running)
{
    mnuUpdate->setEnabled(!running);
}

void MonsterWindow::setStoreProblem(const QString &problem)
{
    storeproblem->setText(u"Notes and settings are kept but not saved yet: "_s + problem);
    storeproblem->setToolTip(problem);
    storeproblem->setAccessibleName(storeproblem->text());
    storeproblem->setVisible(!problem.isEmpty());
    hint1->setVisible(problem.isEmpty());
}

void MonsterWindow::restorePosition()
{
    using namespace settingkeys;
    const QString top = m_store.get(kPlacement, kMainTop);
    if (top.isEmpty())
        return;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const std::optional<QPoint> position = placement::restoredPosition(
        top, m_store.get(kPlacement, kMainLeft), pos(), frameGeometry().size(), screens);
    if (position)
        move(*position);
}

void MonsterWindow::closeEvent(QCloseEvent *event)
{
    // While the About window or the feedback form is open this window takes no input,
    // its close box included.
    if (!isEnabled() && event->spontaneous()) {
        event->ignore();
        return;
    }
    Form_Unload();
    QMainWindow::closeEvent(event);
    emit closing();
}

void MonsterWindow::Form_Unload()
{
    // Keep the last moves too, not only those up to the last timer tick.
    if (savePositionIsOn(m_store))
        SavePosition();
}

void MonsterWindow::focusInEvent(QFocusEvent *event)
{
    QMainWindow::focusInEvent(event);
    Form_GotFocus();
}

void MonsterWindow::Form_GotFocus()
{
    SavePosition();
}

void MonsterWindow::Timer1_Timer()
{
    fillDefaultSwitches(m_store);
    if (savePositionIsOn(m_store))
        SavePosition();
}

void MonsterWindow::SavePosition()
{
    // A minimized window may report a position off every screen.
    if (isMinimized())
        return;
    m_store.save(settingkeys::kPlacement, settingkeys::kMainTop, placement::edgeText(pos().y()));
    m_store.save(settingkeys::kPlacement, settingkeys::kMainLeft, placement::edgeText(pos().x()));
}

void MonsterWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    ApplyMinimumSize();
}

void MonsterWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // The frame's size is known only once the window manager has framed the window.
    ApplyMinimumSize();
}

void MonsterWindow::ApplyMinimumSize()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize outerMinimum(twips::toPixels(kMinOuterWidth), twips::toPixels(kMinOuterHeight));
    const QSize minimum = (outerMinimum - frame).expandedTo(minimumSizeHint());
    if (minimum != minimumSize())
        setMinimumSize(minimum);
}

void MonsterWindow::monstername_Click()
{
    ShowSelectedMonster();
}

void MonsterWindow::ShowSelectedMonster()
{
    const QList<QListWidgetItem *> selected = monstername->selectedItems();
    const QListWidgetItem *item = selected.isEmpty() ? nullptr : selected.first();
    const QString listText = item ? item->text() : QString();
    monsterframe->setTitle(QString(listText).replace(QChar(u'&'), u"&&"_s));

    // With nothing selected the last monster shown stays on screen.
    const int row = item ? monstername->row(item) : -1;
    if (row >= 0 && row < m_table.size()) {
        m_view = viewOf(m_table.row(row), m_folder);
        for (const FieldRow &fieldRow : kFieldRows) {
            platform::ClickLabel *label = m_values[fieldRow.field];
            label->setText(linebreaks::toLf(m_view.text[fieldRow.field]));
            // Its name is the caption's, so the value reaches screen readers this way.
            label->setAccessibleDescription(label->text());
        }
        // A missing or unreadable picture shows none, and so does anything that is not a
        // picture file of a picture's size.
        QPixmap picture;
        if (const auto bytes = wholefile::read(m_view.picturePath, kMaxPictureBytes))
            picture.loadFromData(*bytes);
        display->setPixmap(picture);
    }
    LoadNote();
}

void MonsterWindow::LoadNote()
{
    const QString &key = m_view.noteKey();
    m_loadingNote = true;
    notes->setPlainText(m_notes.load(key));
    m_loadingNote = false;
    notes->setReadOnly(key.isEmpty());
}

void MonsterWindow::notes_Change()
{
    // Putting a stored note into the box stores nothing new.
    if (m_loadingNote)
        return;
    m_notes.save(m_view.noteKey(), notes->toPlainText());
}

void MonsterWindow::CopyValue(MonsterRecord::Field field)
{
    platform::copyText(m_view.text[field]);
}
