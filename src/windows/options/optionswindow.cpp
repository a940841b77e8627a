#include "optionswindow.h"

#include "fonts.h"
#include "placedlayout.h"
#include "settingsstore.h"
#include "switches.h"
#include "twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

namespace {

Qt::CheckState checkState(int boxState)
{
    return boxState == 1 ? Qt::Checked : boxState == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int boxState(Qt::CheckState state)
{
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

} // namespace

OptionsWindow::OptionsWindow(SettingsStore &store, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_store(store)
{
    using twips::rect;
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Options"));
    setFont(platform::dialogFont());
    setFixedSize(twips::toPixels(4095), twips::toPixels(2535));
    auto *layout = new platform::PlacedLayout(this, size());

    auto frame = [this, layout](const char *name, const QString &title, QRect geometry) {
        auto *box = new QGroupBox(title, this);
        layout->place(box, name, geometry);
        new platform::PlacedLayout(box, geometry.size());
        return box;
    };
    auto check = [](QGroupBox *frame, const char *name, const QString &caption, QRect geometry) {
        auto *box = new QCheckBox(caption, frame);
        static_cast<platform::PlacedLayout *>(frame->layout())->place(box, name, geometry);
        // A box loaded in the third state leaves it for good once the user clicks it.
        QObject::connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
        return box;
    };

    Frame1 = frame("Frame1", QStringLiteral("General"), rect(120, 120, 3855, 1095));
    progupdates =
        check(Frame1, "progupdates", QStringLiteral("Check for program updates on startup."),
              rect(120, 240, 3135, 255));
    dbupdates =
        check(Frame1, "dbupdates", QStringLiteral("Propmt before downloading database updates."),
              rect(120, 480, 3615, 255));
    saveposition =
        check(Frame1, "saveposition", QStringLiteral("Save program and search window positions."),
              rect(120, 720, 3615, 255));
    Frame2 = frame("Frame2", QStringLiteral("Search"), rect(120, 1200, 3855, 855));
    searcha = check(Frame2, "searcha", QStringLiteral("Update search results on field change."),
                    rect(120, 240, 3495, 255));
    unavailable = check(Frame2, "unavailable",
                        QStringLiteral("Include \"Data Unavailable\" values in results."),
                        rect(120, 480, 3615, 255));

    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    layout->place(cancel, "cancel", rect(120, 2160, 975, 255));
    done = new QPushButton(QStringLiteral("Save Settings"), this);
    layout->place(done, "done", rect(2160, 2160, 1815, 255));
    // Enter presses the focused button, as in any dialog.
    cancel->setAutoDefault(true);
    done->setAutoDefault(true);
    connect(cancel, &QPushButton::clicked, this, &OptionsWindow::cancel_Click);
    connect(done, &QPushButton::clicked, this, &OptionsWindow::done_Click);

    setTabOrder(progupdates, dbupdates);
    setTabOrder(dbupdates, saveposition);
    setTabOrder(saveposition, done);
    setTabOrder(done, cancel);
    setTabOrder(cancel, searcha);
    setTabOrder(searcha, unavailable);
    Form_Load();
}

// Each box with its key, in the order in which they are loaded and saved; "searcha" keeps
// the key "search".
std::array<std::pair<QCheckBox *, QString>, 5> OptionsWindow::switchBoxes() const
{
    using namespace settingkeys;
    return {{{progupdates, kProgUpdates},
             {dbupdates, kDbUpdates},
             {saveposition, kSavePosition},
             {searcha, kSearch},
             {unavailable, kUnavailable}}};
}

void OptionsWindow::Form_Load()
{
    SettingsStore &store = m_store;
    fillDefaultSwitches(store);
    for (const auto &[box, key] : switchBoxes()) {
        const int state = ::boxState(store.get(settingkeys::kSettings, key));
        box->setTristate(state == 2);
        box->setCheckState(checkState(state));
    }
}

void OptionsWindow::done_Click()
{
    SettingsStore &store = m_store;
    for (const auto &[box, key] : switchBoxes())
        store.save(settingkeys::kSettings, key, QString::number(boxState(box->checkState())));
    close();
    emit saved();
}

void OptionsWindow::cancel_Click()
{
    close();
    emit cancelled();
}

void OptionsWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}
