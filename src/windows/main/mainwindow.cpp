#include "mainwindow.h"

#include "appinfo.h"
#include "clicklabel.h"
#include "clipboard.h"
#include "colours.h"
#include "filedialog.h"
#include "fonts.h"
#include "framing.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "monsterlist.h"
#include "notesfile.h"
#include "placedlayout.h"
#include "settingsstore.h"
#include "switches.h"
#include "twips.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStyleOptionGroupBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <iterator>
#include <optional>

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
// The filter box above the list, which starts lower than it did to make room for it; the
// list's bottom edge stays where it was.
constexpr QRect kFilterRect = twips::rect(120, 480, 1935, 330);
constexpr QRect kListRect = twips::rect(120, 870, 1935, 3765);

// The text sizes of the list and the record, in percent; the layout scales with them.
constexpr int kTextSizes[] = {80, 90, 100, 115, 130, 150, 175, 200};
constexpr int kUsualTextSize = 100;
// A notes file is a few kilobytes a hundred notes; this is far beyond any player's.
constexpr qint64 kMaxNotesFile = 64 * 1024 * 1024;
// The most of a note a question shows.
constexpr qsizetype kNoteShownInQuestion = 400;

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

// A value with its followable parts as links in `colour`: the rest as it is, line breaks
// kept.
QString linkedHtml(const QString &text, const std::vector<LinkPart> &links, const QColor &colour)
{
    const auto plain = [](const QString &part) {
        return part.toHtmlEscaped().replace(u"\r\n"_s, u"<br>"_s);
    };
    QString html = u"<span style=\"white-space: pre-wrap\">"_s;
    qsizetype at = 0;
    for (std::size_t i = 0; i < links.size(); ++i) {
        html += plain(text.mid(at, links[i].start - at)) +
                u"<a href=\"%1\" style=\"color: %2\">%3</a>"_s.arg(
                    QString::number(i), colour.name(), plain(links[i].text));
        at = links[i].start + links[i].length;
    }
    return html + plain(text.mid(at)) + u"</span>"_s;
}

QString briefly(const QString &note)
{
    return note.size() <= kNoteShownInQuestion ? note
                                               : note.first(kNoteShownInQuestion) + QChar(0x2026);
}

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? one : many.arg(QLocale(QLocale::English).toString(qlonglong(count)));
}

} // namespace

// An import under way: its plan, how far its questions have come and what was done.
struct NotesImport
{
    notesfile::ImportPlan plan;
    QString file;
    qsizetype next = 0;
    std::optional<bool> replaceAll;
    qsizetype added = 0, replaced = 0, kept = 0, absent = 0;
};

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
    using namespace settingkeys;
    if (m_store.get(kSettings, kListOrder) == u"atoz"_s) {
        mnuAToZ->setChecked(true);
        m_model->setOrder(ListFilter::Order::AToZ);
    }
    const int textSize = m_store.get(kSettings, kTextSize).toInt();
    if (std::find(std::begin(kTextSizes), std::end(kTextSizes), textSize) != std::end(kTextSizes))
        m_textSize = textSize;
    applyTextSize();

    // Selection, not the current row: the list makes its first row current when it takes
    // the focus, and that must not show a monster.
    connect(monstername->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::monstername_Click);
    connect(notes, &QPlainTextEdit::textChanged, this, &MainWindow::notes_Change);
    // A list filtered or ordered anew has lost its selection: the monster shown, where listed.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { selectShown(false); });
    connect(monstername, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        if (!monstername->selectionModel()->isSelected(index))
            monstername->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    });
    // The mouse's back and forward buttons, anywhere in the window.
    qApp->installEventFilter(this);

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
    resize(leastSize());
    restorePlace();
    setMinimumSize(leastSize().boundedTo(platform::room(this)));
    restoreLastMonster();
    monstername->setFocus(); // the filter comes first by Tab, but the list has the keyboard
    Timer1->start();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

QSize MainWindow::usualInnerSize() const
{
    return QSize(twips::toPixels(kMinOuterWidth),
                 twips::toPixels(kMinOuterHeight) - menuBar()->sizeHint().height());
}

QSize MainWindow::leastSize() const
{
    const qreal factor = m_textSize / qreal(kUsualTextSize);
    const QSize inner = usualInnerSize();
    return QSize(qRound(inner.width() * factor),
                 qRound(inner.height() * factor) + menuBar()->sizeHint().height());
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
    m_inner = inner;
    // A larger window gives its extra room to the list and the notes box (which share the
    // extra height), to the record, its picture and its description.
    const QSize base(twips::toPixels(kInnerWidth), twips::toPixels(kInnerHeight));
    auto *layout = new platform::PlacedLayout(inner, base);
    m_layout = layout;
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

    // Ctrl+F has long been the feedback form's, so the filter takes the key of the search
    // box of file managers and browsers.
    monsterfilter = new QLineEdit(inner);
    layout->place(monsterfilter, "monsterfilter", kFilterRect, {}, {0, 0, kListShare, 0});
    monsterfilter->setPlaceholderText(u"Filter (Ctrl+E)"_s);
    monsterfilter->setToolTip(u"Lists only the monsters whose name holds what you type "
                              "(Ctrl+E). Down or Enter goes to the list; Esc lists them all "
                              "again."_s);
    monsterfilter->setAccessibleName(u"Filter Monsters"_s);
    // "12 of 912" at the box's right end while a filter is on.
    filtercount = new QLabel(monsterfilter);
    filtercount->setObjectName(u"filtercount"_s);
    filtercount->setForegroundRole(QPalette::Text);
    filtercount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    filtercount->setAttribute(Qt::WA_TransparentForMouseEvents); // a click there is the box's
    filtercount->hide();
    connect(monsterfilter, &QLineEdit::textChanged, this, &MainWindow::filterChanged);

    m_model = new MonsterListModel(m_table, this);
    monsterfilter->installEventFilter(this); // its keys and size, once the model is there
    monstername = new QListView(inner);
    layout->place(monstername, "monstername", kListRect, upperHalf, largeUpperHalf);
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
    m_recordLayout = record;
    record->setUsualSize(platform::PlacedLayout::placed(kFrameRect, platform::Follows::growBoth(),
                                                        usualInnerSize() - base)
                             .size());
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
    copystatus->setAccessibleName(u"Status"_s);
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
        if (field == MonsterRecord::Area || field == MonsterRecord::Treasure) {
            // Each part can be followed: by a single click, or by Tab to it and Enter.
            value->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                           Qt::LinksAccessibleByKeyboard);
            value->setFocusPolicy(Qt::TabFocus);
            connect(value, &platform::ClickLabel::linkFollowed, this,
                    [this, field](const QString &link) { followLink(field, link); });
            const QString tip = field == MonsterRecord::Area
                                    ? u"Click to find the monsters found in %1."_s
                                    : u"Click to find the monsters that drop %1."_s;
            connect(value, &QLabel::linkHovered, this,
                    [this, field, value, tip](const QString &link) {
                        const std::size_t part = link.toULongLong();
                        value->setToolTip(link.isEmpty() || part >= m_links[field].size()
                                              ? QString()
                                              : tip.arg(m_links[field][part].text) +
                                                    u" A double click copies the whole value."_s);
                    });
        }
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

    setTabOrder(monsterfilter, monstername);
    setTabOrder(monstername, notes);
}

void MainWindow::applyTextSize()
{
    const qreal factor = m_textSize / qreal(kUsualTextSize);
    const auto sized = [factor](QFont font) {
        font.setPointSizeF(font.pointSizeF() * factor);
        return font;
    };
    // The menus keep the desktop's size; the list, the notes and the record follow.
    m_inner->setFont(sized(platform::dialogFont()));
    monlabel->setFont(sized(
        platform::layoutFont(u"Palatino Linotype"_s, 9.75, platform::Bold | platform::Italic)));
    noteslbl->setFont(sized(platform::dialogFont(platform::Bold)));
    for (const FieldRow &row : kFieldRows)
        m_captions[row.field]->setFont(sized(platform::dialogFont(platform::Bold)));
    m_layout->setScale(factor);
    m_recordLayout->setScale(factor);

    // The frame's caption (the name shown) takes room above the record; a name of more
    // lines, room below its row.
    QStyleOptionGroupBox titled;
    titled.initFrom(monsterframe);
    titled.text = u"Xg"_s;
    titled.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect contents = style()->subControlRect(QStyle::CC_GroupBox, &titled,
                                                   QStyle::SC_GroupBoxContents, monsterframe);
    m_recordLayout->reserveTop(std::max(0, contents.top() - qRound(kPictureRect.top() * factor)));
    m_recordLayout->setFitLimit((kNameLines - 1) * monsterframe->fontMetrics().lineSpacing());
    descriptionscroll->setMaximumWidth(qRound(
        factor * std::max(rowOf(MonsterRecord::Description).valueRect.width(),
                          QFontMetrics(QApplication::font()).averageCharWidth() * kReadableChars)));
    filterChanged(); // the count's room, in the new size
    mnuLarger->setEnabled(m_textSize != kTextSizes[std::size(kTextSizes) - 1]);
    mnuSmaller->setEnabled(m_textSize != kTextSizes[0]);
}

void MainWindow::stepTextSize(int step)
{
    const auto *at = std::find(std::begin(kTextSizes), std::end(kTextSizes), m_textSize);
    const qsizetype last = qsizetype(std::size(kTextSizes)) - 1;
    const int size = step == 0 ? kUsualTextSize
                               : kTextSizes[std::clamp<qsizetype>(at - kTextSizes + step, 0, last)];
    if (size == m_textSize)
        return;
    m_textSize = size;
    m_store.save(settingkeys::kSettings, settingkeys::kTextSize, QString::number(size));
    applyTextSize();
    // The window grows to hold the larger layout, as far as the screen has room.
    setMinimumSize(leastSize().boundedTo(platform::room(this)));
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
    mnuControls->addSeparator();
    mnuExportNotes = action(u"&Export Notes..."_s, "mnuExportNotes");
    mnuImportNotes = action(u"&Import Notes..."_s, "mnuImportNotes");
    mnuControls->addActions({mnuExportNotes, mnuImportNotes});

    mnuView = menuBar()->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    mnuFileOrder = action(u"Monsters in &File Order"_s, "mnuFileOrder");
    mnuAToZ = action(u"Monsters from &A to Z"_s, "mnuAToZ");
    auto *order = new QActionGroup(this);
    for (QAction *item : {mnuFileOrder, mnuAToZ}) {
        item->setCheckable(true);
        order->addAction(item);
    }
    mnuFileOrder->setChecked(true);
    mnuBack = action(u"&Back"_s, "mnuBack", QKeySequence(Qt::ALT | Qt::Key_Left));
    mnuForward = action(u"F&orward"_s, "mnuForward", QKeySequence(Qt::ALT | Qt::Key_Right));
    mnuBack->setEnabled(false);
    mnuForward->setEnabled(false);
    mnuLarger = action(u"&Larger Text"_s, "mnuLarger");
    // Ctrl and the key that has "+" on it, with or without Shift.
    mnuLarger->setShortcuts(
        {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    mnuSmaller = action(u"&Smaller Text"_s, "mnuSmaller", QKeySequence(QKeySequence::ZoomOut));
    mnuNormalSize =
        action(u"&Normal Text Size"_s, "mnuNormalSize", QKeySequence(Qt::CTRL | Qt::Key_0));
    mnuView->addActions({mnuFileOrder, mnuAToZ});
    mnuView->addSeparator();
    mnuView->addActions({mnuBack, mnuForward});
    mnuView->addSeparator();
    mnuView->addActions({mnuLarger, mnuSmaller, mnuNormalSize});

    about = action(u"&About..."_s, "about");
    mnuExit = action(u"&Exit"_s, "mnuExit");
    menuBar()->addAction(about);
    menuBar()->addAction(mnuExit);

    // Not in a menu, so that the menus stay as they are: the record's context menu and its
    // shortcut.
    copyRecord =
        action(u"Copy &Record"_s, "copyRecord", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    addAction(copyRecord);
    findMonster = action(u"Filter Monsters"_s, "findMonster", QKeySequence(Qt::CTRL | Qt::Key_E));
    addAction(findMonster);

    connect(mnuSearch, &QAction::triggered, this, &MainWindow::searchRequested);
    connect(mnuOptions, &QAction::triggered, this, &MainWindow::optionsRequested);
    connect(mnuReport, &QAction::triggered, this, &MainWindow::feedbackRequested);
    connect(about, &QAction::triggered, this, &MainWindow::aboutRequested);
    connect(mnuUpdate, &QAction::triggered, this, &MainWindow::updateCheckRequested);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(copyRecord, &QAction::triggered, this, &MainWindow::CopyRecord);
    connect(findMonster, &QAction::triggered, this, [this] {
        monsterfilter->setFocus(Qt::ShortcutFocusReason);
        monsterfilter->selectAll();
    });
    connect(mnuFileOrder, &QAction::triggered, this, [this] { setOrder(false); });
    connect(mnuAToZ, &QAction::triggered, this, [this] { setOrder(true); });
    connect(mnuBack, &QAction::triggered, this, [this] { showFromHistory(m_history.back()); });
    connect(mnuForward, &QAction::triggered, this,
            [this] { showFromHistory(m_history.forward()); });
    connect(mnuLarger, &QAction::triggered, this, [this] { stepTextSize(1); });
    connect(mnuSmaller, &QAction::triggered, this, [this] { stepTextSize(-1); });
    connect(mnuNormalSize, &QAction::triggered, this, [this] { stepTextSize(0); });
    const QString csv = u"CSV files (*.csv);;All files (*)"_s;
    connect(mnuExportNotes, &QAction::triggered, this, [this, csv] {
        platform::chooseFile(this, platform::FileMode::Save, u"Export Notes"_s, csv,
                             u"monster notes.csv"_s,
                             [this](const QString &path) { exportNotes(path); });
    });
    connect(mnuImportNotes, &QAction::triggered, this, [this, csv] {
        platform::chooseFile(this, platform::FileMode::Open, u"Import Notes"_s, csv, {},
                             [this](const QString &path) { importNotes(path); });
    });
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
            notes->setReadOnly(m_noteKey.isEmpty() || m_store.readOnly());
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
    if (row < 0 || row >= m_table->size())
        return;
    showRecord(row);
    m_history.visit(row);
    updateHistoryActions();
    selectShown(true);
}

void MainWindow::selectShown(bool centre)
{
    const QScopedValueRollback<bool> selecting(m_selecting, true);
    QItemSelectionModel *selection = monstername->selectionModel();
    const int listRow = m_model->listRow(m_shownRow);
    if (listRow < 0) {
        selection->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(listRow);
    selection->select(index, QItemSelectionModel::ClearAndSelect);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (centre)
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

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The links' colour follows a palette that changes.
    const bool palette =
        event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange;
    if (palette && m_view.record) {
        for (const MonsterRecord::Field field : {MonsterRecord::Area, MonsterRecord::Treasure})
            setValue(field, m_view.text[field]);
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
    // Not when the list only catches up with what is shown.
    if (!m_selecting)
        ShowSelectedMonster();
}

void MainWindow::ShowSelectedMonster()
{
    const QModelIndexList selected = monstername->selectionModel()->selectedIndexes();
    const qsizetype row = selected.isEmpty() ? -1 : m_model->tableRow(selected.first().row());
    if (row < 0) {
        // With nothing selected the last monster shown stays on screen, untitled.
        monsterframe->setTitle(QString());
        LoadNote();
        return;
    }
    showRecord(row);
    m_history.visit(row);
    updateHistoryActions();
}

void MainWindow::showRecord(qsizetype row)
{
    using namespace settingkeys;
    const MonsterRecord record = m_table->row(row);
    const QString listText = record.listText();
    const qsizetype occurrence = m_model->occurrenceOf(row);
    m_shownRow = row;
    monsterframe->setTitle(shownPart(listText).replace(QChar(u'&'), u"&&"_s));
    // The next start opens on it, however this run ends: its name, and which of its name.
    m_store.save(kPlacement, kLastMonster, listText);
    m_store.save(kPlacement, kLastOccurrence, QString::number(occurrence));
    m_view = viewOf(record, m_folder);
    // Namesakes keep notes of their own; the first keeps the one kept under its name alone.
    m_noteKey = notesfile::key(m_view.noteKey(), occurrence + 1);
    for (const FieldRow &fieldRow : kFieldRows)
        setValue(fieldRow.field, m_view.text[fieldRow.field]);
    descriptionscroll->verticalScrollBar()->setValue(0);
    // A missing or unreadable picture shows none.
    QPixmap picture;
    picture.loadFromData(readPicture(m_view));
    display->setPixmap(picture);
    LoadNote();
}

void MainWindow::setValue(MonsterRecord::Field field, const QString &text)
{
    platform::ClickLabel *label = m_values[field];
    // The record view holds only the beginning of a long value; the name is whole.
    const QString shown = linebreaks::toLf(field == MonsterRecord::Name ? shownPart(text) : text);
    std::vector<LinkPart> &links = m_links[field];
    links.clear();
    if (field == MonsterRecord::Area || field == MonsterRecord::Treasure) {
        const QByteArrayView raw = m_view.record->rawField(field);
        links = linkParts(windows1252::decode(raw.first(std::min(raw.size(), kShownChars))));
        if (raw.size() > kShownChars && !links.empty())
            links.pop_back(); // it may go on past what shows
    }
    label->setTextFormat(links.empty() ? Qt::PlainText : Qt::RichText);
    // The desktop's link colour, made readable on the window as every text is.
    const QPalette &palette = label->palette();
    label->setText(links.empty() ? shown
                                 : linkedHtml(text, links,
                                              platform::readable(palette.color(QPalette::Link),
                                                                 palette.color(QPalette::Window))));
    // Its name is the caption's, so the value reaches screen readers this way.
    label->setAccessibleDescription(shown);
}

void MainWindow::followLink(MonsterRecord::Field field, const QString &link)
{
    const std::size_t part = link.toULongLong();
    if (part < m_links[field].size())
        emit linkFollowed(field, m_links[field][part].text);
}

void MainWindow::showFromHistory(qsizetype row)
{
    if (row >= 0 && row < m_table->size()) {
        showRecord(row);
        selectShown(true);
    }
    updateHistoryActions();
}

void MainWindow::updateHistoryActions()
{
    mnuBack->setEnabled(m_history.canGoBack());
    mnuForward->setEnabled(m_history.canGoForward());
}

void MainWindow::filterChanged()
{
    // The best of what is left first, wherever the monster shown is listed.
    if (m_model->setFilterText(monsterfilter->text()))
        monstername->scrollToTop();
    const QString count = m_model->countText();
    filtercount->setText(count);
    filtercount->setVisible(!count.isEmpty());
    const int width = count.isEmpty() ? 0 : filtercount->fontMetrics().horizontalAdvance(count) + 4;
    // The count at the right end, inside the box's frame; what is typed stays clear of it.
    const QRect inside = monsterfilter->rect().adjusted(2, 2, -3, -2);
    filtercount->setGeometry(inside.right() - width + 1, inside.top(), width, inside.height());
    monsterfilter->setTextMargins(0, 0, width, 0);
    monsterfilter->setAccessibleDescription(count);
}

void MainWindow::enterList()
{
    monstername->setFocus(Qt::OtherFocusReason);
    QItemSelectionModel *selection = monstername->selectionModel();
    if (!selection->hasSelection() && m_model->rowCount() > 0)
        selection->setCurrentIndex(m_model->index(0), QItemSelectionModel::ClearAndSelect);
    monstername->scrollTo(selection->currentIndex());
}

void MainWindow::setOrder(bool aToZ)
{
    m_model->setOrder(aToZ ? ListFilter::Order::AToZ : ListFilter::Order::File);
    selectShown(true);
    m_store.save(settingkeys::kSettings, settingkeys::kListOrder, aToZ ? u"atoz"_s : u"file"_s);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (button == Qt::BackButton || button == Qt::ForwardButton) {
            showFromHistory(button == Qt::BackButton ? m_history.back() : m_history.forward());
            return true;
        }
    }
    if (watched == monsterfilter && event->type() == QEvent::Resize)
        filterChanged();
    if (watched != monsterfilter || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        enterList();
        return true;
    case Qt::Key_Escape:
        // The whole list again, on the monster shown.
        monsterfilter->clear();
        selectShown(true);
        monstername->setFocus(Qt::OtherFocusReason);
        return true;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void MainWindow::LoadNote()
{
    const std::optional<QString> note = m_notes.load(m_noteKey);
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
    notes->setReadOnly(m_noteKey.isEmpty() || !m_noteShown || m_store.readOnly());
}

void MainWindow::notes_Change()
{
    // Putting a stored note into the box stores nothing new; a box that could not show its
    // note stores nothing at all.
    if (m_loadingNote || !m_noteShown)
        return;
    const QString text = notes->toPlainText();
    m_notes.save(m_noteKey, text);
    emit noteEdited(m_noteKey, linebreaks::toCrLf(text));
}

void MainWindow::exportNotes(const QString &path)
{
    bool read = false;
    const std::vector<notesfile::Note> all =
        notesfile::fromStore(m_store.entries(settingkeys::kNotes, &read));
    // Notes that could not all be read are not written as if they were all there were.
    QString error = read ? QString() : m_store.readFailure();
    if (read && wholefile::write(path, notesfile::exportText(all), &error)) {
        showStatus(u"%1 exported to %2."_s.arg(
            counted(qsizetype(all.size()), u"One note"_s, u"%1 notes"_s),
            QFileInfo(path).fileName()));
        return;
    }
    platform::showMessage(
        this, u"Export Notes"_s,
        u"The notes could not be exported to %1: %2"_s.arg(QDir::toNativeSeparators(path), error),
        platform::Buttons::Ok);
}

void MainWindow::importNotes(const QString &path)
{
    QString error;
    bool read = false;
    const std::optional<QByteArray> bytes = wholefile::read(path, kMaxNotesFile, &error);
    const QHash<QString, QString> stored =
        bytes ? m_store.entries(settingkeys::kNotes, &read) : QHash<QString, QString>();
    // Against notes that cannot all be read, a note would be taken for new and replace one.
    if (bytes && !read)
        error = m_store.readFailure();
    else if (bytes && m_store.readOnly())
        error = m_store.problem();
    auto import = std::make_shared<NotesImport>();
    import->file = QFileInfo(path).fileName();
    if (error.isEmpty()) {
        import->plan = notesfile::planImport(*bytes, notesfile::fromStore(stored));
        error = import->plan.error;
    }
    if (!error.isEmpty()) {
        platform::showMessage(this, u"Import Notes"_s,
                              u"The notes in %1 could not be imported: %2"_s.arg(
                                  QDir::toNativeSeparators(path), error),
                              platform::Buttons::Ok);
        return;
    }
    // A note for a monster this database lacks is kept all the same, for data to come.
    QSet<QString> present;
    for (qsizetype row = 0; row < m_table->size(); ++row)
        present.insert(
            notesfile::key(decodeForDisplay(m_table->row(row).field(MonsterRecord::Name)),
                           m_model->occurrenceOf(row) + 1));
    for (const notesfile::Note &note : import->plan.add) {
        const QString key = notesfile::key(note.name, note.occurrence);
        import->absent += !present.contains(key);
        saveImported(key, note.text);
    }
    import->added = qsizetype(import->plan.add.size());
    askNextDiffering(import);
}

void MainWindow::askNextDiffering(std::shared_ptr<NotesImport> import)
{
    const std::vector<notesfile::ImportPlan::Conflict> &differ = import->plan.differ;
    for (; import->next < qsizetype(differ.size()); ++import->next) {
        const notesfile::ImportPlan::Conflict &conflict = differ[std::size_t(import->next)];
        if (import->replaceAll) {
            if (*import->replaceAll)
                saveImported(notesfile::key(conflict.imported.name, conflict.imported.occurrence),
                             conflict.imported.text);
            ++(*import->replaceAll ? import->replaced : import->kept);
            continue;
        }
        const QString whose = conflict.imported.occurrence == 1
                                  ? conflict.imported.name
                                  : u"%1 (number %2 of that name)"_s.arg(conflict.imported.name)
                                        .arg(conflict.imported.occurrence);
        platform::showMessage(
            this, u"Import Notes"_s,
            u"Your note on %1 differs from the one in %2.\r\n\r\nYours:\r\n%3\r\n\r\nIn "
            "the file:\r\n%4\r\n\r\nReplace yours with the one in the file?"_s.arg(
                whose, import->file, briefly(conflict.existing), briefly(conflict.imported.text)),
            platform::Buttons::YesNoToAll, [this, import](platform::Answer answer) {
                using platform::Answer;
                const bool replace = answer == Answer::Yes || answer == Answer::YesToAll;
                if (answer == Answer::YesToAll || answer == Answer::NoToAll)
                    import->replaceAll = replace;
                const notesfile::Note &note =
                    import->plan.differ[std::size_t(import->next)].imported;
                if (replace)
                    saveImported(notesfile::key(note.name, note.occurrence), note.text);
                ++(replace ? import->replaced : import->kept);
                ++import->next;
                askNextDiffering(import);
            });
        return;
    }
    LoadNote(); // the note shown may be one of them
    QString done = u"From %1: %2 added, %3 replaced, %4 kept as you had them, %5 the same as "
                   "yours."_s.arg(import->file)
                       .arg(import->added)
                       .arg(import->replaced)
                       .arg(import->kept)
                       .arg(import->plan.same.size());
    if (import->absent > 0)
        done +=
            u"\r\n\r\n%1 for monsters this database does not have; kept for when it "
            "does."_s.arg(counted(import->absent, u"One added note is"_s, u"%1 added notes are"_s));
    platform::showMessage(this, u"Import Notes"_s, done, platform::Buttons::Ok);
}

void MainWindow::saveImported(const QString &key, const QString &text)
{
    m_store.save(settingkeys::kNotes, key, text);
    emit noteEdited(key, text);
}

void MainWindow::CopyValue(MonsterRecord::Field field)
{
    platform::copyText(m_view.whole(field));
    showStatus(u"Copied to the clipboard: %1."_s.arg(
        QString::fromLatin1(rowOf(field).caption).remove(u':')));
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
    showStatus(u"Copied to the clipboard: the whole record."_s);
}

// A copy or an export is confirmed for a moment where the hint stands.
void MainWindow::showStatus(const QString &text)
{
    copystatus->setText(text);
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
