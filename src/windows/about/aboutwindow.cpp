#include "aboutwindow.h"

#include "appinfo.h"
#include "browser.h"
#include "clicklabel.h"
#include "colours.h"
#include "fonts.h"
#include "placedlayout.h"
#include "sysinfo.h"
#include "twips.h"
#include "versionfile.h"

#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// A label of the window: its caption, place, and the page it opens when it is a link.
struct LabelLayout
{
    const char *name;
    const char *text;
    QRect geometry;
    int style = platform::Regular;
    QString Endpoints::*link = nullptr;
};

} // namespace

AboutWindow::AboutWindow(const Endpoints &endpoints, const DataFolder &folder, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_endpoints(endpoints)
    , m_folder(folder)
{
    using twips::rect;
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(platform::dialogFont());
    // Its own place on the screen, given for the client area.
    setGeometry(QRect(QPoint(twips::toPixels(2340), twips::toPixels(1815)),
                      QSize(twips::toPixels(6975), twips::toPixels(5175))));
    setFixedSize(size());
    auto *layout = new platform::PlacedLayout(this, size());

    const int bold = platform::Bold;
    const LabelLayout labels[] = {
        {"lblTitle", "", rect(120, 120, 5445, 240), bold},
        {"lblVersion", "Version", rect(120, 360, 5445, 225)},
        {"dbverlabel", "", rect(120, 600, 5415, 255)},
        {"datecompile", "Released on 3/19/2002", rect(120, 840, 5445, 210)},
        {"lblDisclaimer", "Special Thanks To:", rect(120, 1200, 2175, 315), bold},
        {"Label1", "Players:", rect(240, 1440, 735, 255), bold},
        {"Label2", "Tamsin Oakheart, Brannoc Vey, Lirael Dunmore, Pip Whistlecombe",
         rect(360, 1680, 3015, 495)},
        {"Label3", "Resources:", rect(240, 2160, 2295, 255), bold},
        {"Label22", "www.norvalen-lore.example", rect(360, 2356, 3015, 255), 0,
         &Endpoints::resourcePageUrl},
        {"oldsite", "oldhost.example/~quillmoor (Inactive)", rect(360, 2519, 2655, 195)},
        {"monlist", "www.quillmoor.example/monster/list.txt", rect(360, 2716, 2895, 195), 0,
         &Endpoints::monsterListUrl},
        {"Label4", "Partners:", rect(240, 2923, 1575, 255), bold},
        {"partner1", "www.greymarch-guild.example", rect(360, 3120, 2535, 195), 0,
         &Endpoints::partnerSiteUrl1},
        {"Label20", "www.norvalen-atlas.example", rect(360, 3300, 2535, 195), 0,
         &Endpoints::partnerSiteUrl2},
        {"Label5", "Credits:", rect(120, 3600, 975, 255), bold},
        {"Label6", "Development:", rect(240, 3840, 1215, 255), bold},
        {"Label7", "Edwin Marrow", rect(360, 4080, 2145, 255)},
        {"Label9", "Sabine Holt (monster pictures)", rect(360, 4320, 2895, 255)},
        {"Label8", "Programming:", rect(240, 4560, 1215, 255), bold},
        {"Label11", "Edwin Marrow", rect(360, 4800, 2145, 255)},
        {"Label10", "Contact:", rect(3600, 1200, 2295, 255), bold},
        {"Label12", "Edwin Marrow", rect(3720, 1440, 2655, 255), bold},
        {"Label14", "E-mail: edwin@quillmoor.example", rect(3840, 1680, 3015, 255)},
        {"Label15", "ICQ#: 40512377", rect(3840, 1920, 3015, 255)},
        {"Label13", "AOL Instant Messenger: QuillmoorEd", rect(3840, 2160, 3015, 255)},
        {"Label16", "Yahoo! Messenger: quillmoor_ed", rect(3840, 2400, 3015, 255)},
        {"Label17", "MSN Messenger: edwin@quillmoor.example", rect(3840, 2640, 3015, 255)},
        {"Label18", "New Versions/Updates:", rect(3600, 2880, 3255, 255), bold},
        {"Label19",
         "For the latest versions of the Monster Database, goto:", rect(3840, 3120, 3015, 495)},
        {"progpage", "www.quillmoor.example/monster", rect(3840, 3600, 2775, 195), 0,
         &Endpoints::programPageUrl},
        {"mirror1", "www.greymarch-guild.example", rect(3840, 3795, 2775, 195), 0,
         &Endpoints::partnerSiteUrl1},
        {"mirror2", "www.tavernboard.example", rect(3840, 3975, 2775, 195), 0,
         &Endpoints::partnerSiteUrl3},
        {"Label21", "www.norvalen-atlas.example", rect(3840, 4144, 2535, 195), 0,
         &Endpoints::partnerSiteUrl2},
        {"mirror3", "www.wyrmwatch.example", rect(3840, 4320, 2535, 194), 0,
         &Endpoints::partnerSiteUrl4},
        {"gotosite", "Goto Quillmoor Soft's Website", rect(3960, 4560, 2535, 255), 0,
         &Endpoints::makerSiteUrl},
        {"Label23", "#quillmoor on irc.quillmoor.example", rect(3600, 4800, 3255, 255), 0,
         &Endpoints::ircChannelUrl},
    };
    for (const LabelLayout &entry : labels) {
        auto *label = new platform::ClickLabel(QString::fromUtf8(entry.text), this);
        layout->place(label, entry.name, entry.geometry);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(entry.geometry.height() > 20);
        if (entry.style != platform::Regular)
            label->setFont(platform::dialogFont(entry.style));
        if (entry.link) {
            const QString url = endpoints.*entry.link;
            label->setCursor(Qt::PointingHandCursor);
            label->setToolTip(url);
            connect(label, &platform::ClickLabel::clicked, this, [this, url] { OpenLink(url); });
        }
    }
    // These two look like links: the desktop's link colour, underlined.
    for (const char *name : {"gotosite", "Label23"}) {
        auto *link = findChild<QLabel *>(QString::fromLatin1(name));
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        platform::keepTextColour(link, QPalette::Link);
    }
    lblTitle = findChild<QLabel *>(QStringLiteral("lblTitle"));
    lblVersion = findChild<QLabel *>(QStringLiteral("lblVersion"));
    dbverlabel = findChild<QLabel *>(QStringLiteral("dbverlabel"));

    // Etched rules: under the title block, and between the two columns.
    auto rule = [this, layout](const char *name, QRect geometry, QFrame::Shape shape) {
        auto *line = new QFrame(this);
        line->setFrameShape(shape);
        line->setFrameShadow(QFrame::Sunken);
        layout->place(line, name, geometry);
    };
    rule("Line1",
         QRect(twips::toPixels(120), twips::toPixels(1080) - 1, twips::toPixels(6840 - 120), 3),
         QFrame::HLine);
    rule("Line2",
         QRect(twips::toPixels(3480) - 1, twips::toPixels(1320), 3, twips::toPixels(5040 - 1320)),
         QFrame::VLine);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    layout->place(cmdOK, "cmdOK", rect(5640, 120, 1260, 345));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &AboutWindow::cmdOK_Click);
    Form_Load();
}

QString AboutWindow::versionText()
{
    return QStringLiteral("Progam Version v.%1.%2 Build #%3 Beta")
        .arg(appinfo::kVersionMajor)
        .arg(appinfo::kVersionMinor)
        .arg(appinfo::kVersionRevision);
}

void AboutWindow::Form_Load()
{
    setWindowTitle(appinfo::title());
    lblVersion->setText(versionText());
    lblTitle->setText(appinfo::title());
    // A missing version file leaves the version empty; the window still opens.
    const QString version =
        versionfile::readLocalVersion(m_folder.versionFile()).value_or(QString());
    dbverlabel->setText(QStringLiteral("Database Version v.") + version);
}

void AboutWindow::OpenLink(const QString &url)
{
    platform::openPage(m_endpoints.browserPath, url, this);
}

void AboutWindow::cmdOK_Click()
{
    close();
}

void AboutWindow::keyPressEvent(QKeyEvent *event)
{
    // OK is both the default and the cancel button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        cmdOK_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AboutWindow::StartSysInfo()
{
    sysinfo::StartSysInfo(this);
}

bool AboutWindow::GetKeyValue(platform::registry::HKEY root, const QString &keyName,
                              const QString &valueName, QString &value)
{
    return sysinfo::GetKeyValue(root, keyName, valueName, value);
}
