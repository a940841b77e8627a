#include "searchwindow.h"

#include "clipboard.h"
#include "filedialog.h"
#include "fonts.h"
#include "framing.h"
#include "messagebox.h"
#include "searchresults.h"
#include "settingsstore.h"
#include "switches.h"
#include "wholefile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSavePositionMs = 5000;

struct FieldBox
{
    const char *name;
    const char *caption;
    TextField field;
};
const FieldBox kFieldBoxes[kTextFieldCount] = {{"inname", "&Name", TextField::Name},
                                {"intreasure", "&Treasure", TextField::Treasure},
                                {"inarea", "&Areas Found", TextField::Area},
                                {"indescription", "&Description", TextField::Description},
                                {"innotes", "N&otes", TextField::Notes}};

struct RangeRow
{
    const char *name;
    const char *caption;
};
// In the order of RangeField.
const RangeRow kRangeRows[kRangeFieldCount] = {{"hp", "HP:"},
                                               {"level", "Suggested Level:"},
                                               {"experience", "Experience:"},
                                               {"jobexp", "Job Experience:"},
                                               {"defense", "Weapon Defense:"},
                                               {"mdefense", "Mage Defense:"}};

std::optional<qint64> bound(const QLineEdit *edit)
{
    const std::optional<ValueRange> value = readValue(edit->text());
    return value ? std::optional(value->low) : std::nullopt;
}

} // namespace

SearchWindow::SearchWindow(SettingsStore &store, std::shared_ptr<const MonsterTable> table,
                           QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_notes(store.entries(settingkeys::kNotes))
    , m_model(new SearchResultsModel(this))
{
    setObjectName(u"frmSearch"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"Search Monsters"_s);
    setFont(platform::dialogFont());
    buildLayout();
    reloadSettings();

    m_savePosition = new QTimer(this);
    m_savePosition->setInterval(kSavePositionMs);
    connect(m_savePosition, &QTimer::timeout, this, &SearchWindow::savePosition);
    m_savePosition->start();

    // The index is built off the window's thread; the criteria wait for it meanwhile.
    count->setText(u"Reading the monsters..."_s);
    const QPointer<SearchWindow> self(this);
    QThreadPool::globalInstance()->start([self, table = std::move(table)] {
        auto index = std::make_shared<const SearchIndex>(*table);
        QMetaObject::invokeMethod(
            qApp,
            [self, index] {
                if (self)
                    self->indexReady(index);
            },
            Qt::QueuedConnection);
    });
}

SearchWindow::~SearchWindow()
{
    if (m_cancel)
        m_cancel->store(true);
}

void SearchWindow::buildLayout()
{
    // On a screen too small for the window its controls scroll.
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    auto *whole = new QVBoxLayout(this); // with the window's margins, as the controls had
    whole->addWidget(scroll);
    auto *grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    const auto label = [this](const char *text, QWidget *buddy) {
        auto *caption = new QLabel(QString::fromUtf8(text), this);
        caption->setBuddy(buddy);
        buddy->setAccessibleName(caption->text().remove(u'&').remove(u':'));
        return caption;
    };

    searchtext = new QLineEdit(this);
    searchtext->setObjectName(u"searchtext"_s);
    searchtext->installEventFilter(this);
    grid->addWidget(label("&Words:", searchtext), row, 0);
    grid->addWidget(searchtext, row++, 1, 1, 5);

    const auto choice = [this](const char *name, const QStringList &items) {
        auto *combo = new QComboBox(this);
        combo->setObjectName(QString::fromLatin1(name));
        combo->addItems(items);
        connect(combo, &QComboBox::currentIndexChanged, this, &SearchWindow::criteriaChanged);
        return combo;
    };

    auto *in = new QLabel(u"Look in:"_s, this);
    grid->addWidget(in, row, 0);
    auto *boxes = new QHBoxLayout;
    for (std::size_t i = 0; i < std::size(kFieldBoxes); ++i) {
        fields[i] = new QCheckBox(QString::fromUtf8(kFieldBoxes[i].caption), this);
        fields[i]->setObjectName(QString::fromLatin1(kFieldBoxes[i].name));
        fields[i]->setAccessibleName(u"Look in "_s + fields[i]->text().remove(u'&'));
        fields[i]->setChecked(kFieldBoxes[i].field == TextField::Name);
        boxes->addWidget(fields[i]);
        connect(fields[i], &QCheckBox::toggled, this, &SearchWindow::criteriaChanged);
    }
    boxes->addStretch();
    // Whether the player has written a note on the monster; in the order of HasNote.
    hasnote = choice("hasnote", {u"Any"_s, u"Yes"_s, u"No"_s});
    boxes->addWidget(label("W&ith a note:", hasnote));
    boxes->addWidget(hasnote);
    grid->addLayout(boxes, row++, 1, 1, 5);

    // Two columns of ranges: "from ... to ..." for each number, made (and so reached by Tab)
    // a line at a time.
    for (int i = 0; i < kRangeFieldCount; ++i) {
        const int f = i % 2 * 3 + i / 2;
        const int r = row + f % 3, c = f / 3 * 3;
        from[f] = new QLineEdit(this);
        to[f] = new QLineEdit(this);
        from[f]->setObjectName(QString::fromLatin1(kRangeRows[f].name) + u"from"_s);
        to[f]->setObjectName(QString::fromLatin1(kRangeRows[f].name) + u"to"_s);
        auto *caption = label(kRangeRows[f].caption, from[f]);
        from[f]->setAccessibleName(caption->text().remove(u':') + u" from"_s);
        to[f]->setAccessibleName(caption->text().remove(u':') + u" to"_s);
        auto *pair = new QHBoxLayout;
        pair->addWidget(from[f]);
        pair->addWidget(new QLabel(u"to"_s, this));
        pair->addWidget(to[f]);
        grid->addWidget(caption, r, c);
        grid->addLayout(pair, r, c + 1, 1, 2);
        for (QLineEdit *edit : {from[f], to[f]}) {
            edit->setPlaceholderText(u"any"_s);
            connect(edit, &QLineEdit::textChanged, this, &SearchWindow::criteriaChanged);
            connect(edit, &QLineEdit::returnPressed, this, &SearchWindow::search_Click);
        }
    }
    row += 3;

    hostile = choice("hostile", {u"Any"_s, u"Yes"_s, u"No"_s, u"Other"_s});
    undead = choice("undead", {u"Any"_s, u"Yes"_s, u"No"_s});
    sizebox = choice("size", {u"Any"_s});
    auto *choices = new QHBoxLayout;
    for (const auto &[text, combo] :
         {std::pair{"&Hostile:", hostile}, std::pair{"&Undead:", undead},
          std::pair{"Monster &Size:", sizebox}}) {
        choices->addWidget(label(text, combo));
        choices->addWidget(combo);
    }
    choices->addStretch();
    search = new QPushButton(u"S&earch"_s, this);
    search->setObjectName(u"search"_s);
    search->setDefault(true);
    closeButton = new QPushButton(u"&Close"_s, this);
    closeButton->setObjectName(u"close"_s);
    choices->addWidget(search);
    choices->addWidget(closeButton);
    grid->addLayout(choices, row++, 0, 1, 6);
    connect(search, &QPushButton::clicked, this, &SearchWindow::search_Click);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(searchtext, &QLineEdit::textChanged, this, &SearchWindow::criteriaChanged);
    connect(searchtext, &QLineEdit::returnPressed, this, &SearchWindow::search_Click);

    count = new QLabel(this);
    count->setObjectName(u"count"_s);
    auto *countLine = new QHBoxLayout;
    countLine->addWidget(count, 1);
    // The results as shown, every row and column: to a file, or to paste into a spreadsheet.
    saveButton = new QPushButton(u"Sa&ve as CSV..."_s, this);
    saveButton->setObjectName(u"saveresults"_s);
    copyButton = new QPushButton(u"Co&py Results"_s, this);
    copyButton->setObjectName(u"copyresults"_s);
    copyButton->setToolTip(u"Copies every result as shown, as tab-separated text for a "
                           "spreadsheet."_s);
    countLine->addWidget(saveButton);
    countLine->addWidget(copyButton);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        platform::chooseFile(this, platform::FileMode::Save, u"Save Results"_s,
                             u"CSV files (*.csv);;All files (*)"_s, u"monsters.csv"_s,
                             [this](const QString &path) { saveResults(path); });
    });
    connect(copyButton, &QPushButton::clicked, this, [this] {
        platform::copyText(m_model->toTabSeparated());
        tellAfterCount(u"Copied to the clipboard."_s);
    });
    // The order by keyboard too; a click on a column's title does the same.
    sortby = new QComboBox(this);
    sortby->setObjectName(u"sortby"_s);
    sortby->addItem(u"File order"_s);
    for (int column = 0; column < SearchResultsModel::ColumnCount; ++column)
        sortby->addItem(m_model->headerData(column, Qt::Horizontal).toString());
    countLine->addSpacing(countLine->spacing() * 2);
    countLine->addWidget(label("Sort &by:", sortby));
    countLine->addWidget(sortby);
    grid->addLayout(countLine, row++, 0, 1, 6);

    results = new QTableView(this);
    results->setObjectName(u"results"_s);
    results->setAccessibleName(u"Monsters found"_s);
    results->setModel(m_model);
    results->setSelectionBehavior(QAbstractItemView::SelectRows);
    results->setSelectionMode(QAbstractItemView::SingleSelection);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->verticalHeader()->hide();
    results->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // One line a result, so that a long list stays quick to read and to draw.
    results->verticalHeader()->setDefaultSectionSize(results->fontMetrics().height() + 6);
    results->setWordWrap(false);
    results->horizontalHeader()->setStretchLastSection(true);
    // File order until a column is chosen.
    results->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    results->setSortingEnabled(true);
    results->setMinimumHeight(results->verticalHeader()->defaultSectionSize() * 8);
    const int widths[] = {150, 50, 45, 70, 60, 60, 110, 55};
    for (int column = 0; column < int(std::size(widths)); ++column)
        results->horizontalHeader()->resizeSection(column, widths[column]);
    grid->addWidget(results, row, 0, 1, 6);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    connect(results->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { chooseResult(current.row()); });
    connect(results, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { chooseResult(index.row()); });
    connect(sortby, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (results->horizontalHeader()->sortIndicatorSection() != item - 1)
            results->sortByColumn(item - 1, Qt::AscendingOrder);
    });
    connect(results->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column) { sortby->setCurrentIndex(column + 1); });
    resize(sizeHint().expandedTo(QSize(640, 440)).boundedTo(platform::room(this)));
}

void SearchWindow::reloadSettings()
{
    using namespace settingkeys;
    // A switch never saved is on.
    fillDefaultSwitches(m_store);
    m_live = switchIsOn(m_store.get(kSettings, kSearch));
    m_includeUnavailable = switchIsOn(m_store.get(kSettings, kUnavailable));
    if (m_index && m_model->rowCount() + int(m_searchWaiting) > 0)
        search_Click();
}

void SearchWindow::setNote(const QString &key, const QString &text)
{
    m_notes.setNote(key, text);
}

void SearchWindow::findIn(MonsterRecord::Field field, const QString &text)
{
    const TextField wanted = field == MonsterRecord::Area       ? TextField::Area
                             : field == MonsterRecord::Treasure ? TextField::Treasure
                                                                : TextField::Name;
    {
        const QScopedValueRollback<bool> together(m_settingCriteria, true);
        searchtext->setText(text);
        for (std::size_t i = 0; i < std::size(kFieldBoxes); ++i)
            fields[i]->setChecked(kFieldBoxes[i].field == wanted);
        for (int f = 0; f < kRangeFieldCount; ++f) {
            from[f]->clear();
            to[f]->clear();
        }
        for (QComboBox *combo : {hostile, undead, sizebox, hasnote})
            combo->setCurrentIndex(0);
    }
    // Whether or not results follow every change: this is a search asked for.
    search_Click();
}

void SearchWindow::saveResults(const QString &path)
{
    QString error;
    if (wholefile::write(path, m_model->toCsv(), &error)) {
        tellAfterCount(u"Saved as %1."_s.arg(QFileInfo(path).fileName()));
        return;
    }
    platform::showMessage(
        this, u"Save Results"_s,
        u"The results could not be saved as %1: %2"_s.arg(QDir::toNativeSeparators(path), error),
        platform::Buttons::Ok);
}

void SearchWindow::tellAfterCount(const QString &text)
{
    count->setText(m_model->countText() + u". "_s + text);
}

void SearchWindow::openBeside(QRect record)
{
    using namespace settingkeys;
    // Two thirds of its size still shows every criterion and a few results.
    if (parentWidget())
        platform::placeBeside(
            this, parentWidget(), record, size() * 2 / 3,
            {m_store.get(kPlacement, kSearchTop), m_store.get(kPlacement, kSearchLeft), {}, {}});
}

void SearchWindow::savePosition()
{
    using namespace settingkeys;
    if (isMinimized() || !isVisible() || !switchIsOn(m_store.get(kSettings, kSavePosition)))
        return;
    const placement::Stored place = platform::storedFrame(this);
    m_store.save(kPlacement, kSearchTop, place.top);
    m_store.save(kPlacement, kSearchLeft, place.left);
}

void SearchWindow::closeEvent(QCloseEvent *event)
{
    savePosition();
    QWidget::closeEvent(event);
}

void SearchWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc in the results goes back to the words; elsewhere it closes.
    if (event->key() == Qt::Key_Escape && focusWidget() == results) {
        searchtext->setFocus(Qt::BacktabFocusReason);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool SearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    // From the words down into the results, those of the words typed once they are in (the
    // scroll area around the controls would take the key for itself).
    if (watched != searchtext || event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent *>(event)->key() != Qt::Key_Down)
        return QWidget::eventFilter(watched, event);
    m_enterResults = true;
    if (!m_searchWaiting && m_shownGeneration == m_generation)
        enterResults();
    return true;
}

void SearchWindow::indexReady(std::shared_ptr<const SearchIndex> index)
{
    m_index = std::move(index);
    m_model->setIndex(m_index);
    sizebox->addItems(m_index->sizes());
    count->setText(m_model->countText());
    if (m_searchWaiting || m_live)
        search_Click();
}

void SearchWindow::criteriaChanged()
{
    if (m_live && !m_settingCriteria)
        search_Click();
}

SearchCriteria SearchWindow::criteria() const
{
    SearchCriteria criteria;
    criteria.text = searchtext->text();
    criteria.fields = {};
    for (std::size_t i = 0; i < std::size(kFieldBoxes); ++i) {
        if (fields[i]->isChecked())
            criteria.fields |= kFieldBoxes[i].field;
    }
    for (int f = 0; f < kRangeFieldCount; ++f) {
        criteria.ranges[std::size_t(f)].from = bound(from[f]);
        // The top of a typed range: "60-65" asks up to 65.
        const std::optional<ValueRange> top = readValue(to[f]->text());
        criteria.ranges[std::size_t(f)].to = top ? std::optional(top->high) : std::nullopt;
    }
    criteria.hostile = SearchCriteria::Hostile(hostile->currentIndex());
    criteria.undead = SearchCriteria::Undead(undead->currentIndex());
    criteria.size = sizebox->currentIndex() > 0 ? sizebox->currentText() : QString();
    criteria.hasNote = SearchCriteria::HasNote(hasnote->currentIndex());
    criteria.includeUnavailable = m_includeUnavailable;
    return criteria;
}

// Runs a search off the window's thread; a later one makes the earlier one's result moot.
void SearchWindow::search_Click()
{
    if (!m_index) {
        m_searchWaiting = true;
        return;
    }
    m_searchWaiting = false;
    if (m_cancel)
        m_cancel->store(true);
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    const quint64 generation = ++m_generation;
    const QPointer<SearchWindow> self(this);
    QThreadPool::globalInstance()->start(
        [self, cancel, generation, index = m_index, criteria = criteria(), notes = m_notes] {
            std::vector<qsizetype> rows = index->run(criteria, notes, cancel.get());
            if (*cancel)
                return;
            QMetaObject::invokeMethod(
                qApp,
                [self, generation, rows = std::move(rows)]() mutable {
                    if (self)
                        self->showResults(std::move(rows), generation);
                },
                Qt::QueuedConnection);
        });
}

void SearchWindow::showResults(std::vector<qsizetype> rows, quint64 generation)
{
    if (generation != m_generation)
        return;
    m_shownGeneration = generation;
    m_model->setResults(std::move(rows));
    count->setText(m_model->countText());
    enterResults();
}

void SearchWindow::enterResults()
{
    if (!std::exchange(m_enterResults, false) || focusWidget() != searchtext ||
        m_model->rowCount() == 0)
        return;
    results->setFocus(Qt::TabFocusReason);
    if (!results->currentIndex().isValid())
        results->setCurrentIndex(m_model->index(0, 0));
}

void SearchWindow::chooseResult(int resultRow)
{
    const qsizetype row = m_model->tableRow(resultRow);
    if (row >= 0)
        emit rowChosen(row);
}
