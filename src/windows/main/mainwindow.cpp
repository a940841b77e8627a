#include "mainwindow.h"

#include "appinfo.h"
#include "clicklabel.h"
#include "clipboard.h"
#include "colours.h"
#include "fonts.h"
#include "framing.h"
#include "linebreaks.h"
#include "placedlayout.h"
#include "monsterlist.h"
#include "settingsstore.h"
#include "switches.h"
#include "twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHelpEvent>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionGroupBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimer1IntervalMs = 5000;
// The inner area and the smallest outer size of the window.
constexpr int kInnerWidth = 6615;
constexpr int kInnerHeight = 7455;
constexpr int kMinOuterWidth = 6705;
constexpr int kMinOuterHeight = 8235;
constexpr int kCopyShownMs = 2500;
// A window larger than its default size gives its extra width a quarter to the list and
// the notes, the rest to the record, where the text beside the picture and the picture's
// column share it. Up to the default size it grows as it always has.
constexpr qreal kListShare = 0.25;
constexpr qreal kPictureShare = 0.5;
// The picture grows as tall as this share of the extra height (and as wide); the rows
// below it move down as far.
constexpr qreal kPictureHeightShare = 0.35;
// Lines of the description no longer than this many average characters.
constexpr int kReadableChars = 80;
// A name of more lines shows this many in all.
constexpr int kNameLines = 3;

// The frame inside the window, at the default size, and the picture in it.
constexpr QRect kFrameRect = twips::rect(2280, 120, 4215, 6615);
constexpr QRect kPictureRect = twips::rect(3075, 120, 1095, 1095);

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

// In a large window the rows beside the picture end at its column; those below it move down
// as it grows.
platform::Follows largeFollowsOf(const FieldRow &row, bool value)
{
    const bool besidePicture = row.captionRect.top() < twips::toPixels(1200);
    const qreal down = besidePicture ? 0 : kPictureHeightShare;
    const qreal right = !value ? 0 : besidePicture ? kPictureShare : 1;
    return {0, down, right, down};
}

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

const FieldRow &rowOf(MonsterRecord::Field field)
{
    for (const FieldRow &row : kFieldRows) {
        if (row.field == field)
            return row;
    }
    return kFieldRows[0];
}

bool savePositionIsOn(SettingsStore &store)
{
    return switchIsOn(store.get(settingkeys::kSettings, settingkeys::kSavePosition));
}

// List entries show their whole name as a tooltip when the list is too narrow for it.
class WholeNameDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = index.data().toString();
        if (sizeHint(option, index).width() > view->viewport()->width())
            QToolTip::showText(event->globalPos(), text, view);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

MainWindow::MainWindow(SettingsStore &store, const DataFolder &folder,
                             std::shared_ptr<const MonsterTable> table, QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
    , m_folder(folder)
    , m_table(std::move(table))
    , m_notes(store)
{
    setObjectName(u"monster"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    // The program's title with "Beta" once more, as the main window has always said.
    setWindowTitle(appinfo::title() + u" Beta"_s);
    setFont(platform::dialogFont());

    buildMenus(); // first: the menu bar's height is needed for the layout
    buildLayout();

    // Selection, not the current row: the list makes its first row current when it takes
    // the focus, and that must not show a monster.
    connect(monstername->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::monstername_Click);
    connect(notes, &QPlainTextEdit::textChanged, this, &MainWindow::notes_Change);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(kTimer1IntervalMs);
    connect(Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
    m_copyShown = new QTimer(this);
    m_copyShown->setSingleShot(true);
    m_copyShown->setInterval(kCopyShownMs);
    connect(m_copyShown, &QTimer::timeout, this, &MainWindow::showHintLine);

    // The smallest outer size, given before the window is shown: the frame is not known
    // then, so the window may grow past it by its frame, but a size hint changed while the
    // window manager frames a window moves it away from where it was put. No more than the
    // screen has room for: the rest scrolls.
    const QSize least(twips::toPixels(kMinOuterWidth), twips::toPixels(kMinOuterHeight));
    resize(least);
    restorePlace();
    setMinimumSize(least.boundedTo(platform::room(this)));
    restoreLastMonster();
    Timer1->start();
}

MainWindow::~MainWindow() = default;

QSize MainWindow::usualInnerSize() const
{
    return QSize(twips::toPixels(kMinOuterWidth),
                 twips::toPixels(kMinOuterHeight) - menuBar()->sizeHint().height());
}

void MainWindow::buildLayout()
{
    using twips::rect;
    // On a screen too small for the window its controls scroll.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"mainscroll"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->viewport()->setAutoFillBackground(false);
    setCentralWidget(scroll);
    auto *inner = new QWidget(scroll);
    inner->setObjectName(u"inner"_s);
    scroll->setWidget(inner);
    // A larger window gives its extra room to the list and the notes box (which share the
    // extra height), to the record, its picture and its description.
    const QSize base(twips::toPixels(kInnerWidth), twips::toPixels(kInnerHeight));
    auto *layout = new platform::PlacedLayout(inner, base);
    layout->setUsualSize(usualInnerSize());
    const platform::Follows upperHalf{0, 0, 0, 0.5}, largeUpperHalf{0, 0, kListShare, 0.5};
    const platform::Follows lowerHalf{0, 0.5, 0, 1}, largeLowerHalf{0, 0.5, kListShare, 1};

    // Screen readers call a field by its caption, without the colon.
    auto nameAfter = [](QWidget *field, const QLabel *caption) {
        field->setAccessibleName(caption->text().remove(u':'));
    };

    monlabel = new QLabel(u"Select a Monster"_s, inner);
    layout->place(monlabel, "monlabel", rect(120, 120, 1935, 255), {}, {0, 0, kListShare, 0});
    monlabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    monlabel->setFont(
        platform::layoutFont(u"Palatino Linotype"_s, 9.75, platform::Bold | platform::Italic));

    m_model = new MonsterListModel(m_table, this);
    monstername = new QListView(inner);
    layout->place(monstername, "monstername", rect(120, 480, 1935, 4155), upperHalf,
                  largeUpperHalf);
    monstername->setModel(m_model);
    monstername->setUniformItemSizes(true);
    monstername->setEditTriggers(QAbstractItemView::NoEditTriggers);
    monstername->setItemDelegate(new WholeNameDelegate(monstername));
    monlabel->setBuddy(monstername);
    nameAfter(monstername, monlabel);

    noteslbl = new QLabel(u"Notes on Monster:"_s, inner);
    layout->place(noteslbl, "noteslbl", rect(120, 4800, 1935, 255), {0, 0.5, 0, 0.5},
                  {0, 0.5, kListShare, 0.5});
    noteslbl->setFont(platform::dialogFont(platform::Bold));

    notes = new QPlainTextEdit(inner);
    layout->place(notes, "notes", rect(120, 5040, 1935, 2295), lowerHalf, largeLowerHalf);
    notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->setTabChangesFocus(true);
    // A note needs a monster to belong to.
    notes->setReadOnly(true);
    noteslbl->setBuddy(notes);
    nameAfter(notes, noteslbl);

    monsterframe = new QGroupBox(inner);
    layout->place(monsterframe, "monsterframe", kFrameRect, platform::Follows::growBoth(),
                  {kListShare, 0, 1, 1});
    auto *record = new platform::PlacedLayout(monsterframe, kFrameRect.size());
    record->setUsualSize(platform::PlacedLayout::placed(kFrameRect, platform::Follows::growBoth(),
                                                        usualInnerSize() - base)
                             .size());
    // The frame's caption (the name shown) takes room above the record; a name of more
    // lines, room below its row.
    QStyleOptionGroupBox titled;
    titled.initFrom(monsterframe);
    titled.text = u"Xg"_s;
    titled.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect contents = style()->subControlRect(QStyle::CC_GroupBox, &titled,
                                                   QStyle::SC_GroupBoxContents, monsterframe);
    record->reserveTop(std::max(0, contents.top() - kPictureRect.top()));
    record->setFitLimit((kNameLines - 1) * monsterframe->fontMetrics().lineSpacing());
    monsterframe->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(monsterframe, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        openContextMenu(MonsterRecord::FieldCount, monsterframe->mapToGlobal(at));
    });

    // The hint's place also tells of a copy for a moment, and of a store that cannot save.
    const auto bottomLine = [inner, layout](const char *name, const QString &text) {
        auto *line = new QLabel(text, inner);
        layout->place(line, name, twips::rect(2400, 6840, 3975, 495), {0, 1, 1, 1},
                      {kListShare, 1, 1, 1});
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return line;
    };
    hint1 = bottomLine("hint1", u"(HINT: To copy information to clipboard, double-click on the "
                                "information or its label.)"_s);
    storeproblem = bottomLine("storeproblem", {});
    storeproblem->setTextFormat(Qt::PlainText);
    platform::keepTextColour(storeproblem, QColor(0xa0, 0x00, 0x00));
    checkproblem = bottomLine("checkproblem", {});
    checkproblem->setTextFormat(Qt::PlainText);
    copystatus = bottomLine("copystatus", {});
    copystatus->setTextFormat(Qt::PlainText);
    copystatus->setAccessibleName(u"Copied"_s);
    showHintLine();

    const QFont captionFont = platform::dialogFont(platform::Bold);
    QWidget *previous = notes;
    for (const FieldRow &row : kFieldRows) {
        auto *caption = new platform::ClickLabel(QString::fromLatin1(row.caption), monsterframe);
        record->place(caption, row.captionName, row.captionRect, {}, largeFollowsOf(row, false));
        caption->setFont(captionFont);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        const bool scrolls = row.field == MonsterRecord::Description;
        auto *value = new platform::ClickLabel(scrolls ? nullptr : monsterframe);
        if (scrolls) {
            // A long description scrolls instead of being cut off mid-line.
            descriptionscroll = new QScrollArea(monsterframe);
            record->place(descriptionscroll, "descriptionscroll", row.valueRect,
                          platform::Follows::growBoth(), {0, kPictureHeightShare, 1, 1});
            descriptionscroll->setMaximumWidth(std::max(
                row.valueRect.width(), value->fontMetrics().averageCharWidth() * kReadableChars));
            descriptionscroll->setFrameShape(QFrame::NoFrame);
            descriptionscroll->setWidgetResizable(true);
            descriptionscroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            descriptionscroll->viewport()->setAutoFillBackground(false);
            descriptionscroll->setWidget(value);
            // The description itself takes the keyboard; the keys it leaves scroll.
            descriptionscroll->setFocusPolicy(Qt::NoFocus);
            value->setAutoFillBackground(false);
            value->setObjectName(QString::fromLatin1(row.valueName));
            nameAfter(descriptionscroll, caption);
        } else {
            record->place(value, row.valueName, row.valueRect, platform::Follows::growRight(),
                          largeFollowsOf(row, true),
                          row.field == MonsterRecord::Name ? platform::Fit::TextHeight
                                                           : platform::Fit::Shares);
        }
        value->setTextFormat(Qt::PlainText); // data text is never markup
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setFocusPolicy(Qt::TabFocus);
        value->setContextMenuPolicy(Qt::CustomContextMenu);
        nameAfter(value, caption);
        setTabOrder(previous, value);
        previous = value;

        const MonsterRecord::Field field = row.field;
        for (platform::ClickLabel *label : {caption, value}) {
            connect(label, &platform::ClickLabel::doubleClicked, this,
                    [this, field] { CopyValue(field); });
            label->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(label, &QWidget::customContextMenuRequested, this,
                    [this, field, label](QPoint at) {
                        openContextMenu(field, label->mapToGlobal(at));
                    });
        }
        connect(value, &platform::ClickLabel::copyRequested, this,
                [this, field] { CopyValue(field); });
        if (row.copyOnClick)
            connect(value, &platform::ClickLabel::clicked, this,
                    [this, field] { CopyValue(field); });
        m_captions[field] = caption;
        m_values[field] = value;
    }

    display = new QLabel(monsterframe);
    record->place(display, "display", kPictureRect, platform::Follows::moveRight(),
                  {kPictureShare, 0, 1, kPictureHeightShare}, platform::Fit::Square);
    display->setScaledContents(true);
    display->setAccessibleName(u"Monster Picture"_s);

    setTabOrder(monstername, notes);
}

void MainWindow::buildMenus()
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

    // Not in a menu, so that the menus stay as they are: the record's context menu and its
    // shortcut.
    copyRecord =
        action(u"Copy &Record"_s, "copyRecord", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    addAction(copyRecord);

    connect(mnuSearch, &QAction::triggered, this, &MainWindow::searchRequested);
    connect(mnuOptions, &QAction::triggered, this, &MainWindow::optionsRequested);
    connect(mnuReport, &QAction::triggered, this, &MainWindow::feedbackRequested);
    connect(about, &QAction::triggered, this, &MainWindow::aboutRequested);
    connect(mnuUpdate, &QAction::triggered, this, &MainWindow::updateCheckRequested);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(copyRecord, &QAction::triggered, this, &MainWindow::CopyRecord);
}

void MainWindow::setCheckRunning(bool running)
{
    mnuUpdate->setText(running ? u"Cancel &Update Check"_s : u"Check for &Updates Now"_s);
}

void MainWindow::setCheckProblem(const QString &problem)
{
    checkproblem->setText(problem.isEmpty()
                              ? QString()
                              : u"The last update check could not reach the server. "_s + problem);
    checkproblem->setAccessibleName(checkproblem->text());
    showHintLine();
}

void MainWindow::setStoreProblem(const QString &problem)
{
    m_storeProblem = problem;
    // The store may have become readable or writable, or stopped being so. This is told from
    // inside the store's own work, so the box follows once that is done.
    QTimer::singleShot(0, this, [this] {
        if (!m_noteShown)
            LoadNote();
        else
            notes->setReadOnly(m_view.noteKey().isEmpty() || m_store.readOnly());
    });
    storeproblem->setText((m_store.readOnly()
                               ? u"Notes cannot be changed now: "_s
                               : u"Notes and settings are kept but not saved yet: "_s) +
                          problem);
    storeproblem->setToolTip(problem);
    storeproblem->setAccessibleName(storeproblem->text());
    showHintLine();
}

void MainWindow::showHintLine()
{
    const bool copied = m_copyShown && m_copyShown->isActive();
    copystatus->setVisible(copied);
    storeproblem->setVisible(!copied && !m_storeProblem.isEmpty());
    const bool checkFailed = !copied && m_storeProblem.isEmpty() && !checkproblem->text().isEmpty();
    checkproblem->setVisible(checkFailed);
    hint1->setVisible(!copied && m_storeProblem.isEmpty() && !checkFailed);
}

void MainWindow::restorePlace()
{
    using namespace settingkeys;
    platform::restoreFrame(
        this, {m_store.get(kPlacement, kMainTop), m_store.get(kPlacement, kMainLeft),
               m_store.get(kPlacement, kMainWidth), m_store.get(kPlacement, kMainHeight)});
    if (switchIsOn(m_store.get(kPlacement, kMainMaximized)))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::restoreLastMonster()
{
    using namespace settingkeys;
    const QString name = m_store.get(kPlacement, kLastMonster);
    if (name.isEmpty())
        return;
    const qsizetype row =
        m_model->find(name, m_store.get(kPlacement, kLastOccurrence).toLongLong());
    if (row >= 0)
        showRow(row);
}

QRect MainWindow::recordArea() const
{
    return platform::onScreen(monsterframe);
}

void MainWindow::showRow(qsizetype row)
{
    const QModelIndex index = m_model->index(int(row));
    if (!index.isValid())
        return;
    monstername->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    monstername->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    monstername->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void MainWindow::closeEvent(QCloseEvent *event)
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

void MainWindow::Form_Unload()
{
    // Keep the last moves too, not only those up to the last timer tick.
    if (savePositionIsOn(m_store))
        SavePosition();
}

void MainWindow::focusInEvent(QFocusEvent *event)
{
    QMainWindow::focusInEvent(event);
    Form_GotFocus();
}

void MainWindow::Form_GotFocus()
{
    SavePosition();
}

void MainWindow::Timer1_Timer()
{
    fillDefaultSwitches(m_store);
    if (savePositionIsOn(m_store))
        SavePosition();
}

void MainWindow::SavePosition()
{
    using namespace settingkeys;
    // A minimized window may report a position off every screen.
    if (isMinimized())
        return;
    const bool maximized = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    m_store.save(kPlacement, kMainMaximized, maximized ? u"1"_s : u"0"_s);
    // Maximised, it keeps the place it goes back to.
    if (maximized)
        return;
    const placement::Stored place = platform::storedFrame(this);
    m_store.save(kPlacement, kMainTop, place.top);
    m_store.save(kPlacement, kMainLeft, place.left);
    m_store.save(kPlacement, kMainWidth, place.width);
    m_store.save(kPlacement, kMainHeight, place.height);
}

void MainWindow::monstername_Click()
{
    ShowSelectedMonster();
}

void MainWindow::ShowSelectedMonster()
{
    const QModelIndexList selected = monstername->selectionModel()->selectedIndexes();
    const QModelIndex index = selected.isEmpty() ? QModelIndex() : selected.first();
    monsterframe->setTitle(shownPart(index.data().toString()).replace(QChar(u'&'), u"&&"_s));

    // With nothing selected the last monster shown stays on screen.
    if (index.isValid()) {
        // The next start opens on it, however this run ends: its name, and which of its name.
        m_store.save(settingkeys::kPlacement, settingkeys::kLastMonster, index.data().toString());
        m_store.save(settingkeys::kPlacement, settingkeys::kLastOccurrence,
                     QString::number(occurrenceOf(index.row())));
        m_view = viewOf(m_table->row(index.row()), m_folder);
        for (const FieldRow &fieldRow : kFieldRows) {
            platform::ClickLabel *label = m_values[fieldRow.field];
            // The record view holds only the beginning of a long value; the name is whole.
            const QString &text = m_view.text[fieldRow.field];
            label->setText(linebreaks::toLf(
                fieldRow.field == MonsterRecord::Name ? shownPart(text) : text));
            // Its name is the caption's, so the value reaches screen readers this way.
            label->setAccessibleDescription(label->text());
        }
        descriptionscroll->verticalScrollBar()->setValue(0);
        // A missing or unreadable picture shows none.
        QPixmap picture;
        picture.loadFromData(readPicture(m_view));
        display->setPixmap(picture);
    }
    LoadNote();
}

qsizetype MainWindow::occurrenceOf(int row)
{
    // Counted for every row at once, the first time: each selection is kept, and counting
    // the entries before it each time took milliseconds in a large database.
    if (m_occurrences.empty()) {
        QHash<QString, qsizetype> seen;
        for (qsizetype r = 0; r < m_table->size(); ++r)
            m_occurrences.push_back(seen[m_table->row(r).listText()]++);
    }
    return m_occurrences[std::size_t(row)];
}

void MainWindow::LoadNote()
{
    const QString &key = m_view.noteKey();
    const std::optional<QString> note = m_notes.load(key);
    m_noteShown = note.has_value();
    m_loadingNote = true;
    notes->setPlainText(note.value_or(QString()));
    m_loadingNote = false;
    // A note that could not be read is never saved over: the box says so and takes nothing
    // until it can be read.
    notes->setPlaceholderText(
        m_noteShown ? QString()
                    : u"This note cannot be read now, so it cannot be changed: %1"_s.arg(
                          m_store.readFailure()));
    notes->setAccessibleDescription(notes->placeholderText());
    notes->setReadOnly(key.isEmpty() || !m_noteShown || m_store.readOnly());
}

void MainWindow::notes_Change()
{
    // Putting a stored note into the box stores nothing new; a box that could not show its
    // note stores nothing at all.
    if (m_loadingNote || !m_noteShown)
        return;
    const QString text = notes->toPlainText();
    m_notes.save(m_view.noteKey(), text);
    emit noteEdited(m_view.noteKey(), linebreaks::toCrLf(text));
}

void MainWindow::CopyValue(MonsterRecord::Field field)
{
    platform::copyText(m_view.whole(field));
    showCopied(QString::fromLatin1(rowOf(field).caption).remove(u':'));
}

QString MainWindow::recordText() const
{
    QStringList lines;
    for (const FieldRow &row : kFieldRows)
        lines.append(QString::fromLatin1(row.caption) + u' ' + m_view.whole(row.field));
    return lines.join(u"\r\n"_s);
}

void MainWindow::CopyRecord()
{
    platform::copyText(recordText());
    showCopied(u"the whole record"_s);
}

// A copy is confirmed for a moment where the hint stands.
void MainWindow::showCopied(const QString &what)
{
    copystatus->setText(u"Copied to the clipboard: %1."_s.arg(what));
    m_copyShown->start();
    showHintLine();
}

void MainWindow::openContextMenu(MonsterRecord::Field field, QPoint at)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (field != MonsterRecord::FieldCount)
        menu->addAction(u"&Copy"_s, this, [this, field] { CopyValue(field); });
    menu->addAction(copyRecord);
    menu->popup(at);
}
