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
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimer1IntervalMs = 5000;
// The inner area and the smallest outer size of the window.
constexpr int kInnerWidth = 6615;
constexpr int kInnerHeight = 7455;
constexpr int kMinOuterWidth = 6705;
constexpr int kMinOuterHeight = 8235;
constexpr int kCopyShownMs = 2500;

// The frame inside the window, at the default size.
constexpr QRect kFrameRect = twips::rect(2280, 120, 4215, 6615);

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

    buildLayout();
    buildMenus();

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
    // window manager frames a window moves it away from where it was put.
    setMinimumSize(QSize(twips::toPixels(kMinOuterWidth), twips::toPixels(kMinOuterHeight))
                       .expandedTo(minimumSizeHint()));
    adjustSize();
    restorePosition();
    restoreLastMonster();
    Timer1->start();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout()
{
    using twips::rect;
    auto *inner = new QWidget(this);
    setCentralWidget(inner);
    // A larger window gives its extra room to the list and the notes box (which share the
    // extra height), to the record and to its description.
    auto *layout = new platform::PlacedLayout(
        inner, QSize(twips::toPixels(kInnerWidth), twips::toPixels(kInnerHeight)));
    const platform::Follows upperHalf{0, 0, 0, 0.5};
    const platform::Follows lowerHalf{0, 0.5, 0, 1};

    // Screen readers call a field by its caption, without the colon.
    auto nameAfter = [](QWidget *field, const QLabel *caption) {
        field->setAccessibleName(caption->text().remove(u':'));
    };

    monlabel = new QLabel(u"Select a Monster"_s, inner);
    layout->place(monlabel, "monlabel", rect(120, 120, 1935, 255));
    monlabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    monlabel->setFont(
        platform::layoutFont(u"Palatino Linotype"_s, 9.75, platform::Bold | platform::Italic));

    m_model = new MonsterListModel(m_table, this);
    monstername = new QListView(inner);
    layout->place(monstername, "monstername", rect(120, 480, 1935, 4155), upperHalf);
    monstername->setModel(m_model);
    monstername->setUniformItemSizes(true);
    monstername->setEditTriggers(QAbstractItemView::NoEditTriggers);
    monstername->setItemDelegate(new WholeNameDelegate(monstername));
    monlabel->setBuddy(monstername);
    nameAfter(monstername, monlabel);

    noteslbl = new QLabel(u"Notes on Monster:"_s, inner);
    layout->place(noteslbl, "noteslbl", rect(120, 4800, 1935, 255), {0, 0.5, 0, 0.5});
    noteslbl->setFont(platform::dialogFont(platform::Bold));

    notes = new QPlainTextEdit(inner);
    layout->place(notes, "notes", rect(120, 5040, 1935, 2295), lowerHalf);
    notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->setTabChangesFocus(true);
    // A note needs a monster to belong to.
    notes->setReadOnly(true);
    noteslbl->setBuddy(notes);
    nameAfter(notes, noteslbl);

    monsterframe = new QGroupBox(inner);
    layout->place(monsterframe, "monsterframe", kFrameRect, platform::Follows::growBoth());
    auto *record = new platform::PlacedLayout(monsterframe, kFrameRect.size());
    monsterframe->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(monsterframe, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        openContextMenu(MonsterRecord::FieldCount, monsterframe->mapToGlobal(at));
    });

    // The hint's place also tells of a copy for a moment, and of a store that cannot save.
    const auto bottomLine = [inner, layout](const char *name, const QString &text) {
        auto *line = new QLabel(text, inner);
        layout->place(line, name, twips::rect(2400, 6840, 3975, 495), {0, 1, 1, 1});
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
        record->place(caption, row.captionName, row.captionRect);
        caption->setFont(captionFont);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        const bool scrolls = row.field == MonsterRecord::Description;
        auto *value = new platform::ClickLabel(scrolls ? nullptr : monsterframe);
        if (scrolls) {
            // A long description scrolls instead of being cut off mid-line.
            descriptionscroll = new QScrollArea(monsterframe);
            record->place(descriptionscroll, "descriptionscroll", row.valueRect,
                          platform::Follows::growBoth());
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
            record->place(value, row.valueName, row.valueRect, platform::Follows::growRight());
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
    record->place(display, "display", rect(3075, 120, 1095, 1095), platform::Follows::moveRight());
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
    storeproblem->setText(u"Notes and settings are kept but not saved yet: "_s + problem);
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

void MainWindow::restorePosition()
{
    using namespace settingkeys;
    platform::placeAtStoredEdges(this, m_store.get(kPlacement, kMainTop),
                                 m_store.get(kPlacement, kMainLeft));
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
    // The next start opens on the monster shown last: its name, and which of its name.
    const QModelIndexList selected = monstername->selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) {
        const int row = selected.first().row();
        m_store.save(settingkeys::kPlacement, settingkeys::kLastMonster,
                     m_model->data(selected.first(), Qt::DisplayRole).toString());
        m_store.save(settingkeys::kPlacement, settingkeys::kLastOccurrence,
                     QString::number(m_model->occurrenceOf(row)));
    }
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
    // A minimized window may report a position off every screen.
    if (isMinimized())
        return;
    const auto [top, left] = platform::storedEdges(this);
    m_store.save(settingkeys::kPlacement, settingkeys::kMainTop, top);
    m_store.save(settingkeys::kPlacement, settingkeys::kMainLeft, left);
}

void MainWindow::monstername_Click()
{
    ShowSelectedMonster();
}

void MainWindow::ShowSelectedMonster()
{
    const QModelIndexList selected = monstername->selectionModel()->selectedIndexes();
    const QModelIndex index = selected.isEmpty() ? QModelIndex() : selected.first();
    monsterframe->setTitle(index.data().toString().replace(QChar(u'&'), u"&&"_s));

    // With nothing selected the last monster shown stays on screen.
    if (index.isValid()) {
        m_view = viewOf(m_table->row(index.row()), m_folder);
        for (const FieldRow &fieldRow : kFieldRows) {
            platform::ClickLabel *label = m_values[fieldRow.field];
            label->setText(linebreaks::toLf(m_view.text[fieldRow.field]));
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

void MainWindow::LoadNote()
{
    const QString &key = m_view.noteKey();
    m_loadingNote = true;
    notes->setPlainText(m_notes.load(key));
    m_loadingNote = false;
    notes->setReadOnly(key.isEmpty());
}

void MainWindow::notes_Change()
{
    // Putting a stored note into the box stores nothing new.
    if (m_loadingNote)
        return;
    const QString text = notes->toPlainText();
    m_notes.save(m_view.noteKey(), text);
    emit noteEdited(m_view.noteKey(), linebreaks::toCrLf(text));
}

void MainWindow::CopyValue(MonsterRecord::Field field)
{
    platform::copyText(m_view.text[field]);
    showCopied(QString::fromLatin1(rowOf(field).caption).remove(u':'));
}

QString MainWindow::recordText() const
{
    QStringList lines;
    for (const FieldRow &row : kFieldRows)
        lines.append(QString::fromLatin1(row.caption) + u' ' + m_view.text[row.field]);
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
