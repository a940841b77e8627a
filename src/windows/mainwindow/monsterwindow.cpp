#include "monsterwindow.h"

#include "aboutwindow.h"
#include "checkhooks.h"
#include "clicklabel.h"
#include "clipboard.h"
#include "fonts.h"
#include "httpfetcher.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "optionswindow.h"
#include "placement.h"
#include "recordview.h"
#include "reportwindow.h"
#include "settingsstore.h"
#include "switches.h"
#include "twips.h"
#include "updatewindow.h"
#include "windowonce.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kTimer1IntervalMs = 5000;
// The inner area and the smallest outer size of the window.
constexpr int kInnerWidth = 6615;
constexpr int kInnerHeight = 7455;
constexpr int kMinOuterWidth = 6705;
constexpr int kMinOuterHeight = 8235;

} // namespace

MonsterWindow *MonsterWindow::showWindow(const AppContext &context)
{
    if (s_instance)
        s_instance->setEnabled(true);
    return platform::showOnce(s_instance, [&context] {
        auto *window = new MonsterWindow(context);
        window->Form_Load();
        return window;
    });
}

MonsterWindow::MonsterWindow(const AppContext &context)
    : m_context(context)
    , m_notes(*context.store)
{
    setObjectName(QStringLiteral("monster"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Norvalen English Beta Monster Database Beta"));
    setFont(platform::dialogFont());

    buildLayout();
    buildMenus();
    connectCopyTriggers();

    // Selection, not the current row: the list makes its first row current when it takes
    // the focus, and that must not show a monster.
    connect(monstername, &QListWidget::itemSelectionChanged, this,
            &MonsterWindow::monstername_Click);
    connect(notes, &QPlainTextEdit::textChanged, this, &MonsterWindow::notes_Change);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1IntervalMs);
    connect(Timer1, &QTimer::timeout, this, &MonsterWindow::Timer1_Timer);

    Inet1 = new HttpFetcher(context.checkTimeout, this);
    Inet1->setObjectName(QStringLiteral("Inet1"));

    adjustSize();
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

    monlabel = new QLabel(QStringLiteral("Select a Monster"), inner);
    place(monlabel, "monlabel", rect(120, 120, 1935, 255));
    monlabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    monlabel->setFont(platform::layoutFont(QStringLiteral("Palatino Linotype"), 9.75,
                                           platform::Bold | platform::Italic));

    monstername = new QListWidget(inner);
    place(monstername, "monstername", rect(120, 480, 1935, 4155));
    monstername->setUniformItemSizes(true);
    monlabel->setBuddy(monstername);
    nameAfter(monstername, monlabel);

    noteslbl = new QLabel(QStringLiteral("Notes on Monster:"), inner);
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

    hint1 = new QLabel(QStringLiteral("(HINT: To copy information to clipboard, double-click on "
                                      "the information or its label.)"),
                       inner);
    place(hint1, "hint1", rect(2400, 6840, 3975, 495));
    hint1->setWordWrap(true);
    hint1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    struct Row
    {
        platform::ClickLabel *MonsterWindow::*caption;
        const char *captionName;
        const char *captionText;
        QRect captionRect;
        platform::ClickLabel *MonsterWindow::*value;
        const char *valueName;
        QRect valueRect;
    };
    const Row rows[] = {
        {&MonsterWindow::namelabel, "namelabel", "Name:", rect(120, 240, 615, 255),
         &MonsterWindow::namea, "namea", rect(720, 240, 2295, 255)},
        {&MonsterWindow::hplabel, "hplabel", "HP:", rect(120, 480, 375, 255), &MonsterWindow::hp,
         "hp", rect(480, 480, 2535, 255)},
        {&MonsterWindow::levellabel, "levellabel", "Suggested Level:", rect(120, 720, 1575, 255),
         &MonsterWindow::level, "level", rect(1680, 720, 1335, 255)},
        {&MonsterWindow::lblsize, "lblsize", "Monster Size:", rect(120, 960, 1215, 255),
         &MonsterWindow::size_, "size", rect(1320, 960, 1695, 255)},
        {&MonsterWindow::explabel, "explabel", "Experience:", rect(120, 1200, 1095, 255),
         &MonsterWindow::experience, "experience", rect(1200, 1215, 2895, 240)},
        {&MonsterWindow::lbljobexp, "lbljobexp", "Job Experience:", rect(120, 1440, 1455, 255),
         &MonsterWindow::jobexp, "jobexp", rect(1560, 1440, 2535, 255)},
        {&MonsterWindow::lbldef, "lbldef", "Weapon Defense:", rect(120, 1680, 1575, 255),
         &MonsterWindow::defense, "defense", rect(1680, 1680, 2415, 255)},
        {&MonsterWindow::lblmdef, "lblmdef", "Mage Defense:", rect(120, 1920, 1335, 255),
         &MonsterWindow::mdefense, "mdefense", rect(1440, 1920, 2655, 255)},
        {&MonsterWindow::attacklabel, "attacklabel", "Hostile:", rect(120, 2160, 735, 255),
         &MonsterWindow::attack, "attack", rect(960, 2160, 3135, 240)},
        {&MonsterWindow::undeadlabel, "undeadlabel", "Undead:", rect(120, 2400, 855, 255),
         &MonsterWindow::undead, "undead", rect(960, 2400, 3135, 255)},
        {&MonsterWindow::treasurelabel, "treasurelabel", "Treasure:", rect(120, 2640, 855, 1095),
         &MonsterWindow::treasure, "treasure", rect(960, 2640, 3135, 1095)},
        {&MonsterWindow::arealabel, "arealabel", "Areas Found:", rect(120, 3720, 1215, 615),
         &MonsterWindow::area, "area", rect(1320, 3720, 2775, 855)},
        {&MonsterWindow::descriptionlabel, "descriptionlabel",
         "Description/Information:", rect(120, 4560, 3855, 255), &MonsterWindow::description,
         "description", rect(120, 4800, 3975, 1695)},
    };
    const QFont captionFont = platform::dialogFont(platform::Bold);
    for (const Row &row : rows) {
        auto *caption =
            new platform::ClickLabel(QString::fromLatin1(row.captionText), monsterframe);
        place(caption, row.captionName, row.captionRect);
        caption->setFont(captionFont);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        this->*row.caption = caption;

        auto *value = new platform::ClickLabel(monsterframe);
        place(value, row.valueName, row.valueRect);
        value->setTextFormat(Qt::PlainText); // data text is never markup
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        nameAfter(value, caption);
        this->*row.value = value;
    }

    display = new QLabel(monsterframe);
    place(display, "display", rect(3075, 120, 1095, 1095));
    display->setScaledContents(true);
    display->setAccessibleName(QStringLiteral("Monster Picture"));

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

    mnuControls = menuBar()->addMenu(QStringLiteral("&Controls"));
    mnuControls->setObjectName(QStringLiteral("mnuControls"));
    mnuSearch =
        action(QStringLiteral("&Search..."), "mnuSearch", QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuOptions =
        action(QStringLiteral("&Options..."), "mnuOptions", QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuUpdate = action(QStringLiteral("Check for &Updates Now"), "mnuUpdate",
                       QKeySequence(Qt::CTRL | Qt::Key_U));
    mnuReport = action(QStringLiteral("&Feedback Form..."), "mnuReport",
                       QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuControls->addActions({mnuSearch, mnuOptions, mnuUpdate, mnuReport});

    about = action(QStringLiteral("&About..."), "about");
    mnuExit = action(QStringLiteral("&Exit"), "mnuExit");
    menuBar()->addAction(about);
    menuBar()->addAction(mnuExit);

    // There is no search window.
    mnuSearch->setEnabled(false);

    connect(mnuOptions, &QAction::triggered, this, &MonsterWindow::mnuOptions_Click);
    connect(mnuReport, &QAction::triggered, this, &MonsterWindow::mnuReport_Click);
    connect(about, &QAction::triggered, this, &MonsterWindow::about_Click);
    connect(mnuUpdate, &QAction::triggered, this, &MonsterWindow::mnuUpdate_Click);
    connect(mnuExit, &QAction::triggered, this, &MonsterWindow::mnuExit_Click);
}

void MonsterWindow::connectCopyTriggers()
{
    using platform::ClickLabel;
    const auto dbl = &ClickLabel::doubleClicked;
    connect(namea, dbl, this, &MonsterWindow::namea_DblClick);
    connect(namelabel, dbl, this, &MonsterWindow::namelabel_DblClick);
    connect(hp, &ClickLabel::clicked, this, &MonsterWindow::hp_Click);
    connect(hplabel, dbl, this, &MonsterWindow::hplabel_DblClick);
    connect(level, dbl, this, &MonsterWindow::level_DblClick);
    connect(levellabel, dbl, this, &MonsterWindow::levellabel_DblClick);
    connect(experience, dbl, this, &MonsterWindow::experience_DblClick);
    connect(explabel, dbl, this, &MonsterWindow::explabel_DblClick);
    connect(jobexp, dbl, this, &MonsterWindow::jobexp_DblClick);
    connect(lbljobexp, dbl, this, &MonsterWindow::lbljobexp_DblClick);
    connect(size_, dbl, this, &MonsterWindow::size_DblClick);
    connect(lblsize, dbl, this, &MonsterWindow::lblsize_DblClick);
    connect(defense, dbl, this, &MonsterWindow::defense_DblClick);
    connect(lbldef, dbl, this, &MonsterWindow::lbldef_DblClick);
    connect(mdefense, dbl, this, &MonsterWindow::mdefense_DblClick);
    connect(lblmdef, dbl, this, &MonsterWindow::lblmdef_DblClick);
    connect(attack, dbl, this, &MonsterWindow::attack_DblClick);
    connect(attacklabel, dbl, this, &MonsterWindow::attacklabel_DblClick);
    connect(undead, dbl, this, &MonsterWindow::undead_DblClick);
    connect(undeadlabel, dbl, this, &MonsterWindow::undeadlabel_DblClick);
    connect(treasure, dbl, this, &MonsterWindow::treasure_DblClick);
    connect(treasurelabel, dbl, this, &MonsterWindow::treasurelabel_DblClick);
    connect(area, dbl, this, &MonsterWindow::area_DblClick);
    connect(arealabel, dbl, this, &MonsterWindow::arealabel_DblClick);
    connect(description, dbl, this, &MonsterWindow::description_DblClick);
    connect(descriptionlabel, dbl, this, &MonsterWindow::descriptionlabel_DblClick);
}

void MonsterWindow::Form_Load()
{
    using namespace settingkeys;
    SettingsStore &store = *m_context.store;
    const QString top = store.get(kPlacement, kMainTop);
    if (!top.isEmpty()) {
        QList<QRect> screens;
        for (const QScreen *screen : QGuiApplication::screens())
            screens.append(screen->availableGeometry());
        const std::optional<QPoint> position = placement::restoredPosition(
            top, store.get(kPlacement, kMainLeft), pos(), frameGeometry().size(), screens);
        if (position)
            move(*position);
    }

    const QString path = m_context.dataFolder.databaseFile();
    QString error;
    m_table = MonsterTable::loadFile(path, &error);
    if (!error.isEmpty()) {
        platform::showMessage(nullptr, windowTitle(),
                              QStringLiteral("The monster database %1 cannot be read: %2")
                                  .arg(QDir::toNativeSeparators(path), error),
                              platform::Buttons::Ok);
    }
    monstername->addItems(m_table.listTexts());

    Timer1->start();
}

void MonsterWindow::closeEvent(QCloseEvent *event)
{
    // While the About window or the feedback form is open this window takes no input,
    // its close box included.
    if (!isEnabled() && event->spontaneous()) {
        event->ignore();
        return;
    }
    // The check is waiting on this window's transfer: end that first, close after.
    if (m_checking) {
        m_closeAfterCheck = true;
        Inet1->abort();
        event->ignore();
        return;
    }
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void MonsterWindow::Form_Unload()
{
    // Keep the last moves too, not only those up to the last timer tick.
    if (switchIsOn(m_context.store->get(settingkeys::kSettings, settingkeys::kSavePosition)))
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
    fillDefaultSwitches(*m_context.store);
    if (switchIsOn(m_context.store->get(settingkeys::kSettings, settingkeys::kSavePosition)))
        SavePosition();
}

void MonsterWindow::SavePosition()
{
    // A minimized window may report a position off every screen.
    if (isMinimized())
        return;
    SettingsStore &store = *m_context.store;
    store.save(settingkeys::kPlacement, settingkeys::kMainTop, placement::edgeText(pos().y()));
    store.save(settingkeys::kPlacement, settingkeys::kMainLeft, placement::edgeText(pos().x()));
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
    monsterframe->setTitle(QString(listText).replace(QChar(u'&'), QStringLiteral("&&")));

    // With nothing selected the last monster shown stays on screen.
    const int row = item ? monstername->row(item) : -1;
    if (row >= 0 && row < m_table.size()) {
        const RecordView view = viewOf(m_table.row(row), m_context.dataFolder);
        auto show = [&view](platform::ClickLabel *label, MonsterRecord::Field field) {
            label->setText(linebreaks::toLf(view.text[field]));
            // Its name is the caption's, so the value reaches screen readers this way.
            label->setAccessibleDescription(label->text());
        };
        show(namea, MonsterRecord::Name);
        show(hp, MonsterRecord::Hp);
        show(level, MonsterRecord::Level);
        show(experience, MonsterRecord::Experience);
        show(treasure, MonsterRecord::Treasure);
        show(area, MonsterRecord::Area);
        show(description, MonsterRecord::Description);
        show(attack, MonsterRecord::Attack);
        show(undead, MonsterRecord::Undead);
        // A missing or unreadable picture shows none; the labels after it are still set.
        QPixmap picture;
        if (!view.picturePath.isEmpty())
            picture.load(view.picturePath);
        display->setPixmap(picture);
        show(jobexp, MonsterRecord::JobExp);
        show(size_, MonsterRecord::Size);
        show(defense, MonsterRecord::Defense);
        show(mdefense, MonsterRecord::MDefense);
    }
    LoadNote();
}

void MonsterWindow::LoadNote()
{
    const QString key = linebreaks::toCrLf(namea->text());
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
    m_notes.save(linebreaks::toCrLf(namea->text()), notes->toPlainText());
}

void MonsterWindow::mnuOptions_Click()
{
    OptionsWindow::showWindow(m_context);
}

void MonsterWindow::mnuReport_Click()
{
    ReportWindow::showWindow(m_context);
    setEnabled(false);
}

void MonsterWindow::about_Click()
{
    AboutWindow::showWindow(m_context);
    setEnabled(false);
}

void MonsterWindow::mnuUpdate_Click()
{
    // One check at a time on the one transfer control.
    mnuUpdate->setEnabled(false);
    m_checking = true;
    const updatecheck::Outcome outcome = updatecheck::run(
        updatecheck::Mode::Manual, true, true, checkUrls(m_context.endpoints),
        windowCheckHooks(*Inet1, m_context, this, [this] { return m_closeAfterCheck; }));
    m_checking = false;
    mnuUpdate->setEnabled(true);

    if (m_closeAfterCheck) {
        close();
        return;
    }
    if (outcome.openDownloader) {
        UpdateWindow::showWindow(m_context);
        setEnabled(false);
        hide();
        close();
        return;
    }
    if (!outcome.updatesFound)
        platform::showMessage(this, updatecheck::noUpdatesTitle(), updatecheck::noUpdatesPrompt(),
                              platform::Buttons::OkCancel);
}

void MonsterWindow::mnuExit_Click()
{
    close();
}

void MonsterWindow::CopyValue(const QLabel *valueLabel)
{
    platform::copyText(linebreaks::toCrLf(valueLabel->text()));
}

void MonsterWindow::namea_DblClick()
{
    CopyValue(namea);
}
void MonsterWindow::namelabel_DblClick()
{
    CopyValue(namea);
}
void MonsterWindow::hp_Click()
{
    CopyValue(hp);
}
void MonsterWindow::hplabel_DblClick()
{
    CopyValue(hp);
}
void MonsterWindow::level_DblClick()
{
    CopyValue(level);
}
void MonsterWindow::levellabel_DblClick()
{
    CopyValue(level);
}
void MonsterWindow::experience_DblClick()
{
    CopyValue(experience);
}
void MonsterWindow::explabel_DblClick()
{
    CopyValue(experience);
}
void MonsterWindow::jobexp_DblClick()
{
    CopyValue(jobexp);
}
void MonsterWindow::lbljobexp_DblClick()
{
    CopyValue(jobexp);
}
void MonsterWindow::size_DblClick()
{
    CopyValue(size_);
}
void MonsterWindow::lblsize_DblClick()
{
    CopyValue(size_);
}
void MonsterWindow::defense_DblClick()
{
    CopyValue(defense);
}
void MonsterWindow::lbldef_DblClick()
{
    CopyValue(defense);
}
void MonsterWindow::mdefense_DblClick()
{
    CopyValue(mdefense);
}
void MonsterWindow::lblmdef_DblClick()
{
    CopyValue(mdefense);
}
void MonsterWindow::attack_DblClick()
{
    CopyValue(attack);
}
void MonsterWindow::attacklabel_DblClick()
{
    CopyValue(attack);
}
void MonsterWindow::undead_DblClick()
{
    CopyValue(undead);
}
void MonsterWindow::undeadlabel_DblClick()
{
    CopyValue(undead);
}
void MonsterWindow::treasure_DblClick()
{
    CopyValue(treasure);
}
void MonsterWindow::treasurelabel_DblClick()
{
    CopyValue(treasure);
}
void MonsterWindow::area_DblClick()
{
    CopyValue(area);
}
void MonsterWindow::arealabel_DblClick()
{
    CopyValue(area);
}
void MonsterWindow::description_DblClick()
{
    CopyValue(description);
}
void MonsterWindow::descriptionlabel_DblClick()
{
    CopyValue(description);
}
