// nvgen: writes the sample data folder from tools/monsters.txt, large databases for
// benchmarks, and the two pictures of the start-up splash window. Everything it writes is
// deterministic, so regenerated files only show up in a diff when their source changed.
//
//   nvgen sample <monsters.txt> <outdir>
//   nvgen large <count> <out.nmd>
//   nvgen splash <outdir>

#include "gifwriter.h"
#include "monstertable.h"
#include "windows1252.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// Exactly nine characters: the version checks compare the first nine.
const QString kDatabaseVersion = QStringLiteral("2026.1206");
const QString kUpdateUrlBase = QStringLiteral("https://www.quillmoor.example/monster/data/");
const QString kFileVersion = QStringLiteral("3");
constexpr int kIconSize = 64;
constexpr int kPictureSize = 73; // odd on purpose: BMP rows then need padding
constexpr int kJpegQuality = 88;

struct Failure
{
    QString message;
};

[[noreturn]] void fail(const QString &message)
{
    throw Failure{message};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

// --- Reading the record source -------------------------------------------------------------

struct Source
{
    std::vector<QStringList> records;
    QStringList missingPictures;
};

// Refuses what the data file cannot carry, so a typo in monsters.txt fails the generator
// instead of silently producing a broken or shifted record.
void checkRecord(const QString &line, const QStringList &fields, const QString &place)
{
    const auto reject = [&place](const QString &what) {
        fail(QStringLiteral("%1: %2").arg(place, what));
    };
    if (fields.size() != MonsterRecord::FieldCount)
        reject(QStringLiteral("%1 fields, expected %2")
                   .arg(fields.size())
                   .arg(int(MonsterRecord::FieldCount)));
    for (const QChar ch : line) {
        if (ch == u',' || ch == u'"')
            reject(QStringLiteral("real comma or double quote; write \u00a1 for a comma"));
    }
    if (windows1252::decode(windows1252::encode(line)) != line)
        reject(QStringLiteral("character outside Windows-1252"));
    const QString name = fields[MonsterRecord::Name];
    if (name.isEmpty() || name.front().isSpace())
        reject(QStringLiteral("the name is empty or starts with a blank"));
}

Source readSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const QString fileName = QFileInfo(path).fileName();
    Source source;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(u"#!missing ")) {
            source.missingPictures.append(line.mid(10).trimmed());
            continue;
        }
        if (line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'|');
        checkRecord(line, fields, QStringLiteral("%1 line %2").arg(fileName).arg(i + 1));
        source.records.push_back(fields);
    }
    if (source.records.empty())
        fail(QStringLiteral("%1 holds no records").arg(path));
    return source;
}

// --- The data file ---------------------------------------------------------------------------

// CR LF after every record, then one more: the file ends with an empty line.
QByteArray databaseBytes(const std::vector<QStringList> &records)
{
    QByteArray out;
    for (const QStringList &fields : records) {
        out.append(windows1252::encode(fields.join(u'|')));
        out.append("\r\n");
    }
    out.append("\r\n");
    return out;
}

// Reads the bytes back with the viewer's own parser, so the sample is known to load.
void checkDatabase(const QByteArray &bytes, const std::vector<QStringList> &records)
{
    const MonsterTable table = MonsterTable::parse(bytes);
    if (table.size() != qsizetype(records.size()))
        fail(QStringLiteral("the data file parses into %1 records, expected %2")
                 .arg(table.size())
                 .arg(records.size()));
    for (qsizetype r = 0; r < table.size(); ++r) {
        for (int f = 0; f < MonsterRecord::FieldCount; ++f) {
            if (table.row(r).field(f) != records[std::size_t(r)][f])
                fail(QStringLiteral("record %1 field %2 does not read back").arg(r + 1).arg(f));
        }
    }
}

// --- Pictures --------------------------------------------------------------------------------

quint32 fnv1a(const QString &text)
{
    quint32 h = 2166136261u;
    for (const char c : text.toUtf8()) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return h;
}

// A small fixed random sequence, so a picture depends only on its monster.
class Dice
{
public:
    explicit Dice(quint32 seed)
        : m_state(seed ? seed : 0x9e3779b9u)
    {}

    quint32 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    int range(int lo, int hi) { return lo + int(next() % quint32(hi - lo + 1)); }
    bool chance(int percent) { return range(0, 99) < percent; }

private:
    quint32 m_state;
};

enum class Kind { Blob, Bat, Crab, Ghost, Beast, Bird, Serpent, Hulk, Shroom, Bug };

// The name says what a monster looks like; names without a telling word get a shape from
// their hash.
Kind kindOf(const QString &lowerName, Dice &dice)
{
    struct Hint
    {
        const char16_t *word;
        Kind kind;
    };
    static constexpr Hint hints[] = {
        {u"bat", Kind::Bat},         {u"crab", Kind::Crab},       {u"scuttler", Kind::Crab},
        {u"wisp", Kind::Ghost},      {u"shade", Kind::Ghost},     {u"wraith", Kind::Ghost},
        {u"chorister", Kind::Ghost}, {u"warden", Kind::Ghost},    {u"lamplighter", Kind::Ghost},
        {u"squire", Kind::Ghost},    {u"slime", Kind::Blob},      {u"jelly", Kind::Blob},
        {u"snail", Kind::Blob},      {u"bogling", Kind::Blob},    {u"fox", Kind::Beast},
        {u"hound", Kind::Beast},     {u"boar", Kind::Beast},      {u"rat", Kind::Beast},
        {u"toad", Kind::Beast},      {u"imp", Kind::Beast},       {u"goblin", Kind::Beast},
        {u"gull", Kind::Bird},       {u"hawk", Kind::Bird},       {u"owl", Kind::Bird},
        {u"œrn", Kind::Bird},        {u"eel", Kind::Serpent},     {u"serpent", Kind::Serpent},
        {u"wyrm", Kind::Serpent},    {u"drake", Kind::Serpent},   {u"ogre", Kind::Hulk},
        {u"troll", Kind::Hulk},      {u"golem", Kind::Hulk},      {u"knight", Kind::Hulk},
        {u"cap", Kind::Shroom},      {u"mushroom", Kind::Shroom}, {u"thorn", Kind::Shroom},
        {u"sprite", Kind::Ghost},    {u"beetle", Kind::Bug},      {u"spider", Kind::Bug},
        {u"mite", Kind::Bug},        {u"tick", Kind::Bug},        {u"moth", Kind::Bug},
        {u"tortoise", Kind::Bug},
    };
    for (const Hint &hint : hints) {
        if (lowerName.contains(QStringView(hint.word)))
            return hint.kind;
    }
    return Kind(dice.range(0, int(Kind::Bug)));
}

struct Look
{
    Kind kind;
    QString name; // lower case
    QColor body;
    QColor belly;
    QColor accent;
    QColor outline;
    QColor backInner;
    QColor backOuter;
    int mouth;
    QPointF gaze;
};

bool has(const Look &look, const char16_t *word)
{
    return look.name.contains(QStringView(word));
}

Look lookOf(const QStringList &record, quint32 seed)
{
    Dice dice(seed);
    Look look;
    look.name = record[MonsterRecord::Name].toLower();
    look.kind = kindOf(look.name, dice);

    int hue = dice.range(0, 359);
    int sat = dice.range(110, 190);
    const int val = dice.range(200, 240);
    // A few words pin the colour, so an ember imp is never blue.
    struct Tint
    {
        const char16_t *word;
        int hue;
    };
    static constexpr Tint tints[] = {
        {u"ember", 8},    {u"cinder", 2},  {u"rust", 22},   {u"fox", 24},    {u"copper", 28},
        {u"gold", 46},    {u"clock", 40},  {u"sand", 42},   {u"dune", 40},   {u"bog", 95},
        {u"ogre", 80},    {u"moss", 100},  {u"marsh", 265}, {u"thorn", 120}, {u"reed", 110},
        {u"frost", 200},  {u"storm", 215}, {u"brine", 185}, {u"gloom", 225}, {u"tick", 355},
        {u"bramble", 20}, {u"salt", 205},  {u"ash", 30},    {u"hearth", 25}, {u"žarn", 150},
        {u"crab", 8},
    };
    for (const Tint &tint : tints) {
        if (look.name.contains(QStringView(tint.word))) {
            hue = (tint.hue + dice.range(-6, 6) + 360) % 360;
            break;
        }
    }
    if (has(look, u"ash") || has(look, u"shade") || has(look, u"golem") || has(look, u"iron"))
        sat = dice.range(20, 50);
    if (record[MonsterRecord::Undead] == u"Yes") {
        // The undead all share a cold, washed-out look.
        hue = dice.range(150, 290);
        sat = dice.range(25, 70);
    }

    look.body = QColor::fromHsv(hue, sat, val);
    look.belly = QColor::fromHsv(hue, sat / 3, 250);
    look.accent =
        QColor::fromHsv((hue + dice.range(20, 60)) % 360, std::min(255, sat + 40), val - 40);
    look.outline = QColor::fromHsv(hue, std::min(255, sat + 50), 80);
    const int backHue = (hue + 180 + dice.range(-30, 30) + 360) % 360;
    look.backInner = QColor::fromHsv(backHue, 35, 252);
    look.backOuter = QColor::fromHsv(backHue, 80, 225);
    look.mouth = dice.range(0, 3);
    look.gaze = QPointF(dice.range(-10, 10) / 10.0, dice.range(-5, 10) / 10.0);
    return look;
}

void setOutlined(QPainter &p, const Look &look, const QColor &fill, qreal width = 2.4)
{
    p.setPen(QPen(look.outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
}

void drawEye(QPainter &p, const Look &look, QPointF c, qreal r)
{
    setOutlined(p, look, Qt::white, 1.6);
    p.drawEllipse(c, r, r * 1.1);
    const QPointF pupil = c + look.gaze * r * 0.3;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(35, 30, 45));
    p.drawEllipse(pupil, r * 0.55, r * 0.62);
    p.setBrush(Qt::white);
    p.drawEllipse(pupil + QPointF(-r * 0.2, -r * 0.25), r * 0.2, r * 0.2);
}

void drawMouth(QPainter &p, const Look &look, QPointF c, qreal w)
{
    p.setPen(QPen(look.outline, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath smile;
    smile.moveTo(c.x() - w / 2, c.y());
    smile.quadTo(c.x(), c.y() + w * 0.5, c.x() + w / 2, c.y());
    switch (look.mouth) {
    case 0:
        p.drawPath(smile);
        break;
    case 1:
        p.setBrush(QColor(150, 40, 60));
        p.drawEllipse(c + QPointF(0, w * 0.1), w * 0.18, w * 0.22);
        break;
    case 2: {
        p.drawPath(smile);
        QPolygonF fang;
        fang << QPointF(c.x() + w * 0.12, c.y() + w * 0.2)
             << QPointF(c.x() + w * 0.32, c.y() + w * 0.13)
             << QPointF(c.x() + w * 0.24, c.y() + w * 0.42);
        setOutlined(p, look, Qt::white, 1.2);
        p.drawPolygon(fang);
        break;
    }
    default: {
        QPainterPath cat;
        cat.moveTo(c.x() - w / 2, c.y());
        cat.quadTo(c.x() - w / 4, c.y() + w * 0.35, c.x(), c.y());
        cat.quadTo(c.x() + w / 4, c.y() + w * 0.35, c.x() + w / 2, c.y());
        p.drawPath(cat);
        break;
    }
    }
}

void drawCheeks(QPainter &p, QPointF left, QPointF right, qreal r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 110, 130, 90));
    p.drawEllipse(left, r, r * 0.6);
    p.drawEllipse(right, r, r * 0.6);
}

// A standard two-eyed face; `spread` is the distance from the centre line to each eye.
void drawFace(QPainter &p, const Look &look, QPointF eyes, qreal spread, qreal eyeRadius,
              qreal mouthBelow)
{
    drawEye(p, look, eyes - QPointF(spread, 0), eyeRadius);
    drawEye(p, look, eyes + QPointF(spread, 0), eyeRadius);
    drawCheeks(p, eyes + QPointF(-spread - eyeRadius * 0.6, eyeRadius * 1.9),
               eyes + QPointF(spread + eyeRadius * 0.6, eyeRadius * 1.9), eyeRadius * 0.8);
    drawMouth(p, look, eyes + QPointF(0, mouthBelow), spread * 1.1);
}

QPointF mirror(QPointF pt, int side)
{
    return QPointF(50 + side * (pt.x() - 50), pt.y());
}

void drawBlob(QPainter &p, const Look &look, Dice &dice)
{
    const bool snail = has(look, u"snail");
    if (snail) {
        setOutlined(p, look, look.accent);
        p.drawEllipse(QPointF(62, 50), 22, 22);
        QPainterPath spiral;
        spiral.moveTo(62, 50);
        for (int i = 1; i <= 40; ++i) {
            const qreal a = i * 0.45;
            spiral.lineTo(62 + std::cos(a) * i * 0.45, 50 + std::sin(a) * i * 0.45);
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(spiral);
    }
    const qreal left = snail ? 12 : 16;
    const qreal right = snail ? 58 : 84;
    const qreal top = snail ? 40 : 24 + dice.range(0, 6);
    QPainterPath body;
    body.moveTo(left, 84);
    body.cubicTo(left - 2, top + 14, left + 12, top, (left + right) / 2, top);
    body.cubicTo(right - 12, top, right + 2, top + 14, right, 84);
    body.quadTo((left + right) / 2, 90, left, 84);
    QLinearGradient shade(0, top, 0, 88);
    shade.setColorAt(0, look.body.lighter(118));
    shade.setColorAt(1, look.body.darker(112));
    setOutlined(p, look, look.body);
    p.setBrush(shade);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(left + 14, top + 14), 7, 4);
    if (snail) {
        p.setPen(QPen(look.outline, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(26, 44), QPointF(22, 30));
        p.drawLine(QPointF(38, 44), QPointF(42, 30));
        drawEye(p, look, QPointF(22, 28), 5);
        drawEye(p, look, QPointF(42, 28), 5);
        drawMouth(p, look, QPointF(32, 64), 10);
        return;
    }
    drawFace(p, look, QPointF(50, top + 26), 11, 7, 15);
}

void drawBat(QPainter &p, const Look &look, Dice &dice)
{
    const qreal tip = 30 + dice.range(0, 8);
    for (const int side : {-1, 1}) {
        QPainterPath wing;
        wing.moveTo(mirror({62, 50}, side));
        wing.lineTo(mirror({95, tip}, side));
        wing.quadTo(mirror({92, 52}, side), mirror({90, 66}, side));
        wing.quadTo(mirror({84, 58}, side), mirror({78, 68}, side));
        wing.quadTo(mirror({72, 60}, side), mirror({64, 68}, side));
        wing.closeSubpath();
        setOutlined(p, look, look.accent);
        p.drawPath(wing);
        QPolygonF ear;
        ear << mirror({58, 40}, side) << mirror({64, 18}, side) << mirror({70, 44}, side);
        setOutlined(p, look, look.body);
        p.drawPolygon(ear);
    }
    setOutlined(p, look, look.body);
    p.drawEllipse(QPointF(50, 56), 21, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(look.belly);
    p.drawEllipse(QPointF(50, 66), 11, 8);
    drawFace(p, look, QPointF(50, 51), 8, 6, 11);
}

void drawCrab(QPainter &p, const Look &look, Dice &dice)
{
    p.setPen(QPen(look.outline, 3.4, Qt::SolidLine, Qt::RoundCap));
    for (const int side : {-1, 1}) {
        for (int i = 0; i < 3; ++i) {
            const QPointF hip = mirror({72, 64.0 + i * 5}, side);
            const QPointF knee = mirror({84, 62.0 + i * 7}, side);
            const QPointF foot = mirror({88, 78.0 + i * 5}, side);
            p.drawPolyline(QPolygonF{hip, knee, foot});
        }
        p.drawLine(mirror({70, 56}, side), mirror({82, 40}, side));
        // A claw: a disc with a wedge cut out facing up and outwards.
        const QPointF centre = mirror({84, 32}, side);
        QPainterPath claw;
        claw.moveTo(centre);
        const qreal start = side > 0 ? 100 : 20;
        claw.arcTo(QRectF(centre - QPointF(11, 11), QSizeF(22, 22)), start, 300);
        claw.closeSubpath();
        setOutlined(p, look, look.accent);
        p.drawPath(claw);
        p.setPen(QPen(look.outline, 3.4, Qt::SolidLine, Qt::RoundCap));
    }
    p.drawLine(QPointF(43, 50), QPointF(41, 32));
    p.drawLine(QPointF(57, 50), QPointF(59, 32));
    setOutlined(p, look, look.body);
    p.drawEllipse(QPointF(50, 63), 30, 18 + dice.range(0, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QPointF(38, 55), 8, 4);
    drawEye(p, look, QPointF(41, 30), 6);
    drawEye(p, look, QPointF(59, 30), 6);
    drawMouth(p, look, QPointF(50, 66), 12);
}

// The undead and the spirits share one body; what they carry tells them apart.
void drawGhostProps(QPainter &p, const Look &look)
{
    if (has(look, u"wisp")) {
        QPainterPath flame;
        flame.moveTo(50, 4);
        flame.cubicTo(58, 14, 62, 22, 50, 26);
        flame.cubicTo(38, 22, 42, 14, 50, 4);
        setOutlined(p, look, QColor(255, 214, 90), 1.6);
        p.drawPath(flame);
    } else if (has(look, u"wraith")) {
        QPainterPath hood;
        hood.moveTo(20, 60);
        hood.cubicTo(16, 8, 84, 8, 80, 60);
        hood.quadTo(76, 34, 50, 30);
        hood.quadTo(24, 34, 20, 60);
        setOutlined(p, look, look.accent.darker(130));
        p.drawPath(hood);
    } else if (has(look, u"warden") || has(look, u"squire")) {
        QPainterPath helm;
        helm.moveTo(27, 36);
        helm.cubicTo(28, 12, 72, 12, 73, 36);
        helm.closeSubpath();
        setOutlined(p, look, QColor(170, 175, 190));
        p.drawPath(helm);
        setOutlined(p, look, look.accent, 1.6);
        p.drawRoundedRect(QRectF(47, 10, 6, 16), 3, 3);
    }
    if (has(look, u"warden")) {
        QPainterPath bell;
        bell.moveTo(80, 50);
        bell.cubicTo(80, 34, 96, 34, 96, 50);
        bell.lineTo(98, 54);
        bell.lineTo(78, 54);
        bell.closeSubpath();
        setOutlined(p, look, QColor(120, 190, 160), 1.6); // verdigris
        p.drawPath(bell);
    } else if (has(look, u"lamplighter")) {
        QRadialGradient glow(QPointF(88, 46), 12);
        glow.setColorAt(0, QColor(255, 230, 120, 230));
        glow.setColorAt(1, QColor(255, 230, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(88, 46), 12, 12);
        setOutlined(p, look, QColor(255, 220, 100), 1.6);
        p.drawRoundedRect(QRectF(83, 39, 10, 13), 2, 2);
    } else if (has(look, u"chorister")) {
        p.setPen(QPen(look.outline, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(86, 18), QPointF(86, 32));
        p.drawLine(QPointF(86, 18), QPointF(93, 21));
        p.setBrush(look.outline);
        p.drawEllipse(QPointF(83, 33), 3.5, 2.6);
    }
}

void drawGhost(QPainter &p, const Look &look, Dice &dice)
{
    QRadialGradient glow(QPointF(50, 50), 46);
    QColor halo = look.belly;
    halo.setAlpha(170);
    glow.setColorAt(0, halo);
    halo.setAlpha(0);
    glow.setColorAt(1, halo);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(50, 50), 46, 46);

    const int waves = dice.range(3, 5);
    const qreal shoulder = dice.range(22, 27);
    QPainterPath body;
    body.moveTo(shoulder, 48);
    body.arcTo(QRectF(shoulder, 20, 100 - 2 * shoulder, 56), 180, -180);
    body.lineTo(100 - shoulder, 80);
    const qreal step = (100 - 2 * shoulder) / waves;
    for (int i = 0; i < waves; ++i) {
        const qreal x0 = 100 - shoulder - i * step;
        body.quadTo(x0 - step / 2, 92, x0 - step, 80);
    }
    body.closeSubpath();
    QLinearGradient shade(0, 20, 0, 90);
    shade.setColorAt(0, look.belly);
    shade.setColorAt(1, look.body);
    setOutlined(p, look, look.belly);
    p.setBrush(shade);
    p.drawPath(body);
    // Little arms, raised as if to say boo.
    for (const int side : {-1, 1}) {
        QPainterPath arm;
        arm.moveTo(mirror({100 - shoulder - 2, 56}, side));
        arm.quadTo(mirror({88, 52}, side), mirror({86, 42}, side));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(look.outline, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(arm);
    }
    drawGhostProps(p, look);
    drawFace(p, look, QPointF(50, 46), 9, 7, 14);
}

void drawBeast(QPainter &p, const Look &look, Dice &dice)
{
    const bool toad = has(look, u"toad");
    const bool rat = has(look, u"rat");
    const bool goblin = has(look, u"goblin");
    const qreal earTip = 12 + dice.range(0, 8);
    for (const int side : {-1, 1}) {
        if (toad)
            break;
        if (rat) {
            setOutlined(p, look, look.body);
            p.drawEllipse(mirror({72, 30}, side), 12, 12);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 170, 180));
            p.drawEllipse(mirror({72, 30}, side), 7, 7);
            continue;
        }
        QPolygonF ear;
        QPolygonF inner;
        if (goblin) {
            ear << mirror({74, 44}, side) << mirror({98, 30}, side) << mirror({72, 58}, side);
            inner << mirror({76, 46}, side) << mirror({92, 35}, side) << mirror({75, 54}, side);
        } else {
            ear << mirror({70, 42}, side) << mirror({76, earTip}, side) << mirror({56, 30}, side);
            inner << mirror({68, 38}, side) << mirror({73, earTip + 8}, side)
                  << mirror({60, 32}, side);
        }
        setOutlined(p, look, look.body);
        p.drawPolygon(ear);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 170, 180));
        p.drawPolygon(inner);
        if (has(look, u"imp")) {
            QPainterPath horn;
            horn.moveTo(mirror({58, 30}, side));
            horn.quadTo(mirror({60, 14}, side), mirror({52, 10}, side));
            horn.quadTo(mirror({66, 12}, side), mirror({64, 30}, side));
            horn.closeSubpath();
            setOutlined(p, look, QColor(250, 235, 200), 1.8);
            p.drawPath(horn);
        }
    }
    if (goblin) {
        // A baker's hat.
        setOutlined(p, look, Qt::white, 1.8);
        p.drawEllipse(QPointF(42, 22), 10, 8);
        p.drawEllipse(QPointF(58, 22), 10, 8);
        p.drawEllipse(QPointF(50, 16), 11, 9);
        p.drawRect(QRectF(36, 24, 28, 10));
    }
    setOutlined(p, look, look.body);
    if (toad) {
        // Wide and flat, with the eyes sitting on top.
        p.drawEllipse(QPointF(36, 40), 10, 10);
        p.drawEllipse(QPointF(64, 40), 10, 10);
        p.drawEllipse(QPointF(50, 62), 36, 24);
        p.setPen(Qt::NoPen);
        p.setBrush(look.belly);
        p.drawEllipse(QPointF(50, 72), 22, 12);
        p.setBrush(look.accent);
        p.drawEllipse(QPointF(30, 56), 4, 3);
        p.drawEllipse(QPointF(70, 54), 5, 3.5);
        p.drawEllipse(QPointF(60, 48), 3, 2.5);
        drawEye(p, look, QPointF(36, 39), 6.5);
        drawEye(p, look, QPointF(64, 39), 6.5);
        drawCheeks(p, QPointF(26, 64), QPointF(74, 64), 5);
        drawMouth(p, look, QPointF(50, 62), 24);
        return;
    }
    p.drawEllipse(QPointF(50, 56), 29, 27);
    p.setPen(Qt::NoPen);
    p.setBrush(look.belly);
    p.drawEllipse(QPointF(50, 68), 15, 10);
    p.setBrush(QColor(60, 40, 45));
    p.drawEllipse(QPointF(50, 62), 4.5, 3.2);
    if (rat) {
        p.setPen(QPen(look.outline, 1.2, Qt::SolidLine, Qt::RoundCap));
        for (const int side : {-1, 1}) {
            p.drawLine(mirror({58, 64}, side), mirror({76, 60}, side));
            p.drawLine(mirror({58, 66}, side), mirror({76, 68}, side));
        }
    }
    if (has(look, u"boar")) {
        for (const int side : {-1, 1}) {
            QPolygonF tusk;
            tusk << mirror({56, 72}, side) << mirror({64, 60}, side) << mirror({61, 73}, side);
            setOutlined(p, look, Qt::white, 1.4);
            p.drawPolygon(tusk);
        }
    }
    drawEye(p, look, QPointF(39, 50), 6.5);
    drawEye(p, look, QPointF(61, 50), 6.5);
    drawCheeks(p, QPointF(30, 64), QPointF(70, 64), 5);
    drawMouth(p, look, QPointF(50, 70), 12);
}

void drawBird(QPainter &p, const Look &look, Dice &dice)
{
    p.setPen(QPen(QColor(230, 150, 40), 3, Qt::SolidLine, Qt::RoundCap));
    for (const int side : {-1, 1}) {
        p.drawLine(mirror({58, 80}, side), mirror({58, 90}, side));
        p.drawLine(mirror({58, 90}, side), mirror({63, 91}, side));
        p.save();
        p.translate(mirror({76, 60}, side));
        p.rotate(side * -20);
        setOutlined(p, look, look.accent);
        p.drawEllipse(QPointF(0, 0), 9, 17);
        p.restore();
    }
    setOutlined(p, look, look.body);
    p.drawEllipse(QPointF(50, 57), 27, 28);
    p.setPen(Qt::NoPen);
    p.setBrush(look.belly);
    p.drawEllipse(QPointF(50, 68), 17, 15);
    const int tuft = dice.range(2, 4);
    for (int i = 0; i < tuft; ++i) {
        const qreal x = 50 + (i - (tuft - 1) / 2.0) * 5;
        setOutlined(p, look, look.body, 1.8);
        p.drawEllipse(QPointF(x, 28), 2.8, 6);
    }
    setOutlined(p, look, look.body);
    drawEye(p, look, QPointF(40, 49), 7);
    drawEye(p, look, QPointF(60, 49), 7);
    drawCheeks(p, QPointF(31, 60), QPointF(69, 60), 4.5);
    QPolygonF beak;
    beak << QPointF(44, 57) << QPointF(56, 57) << QPointF(50, 66);
    setOutlined(p, look, QColor(245, 170, 50), 1.8);
    p.drawPolygon(beak);
}

void drawSerpent(QPainter &p, const Look &look, Dice &dice)
{
    const bool winged = has(look, u"drake") || has(look, u"wyrm");
    if (winged) {
        for (const int side : {-1, 1}) {
            QPainterPath wing;
            wing.moveTo(mirror({58, 62}, side));
            wing.lineTo(mirror({90, 40}, side));
            wing.quadTo(mirror({84, 58}, side), mirror({76, 70}, side));
            wing.closeSubpath();
            setOutlined(p, look, look.accent);
            p.drawPath(wing);
        }
    }
    const qreal sway = dice.range(-6, 6);
    QPainterPath coil;
    coil.moveTo(22, 84);
    coil.cubicTo(70, 92, 86 + sway, 66, 56, 62);
    coil.cubicTo(28 - sway, 58, 32, 42, 50, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(look.outline, 20, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(coil);
    p.setPen(QPen(look.body, 15, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(coil);
    p.setPen(QPen(look.belly, 4, Qt::DotLine, Qt::RoundCap));
    p.drawPath(coil);
    if (winged) {
        for (const int side : {-1, 1}) {
            QPolygonF horn;
            horn << mirror({56, 24}, side) << mirror({62, 10}, side) << mirror({62, 26}, side);
            setOutlined(p, look, QColor(250, 235, 200), 1.6);
            p.drawPolygon(horn);
        }
    }
    setOutlined(p, look, look.body);
    p.drawEllipse(QPointF(50, 32), 19, 15);
    if (has(look, u"serpent")) {
        p.setPen(QPen(QColor(220, 50, 70), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(50, 46), QPointF(50, 53));
        p.drawLine(QPointF(50, 53), QPointF(47, 57));
        p.drawLine(QPointF(50, 53), QPointF(53, 57));
    }
    drawEye(p, look, QPointF(43, 29), 5.5);
    drawEye(p, look, QPointF(57, 29), 5.5);
    drawMouth(p, look, QPointF(50, 38), 10);
}

void drawHulk(QPainter &p, const Look &look, Dice &dice)
{
    const bool stone = has(look, u"golem");
    const bool knight = has(look, u"knight");
    setOutlined(p, look, look.body.darker(115));
    p.drawRoundedRect(QRectF(31, 74, 15, 14), 5, 5);
    p.drawRoundedRect(QRectF(54, 74, 15, 14), 5, 5);
    p.drawRoundedRect(QRectF(12, 42, 15, 32), 7, 7);
    p.drawRoundedRect(QRectF(73, 42, 15, 32), 7, 7);
    if (knight) {
        setOutlined(p, look, look.accent);
        p.drawEllipse(QPointF(50, 18), 7, 10);
    }
    QLinearGradient shade(0, 22, 0, 82);
    shade.setColorAt(0, look.body.lighter(112));
    shade.setColorAt(1, look.body.darker(110));
    setOutlined(p, look, look.body);
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(24, 22, 52, 60), 17, 17);
    p.setPen(Qt::NoPen);
    p.setBrush(look.belly);
    p.drawEllipse(QPointF(50, 66), 15, 11);
    if (stone) {
        p.setPen(QPen(look.outline, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF{{30, 30}, {35, 36}, {33, 42}});
        p.drawPolyline(QPolygonF{{68, 58}, {64, 63}, {69, 70}});
    }
    if (knight) {
        // A visor band with a slit for the eyes.
        setOutlined(p, look, look.accent.lighter(130), 1.8);
        p.drawRoundedRect(QRectF(30, 34, 40, 14), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 35, 50));
        p.drawRoundedRect(QRectF(35, 39, 30, 5), 2, 2);
        p.setBrush(QColor(255, 220, 90));
        p.drawEllipse(QPointF(42, 41.5), 2.5, 2);
        p.drawEllipse(QPointF(58, 41.5), 2.5, 2);
        drawMouth(p, look, QPointF(50, 56), 12);
        return;
    }
    p.setPen(QPen(look.outline, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(33, 34 + dice.range(0, 2)), QPointF(45, 37));
    p.drawLine(QPointF(67, 34 + dice.range(0, 2)), QPointF(55, 37));
    drawEye(p, look, QPointF(40, 43), 5.5);
    drawEye(p, look, QPointF(60, 43), 5.5);
    drawMouth(p, look, QPointF(50, 55), 14);
    if (has(look, u"ogre") || has(look, u"troll")) {
        for (const int side : {-1, 1}) {
            QPolygonF tusk;
            tusk << mirror({55, 59}, side) << mirror({58, 50}, side) << mirror({60, 58}, side);
            setOutlined(p, look, Qt::white, 1.4);
            p.drawPolygon(tusk);
        }
    }
}

void drawShroom(QPainter &p, const Look &look, Dice &dice)
{
    setOutlined(p, look, QColor(250, 240, 220));
    p.drawRoundedRect(QRectF(33, 44, 34, 42), 13, 13);
    QPainterPath cap;
    cap.moveTo(12, 52);
    cap.cubicTo(12, 10, 88, 10, 88, 52);
    cap.quadTo(50, 60, 12, 52);
    QLinearGradient shade(0, 18, 0, 56);
    shade.setColorAt(0, look.body.lighter(115));
    shade.setColorAt(1, look.body.darker(108));
    setOutlined(p, look, look.body);
    p.setBrush(shade);
    p.drawPath(cap);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    const int spots = dice.range(3, 5);
    for (int i = 0; i < spots; ++i) {
        const qreal x = 24 + (52.0 / (spots - 1)) * i + dice.range(-3, 3);
        const qreal y = 38 - 12 * std::sin(std::numbers::pi * (x - 12) / 76) + dice.range(0, 6);
        p.drawEllipse(QPointF(x, y), 4.5, 3.5);
    }
    if (has(look, u"thorn")) {
        for (const int side : {-1, 1}) {
            QPolygonF spike;
            spike << mirror({86, 46}, side) << mirror({96, 42}, side) << mirror({86, 38}, side);
            setOutlined(p, look, look.accent, 1.6);
            p.drawPolygon(spike);
        }
    }
    drawEye(p, look, QPointF(43, 63), 5);
    drawEye(p, look, QPointF(57, 63), 5);
    drawCheeks(p, QPointF(38, 71), QPointF(62, 71), 3.5);
    drawMouth(p, look, QPointF(50, 72), 9);
}

void drawTortoise(QPainter &p, const Look &look)
{
    setOutlined(p, look, look.belly);
    for (const qreal x : {36.0, 54.0, 72.0})
        p.drawRoundedRect(QRectF(x - 6, 68, 12, 18), 5, 5);
    p.drawEllipse(QPointF(22, 56), 15, 13);
    QRadialGradient shell(QPointF(50, 40), 40);
    shell.setColorAt(0, look.body.lighter(125));
    shell.setColorAt(1, look.body.darker(115));
    setOutlined(p, look, look.body);
    p.setBrush(shell);
    p.drawChord(QRectF(26, 30, 64, 72), 0, 180 * 16);
    p.setPen(QPen(look.outline, 1.6));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(35 + i * 15, 46 - (i == 1 ? 6 : 0), 14, 14), 3, 3);
    drawEye(p, look, QPointF(16, 52), 4.5);
    drawEye(p, look, QPointF(27, 52), 4.5);
    drawCheeks(p, QPointF(12, 60), QPointF(32, 60), 3);
    drawMouth(p, look, QPointF(22, 60), 8);
}

void drawBug(QPainter &p, const Look &look, Dice &dice)
{
    if (has(look, u"tortoise")) {
        drawTortoise(p, look);
        return;
    }
    const bool spider = has(look, u"spider");
    const bool moth = has(look, u"moth");
    if (moth) {
        for (const int side : {-1, 1}) {
            p.save();
            p.translate(mirror({70, 46}, side));
            p.rotate(side * 25);
            setOutlined(p, look, look.accent);
            p.drawEllipse(QPointF(0, 0), 17, 24);
            p.setPen(Qt::NoPen);
            p.setBrush(look.belly);
            p.drawEllipse(QPointF(0, -4), 7, 7);
            p.setBrush(look.outline);
            p.drawEllipse(QPointF(0, -4), 3, 3);
            p.restore();
        }
    }
    const int legs = spider ? 4 : 3;
    p.setPen(QPen(look.outline, 2.8, Qt::SolidLine, Qt::RoundCap));
    for (const int side : {-1, 1}) {
        for (int i = 0; i < legs; ++i) {
            const qreal y = 50 + i * (28.0 / legs);
            p.drawPolyline(QPolygonF{mirror({64, y + 4}, side), mirror({84, y - 6}, side),
                                     mirror({92, y + 12}, side)});
        }
        if (!spider) {
            QPainterPath feeler;
            feeler.moveTo(mirror({55, 38}, side));
            feeler.quadTo(mirror({60, 22}, side), mirror({70, 16}, side));
            p.setBrush(Qt::NoBrush);
            p.drawPath(feeler);
            p.setBrush(look.accent);
            p.drawEllipse(mirror({70, 16}, side), 3, 3);
        }
    }
    QRadialGradient shell(QPointF(42, 50), 34);
    shell.setColorAt(0, look.body.lighter(125));
    shell.setColorAt(1, look.body.darker(115));
    setOutlined(p, look, look.body);
    p.setBrush(shell);
    p.drawEllipse(QPointF(50, 60), 25, 24);
    if (!spider && !moth) {
        p.setPen(QPen(look.outline, 1.8));
        p.drawLine(QPointF(50, 40), QPointF(50, 83));
    }
    if (spider) {
        for (const int side : {-1, 1}) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(35, 30, 45));
            p.drawEllipse(mirror({56, 44}, side), 2.2, 2.2);
        }
    }
    const int size = dice.range(6, 7);
    drawEye(p, look, QPointF(41, 55), size);
    drawEye(p, look, QPointF(59, 55), size);
    drawCheeks(p, QPointF(34, 66), QPointF(66, 66), 4);
    drawMouth(p, look, QPointF(50, 67), 11);
}

// The monster alone, on a 100 x 100 canvas, so the splash banner can stand it in a landscape.
void drawCreature(QPainter &p, const Look &look, quint32 seed)
{
    Dice dice(seed ^ 0x5bd1e995u);
    switch (look.kind) {
    case Kind::Blob:
        drawBlob(p, look, dice);
        break;
    case Kind::Bat:
        drawBat(p, look, dice);
        break;
    case Kind::Crab:
        drawCrab(p, look, dice);
        break;
    case Kind::Ghost:
        drawGhost(p, look, dice);
        break;
    case Kind::Beast:
        drawBeast(p, look, dice);
        break;
    case Kind::Bird:
        drawBird(p, look, dice);
        break;
    case Kind::Serpent:
        drawSerpent(p, look, dice);
        break;
    case Kind::Hulk:
        drawHulk(p, look, dice);
        break;
    case Kind::Shroom:
        drawShroom(p, look, dice);
        break;
    case Kind::Bug:
        drawBug(p, look, dice);
        break;
    }
}

// A friendly portrait of the monster. `seed` varies the picture between records of the
// same name; `roundedIcon` leaves the corners transparent, as icons usually are.
QImage drawPortrait(const QStringList &record, quint32 seed, int size, bool roundedIcon)
{
    QImage image(size, size, roundedIcon ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(roundedIcon ? Qt::transparent : Qt::white);
    const Look look = lookOf(record, seed);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    QRadialGradient back(QPointF(50, 42), 70);
    back.setColorAt(0, look.backInner);
    back.setColorAt(1, look.backOuter);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    if (roundedIcon)
        p.drawRoundedRect(QRectF(0, 0, 100, 100), 18, 18);
    else
        p.drawRect(QRectF(0, 0, 100, 100));
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QPointF(50, 90), 32, 5);

    drawCreature(p, look, seed);
    p.end();
    return image;
}

// Proves the GIF reads back through Qt exactly as indexed.
void checkGif(const QByteArray &bytes, const QImage &indexed, const QString &name)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    const QImage back = reader.read();
    if (back.isNull())
        fail(QStringLiteral("%1: Qt cannot read the GIF back: %2").arg(name, reader.errorString()));
    if (back.size() != indexed.size())
        fail(QStringLiteral("%1: GIF reads back with the wrong size").arg(name));
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (back.pixel(x, y) != indexed.color(indexed.pixelIndex(x, y)))
                fail(QStringLiteral("%1: GIF pixel %2,%3 differs").arg(name).arg(x).arg(y));
        }
    }
}

enum class PictureFormat { Gif, Ico, Bmp, Jpeg };

// The format follows the extension, whatever its case.
PictureFormat pictureFormat(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"gif")
        return PictureFormat::Gif;
    if (suffix == u"ico")
        return PictureFormat::Ico;
    if (suffix == u"bmp")
        return PictureFormat::Bmp;
    if (suffix == u"jpg" || suffix == u"jpeg")
        return PictureFormat::Jpeg;
    fail(QStringLiteral("%1: no picture format for .%2").arg(path, suffix));
}

void writePicture(const QString &path, const QStringList &record, quint32 seed)
{
    const QString name = QFileInfo(path).fileName();
    const PictureFormat format = pictureFormat(path);
    if (format == PictureFormat::Gif) {
        const QImage indexed = gif::toIndexed(drawPortrait(record, seed, kPictureSize, false));
        const QByteArray bytes = gif::encode(indexed);
        if (bytes.isEmpty())
            fail(QStringLiteral("%1: cannot encode as GIF").arg(name));
        checkGif(bytes, indexed, name);
        writeFile(path, bytes);
        return;
    }
    bool saved = false;
    if (format == PictureFormat::Ico)
        saved = drawPortrait(record, seed, kIconSize, true).save(path, "ICO");
    else if (format == PictureFormat::Bmp)
        saved = drawPortrait(record, seed, kPictureSize, false).save(path, "BMP");
    else
        saved = drawPortrait(record, seed, kPictureSize, false).save(path, "JPEG", kJpegQuality);
    if (!saved)
        fail(QStringLiteral("cannot write %1").arg(path));
}

// The picture field as a path below the data folder; "\" is a folder separator there.
QString pictureFile(const QString &field)
{
    QString relative = field;
    relative.replace(u'\\', u'/');
    if (QDir::isAbsolutePath(relative) || relative.split(u'/').contains(u".."))
        fail(QStringLiteral("picture %1 points outside the data folder").arg(field));
    return relative;
}

// --- sample ----------------------------------------------------------------------------------

int runSample(const QString &sourcePath, const QString &outDir)
{
    const Source source = readSource(sourcePath);
    const QDir dir(outDir);

    // One picture per distinct file, drawn for the first record that names it; sorted by
    // path so the update list has a stable order. Every name is checked before anything
    // is written, so a bad source leaves no half-written folder.
    std::map<QString, std::size_t> pictures;
    QStringList unusedMissing = source.missingPictures;
    for (std::size_t r = 0; r < source.records.size(); ++r) {
        const QString field = source.records[r][MonsterRecord::Picture];
        if (field.isEmpty())
            continue;
        if (source.missingPictures.contains(field)) {
            unusedMissing.removeAll(field);
            continue;
        }
        const QString relative = pictureFile(field);
        pictureFormat(relative);
        pictures.emplace(relative, r);
    }
    if (!unusedMissing.isEmpty())
        fail(QStringLiteral("no record names the missing picture %1").arg(unusedMissing.front()));

    const QByteArray database = databaseBytes(source.records);
    checkDatabase(database, source.records);
    if (!QDir().mkpath(outDir))
        fail(QStringLiteral("cannot create %1").arg(outDir));
    writeFile(dir.filePath(QStringLiteral("cml.nmd")), database);

    struct Entry
    {
        QString name;
        qint64 size;
    };
    std::vector<Entry> entries{{QStringLiteral("cml.nmd"), database.size()}};
    for (const auto &[relative, r] : pictures) {
        const QString path = dir.filePath(relative);
        if (!QDir().mkpath(QFileInfo(path).path()))
            fail(QStringLiteral("cannot create the folder for %1").arg(path));
        const QStringList &record = source.records[r];
        writePicture(path, record, fnv1a(record[MonsterRecord::Name] + u'|' + relative));
        entries.push_back({relative, QFileInfo(path).size()});
    }

    writeFile(dir.filePath(QStringLiteral("vers.dat")),
              windows1252::encode(QStringLiteral("\"%1\"\r\n").arg(kDatabaseVersion)));

    const QString lineEnd = QStringLiteral("\r\n");
    QString update = QString::number(entries.size() + 1) + lineEnd;
    for (const Entry &entry : entries) {
        update += entry.name + u',' + kFileVersion + u',' + QString::number(entry.size) + u',' +
                  kUpdateUrlBase + entry.name + lineEnd;
    }
    update += lineEnd;
    writeFile(dir.filePath(QStringLiteral("update.dat")), windows1252::encode(update));

    std::printf("%s: %zu records, %zu pictures\n", qPrintable(QDir::toNativeSeparators(outDir)),
                source.records.size(), pictures.size());
    return 0;
}

// --- splash ----------------------------------------------------------------------------------

// The splash window paints this colour around both pictures; the logo's background must
// match it exactly so the logo has no visible edge.
const QColor kSplashBackground(0xf4, 0xec, 0xd8);
constexpr int kLogoWidth = 180;
constexpr int kLogoHeight = 56;
constexpr int kBannerWidth = 376;
constexpr int kBannerHeight = 150;
constexpr int kBannerJpegQuality = 90;

// Families in order of preference; the style hint picks a like font where none is installed.
QFont splashFont(const QStringList &families, QFont::StyleHint hint, int pixelSize,
                 QFont::Weight weight = QFont::Normal, bool italic = false)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint, QFont::PreferAntialias);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

// A fallback font may run wider than the intended one; shrink it rather than clip the text.
QFont fitted(QFont font, const QString &text, qreal maxWidth)
{
    while (font.pixelSize() > 6 && QFontMetricsF(font).horizontalAdvance(text) > maxWidth)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

struct Fonts
{
    QStringList used;

    void note(const QFont &font)
    {
        // Without the foundry that fontconfig appends, e.g. "Z003 [urw]".
        const QString family = QFontInfo(font).family().section(QStringLiteral(" ["), 0, 0);
        if (!used.contains(family))
            used.append(family);
    }
};

// A text outline whose baseline starts at `x`, or is centred on `x` when `centred`.
QPainterPath textPath(const QFont &font, const QString &text, qreal x, qreal baseline, bool centred)
{
    QPainterPath path;
    const qreal left = centred ? x - QFontMetricsF(font).horizontalAdvance(text) / 2 : x;
    path.addText(QPointF(left, baseline), font, text);
    return path;
}

// Drawn upright with the nib at the origin, then turned to lean over the name.
void drawQuill(QPainter &p, QPointF nib, qreal angle)
{
    p.save();
    p.translate(nib);
    p.rotate(angle);

    QPainterPath vane;
    vane.moveTo(0, -15);
    vane.cubicTo(-9, -21, -11, -41, 1.5, -60);
    vane.cubicTo(7, -45, 7.5, -27, 0, -15);
    // Splits in the vane, as on a well-used quill.
    for (const QPolygonF &split : {QPolygonF{{-12, -26}, {-3.5, -33}, {-12, -31.5}},
                                   QPolygonF{{-12, -41}, {-4.5, -47.5}, {-12, -46}},
                                   QPolygonF{{9, -31}, {2.5, -38}, {9, -36.5}}}) {
        QPainterPath cut;
        cut.addPolygon(split);
        cut.closeSubpath();
        vane = vane.subtracted(cut);
    }
    QLinearGradient feather(0, -15, 0, -60);
    feather.setColorAt(0, QColor(0x24, 0x3f, 0x6e));
    feather.setColorAt(0.5, QColor(0x3a, 0x86, 0x96));
    feather.setColorAt(1, QColor(0xb4, 0xe2, 0xd6));
    p.setPen(Qt::NoPen);
    p.setBrush(feather);
    p.drawPath(vane);

    p.save();
    p.setClipPath(vane);
    p.setPen(QPen(QColor(0x14, 0x28, 0x48, 70), 0.7));
    for (qreal y = -17; y > -60; y -= 2.6) {
        p.drawLine(QPointF(0, y), QPointF(-12, y - 7));
        p.drawLine(QPointF(0, y), QPointF(10, y - 6));
    }
    p.restore();
    p.setPen(QPen(QColor(0x1d, 0x2b, 0x4f), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(vane);

    // The bare barrel below the vane and the shaft running up through it.
    QPainterPath shaft;
    shaft.moveTo(-1.3, -6);
    shaft.lineTo(-0.5, -57);
    shaft.lineTo(0.5, -57);
    shaft.lineTo(1.3, -6);
    shaft.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xea, 0xc8));
    p.drawPath(shaft);

    QPolygonF point;
    point << QPointF(0, 0) << QPointF(-2.4, -7.5) << QPointF(2.4, -7.5);
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x12), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xd9, 0xa4, 0x3a));
    p.drawPolygon(point);
    p.drawLine(QPointF(0, -1), QPointF(0, -5));
    p.restore();
}

QImage drawLogo(Fonts &fonts)
{
    QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB32);
    image.fill(kSplashBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QColor ink(0x23, 0x2f, 0x5c);
    const QColor rust(0x9a, 0x45, 0x2c);
    const QString name = QStringLiteral("Quillmoor");
    const qreal textLeft = 48;
    const QFont script =
        fitted(splashFont({QStringLiteral("Z003"), QStringLiteral("URW Chancery L"),
                           QStringLiteral("DejaVu Serif")},
                          QFont::Cursive, 34, QFont::Normal, false),
               name, kLogoWidth - textLeft - 4);
    fonts.note(script);

    // The ink line the quill has just drawn, swelling in the middle like a pen stroke.
    QPainterPath stroke;
    stroke.moveTo(9, 51);
    stroke.cubicTo(30, 44, 90, 39, 176, 36);
    stroke.cubicTo(92, 41.5, 32, 46, 9, 51);
    p.setPen(Qt::NoPen);
    p.setBrush(rust);
    p.drawPath(stroke);

    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(textPath(script, name, textLeft, 31, false));

    QFont soft =
        splashFont({QStringLiteral("C059"), QStringLiteral("P052"), QStringLiteral("DejaVu Serif")},
                   QFont::Serif, 11, QFont::Bold);
    soft.setLetterSpacing(QFont::AbsoluteSpacing, 4.5);
    fonts.note(soft);
    p.setFont(soft);
    p.setPen(ink);
    const QString word = QStringLiteral("SOFT");
    const qreal wordWidth = QFontMetricsF(soft).horizontalAdvance(word);
    p.drawText(QPointF(kLogoWidth - 8 - wordWidth, 52), word);
    drawQuill(p, QPointF(9, 51), 37);
    p.end();
    return image;
}

// A record with just what a monster's look depends on.
QStringList splashRecord(const QString &name)
{
    QStringList record(MonsterRecord::FieldCount);
    record[MonsterRecord::Name] = name;
    record[MonsterRecord::Undead] = QStringLiteral("No");
    return record;
}

// A smooth hill line through `points`, closed along the bottom of the banner.
QPainterPath hills(const std::vector<QPointF> &points)
{
    QPainterPath path;
    path.moveTo(0, kBannerHeight);
    path.lineTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPointF mid = (points[i - 1] + points[i]) / 2;
        path.quadTo(points[i - 1], mid);
    }
    path.lineTo(points.back());
    path.lineTo(kBannerWidth, kBannerHeight);
    path.closeSubpath();
    return path;
}

void drawSky(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 105);
    sky.setColorAt(0, QColor(0x34, 0x3f, 0x82));
    sky.setColorAt(0.45, QColor(0x86, 0x74, 0xb4));
    sky.setColorAt(0.78, QColor(0xee, 0xa9, 0x8c));
    sky.setColorAt(1, QColor(0xfc, 0xe2, 0xae));
    p.fillRect(QRect(0, 0, kBannerWidth, kBannerHeight), sky);

    QRadialGradient sun(QPointF(188, 96), 150);
    sun.setColorAt(0, QColor(255, 246, 210, 220));
    sun.setColorAt(0.35, QColor(255, 230, 180, 90));
    sun.setColorAt(1, QColor(255, 230, 180, 0));
    p.fillRect(QRect(0, 0, kBannerWidth, kBannerHeight), sun);

    // A crescent: a pale disc with the sky colour bitten out of it.
    QPainterPath moon;
    moon.addEllipse(QPointF(44, 22), 9, 9);
    QPainterPath bite;
    bite.addEllipse(QPointF(48.5, 19), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xfb, 0xf3, 0xd6));
    p.drawPath(moon.subtracted(bite));

    // Stars only in the dark upper sky, from a fixed seed so reruns match.
    Dice dice(0x4e0a1e5u);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        const int x = dice.range(2, kBannerWidth - 3);
        const int y = dice.range(2, 40);
        const int alpha = 200 - y * 4 + dice.range(0, 40);
        p.setBrush(QColor(255, 250, 225, std::clamp(alpha, 30, 255)));
        const qreal r = dice.chance(15) ? 1.1 : 0.6;
        p.drawEllipse(QPointF(x + 0.5, y + 0.5), r, r);
    }
}

void drawMountains(QPainter &p)
{
    const std::vector<QPointF> peaks = {{0, 78},   {22, 62},  {44, 74},  {70, 52},  {96, 70},
                                        {118, 60}, {140, 72}, {236, 74}, {258, 56}, {280, 68},
                                        {306, 48}, {334, 66}, {356, 58}, {376, 70}};
    QPainterPath range;
    range.moveTo(0, 110);
    for (const QPointF &peak : peaks)
        range.lineTo(peak);
    range.lineTo(kBannerWidth, 110);
    range.closeSubpath();
    QLinearGradient haze(0, 48, 0, 100);
    haze.setColorAt(0, QColor(0x7d, 0x78, 0xb0));
    haze.setColorAt(1, QColor(0xc4, 0xa6, 0xb8));
    p.setPen(Qt::NoPen);
    p.setBrush(haze);
    p.drawPath(range);

    // Snow on the taller peaks: a small triangle just below each summit.
    p.setBrush(QColor(0xf4, 0xee, 0xf6, 220));
    for (std::size_t i = 1; i + 1 < peaks.size(); ++i) {
        const QPointF top = peaks[i];
        if (top.y() > 62)
            continue;
        const QPointF left = peaks[i - 1];
        const QPointF right = peaks[i + 1];
        const qreal depth = 0.28;
        QPainterPath cap;
        cap.moveTo(top);
        cap.lineTo(top + (right - top) * depth);
        cap.lineTo(top + QPointF(1.5, (right.y() - top.y()) * depth * 0.55));
        cap.lineTo(top + QPointF(-2, (left.y() - top.y()) * depth * 0.75));
        cap.lineTo(top + (left - top) * depth);
        cap.closeSubpath();
        p.drawPath(cap);
    }
}

// A small keep on the far hill, its windows lit for the evening.
void drawCastle(QPainter &p, QPointF base)
{
    const QColor stone(0x4c, 0x4f, 0x7e);
    const QColor roof(0x7a, 0x3b, 0x5a);
    p.setPen(Qt::NoPen);
    struct Tower
    {
        qreal x, width, height;
    };
    const Tower towers[] = {{-16, 8, 20}, {-7, 14, 28}, {8, 9, 22}};
    p.setBrush(stone);
    p.drawRect(QRectF(base.x() - 14, base.y() - 14, 30, 14));
    for (const Tower &t : towers) {
        p.setBrush(stone);
        p.drawRect(QRectF(base.x() + t.x, base.y() - t.height, t.width, t.height));
        QPolygonF cone;
        cone << QPointF(base.x() + t.x - 1.5, base.y() - t.height)
             << QPointF(base.x() + t.x + t.width / 2, base.y() - t.height - t.width * 1.1)
             << QPointF(base.x() + t.x + t.width + 1.5, base.y() - t.height);
        p.setBrush(roof);
        p.drawPolygon(cone);
    }
    p.setPen(QPen(roof, 0.8));
    p.drawLine(QPointF(base.x(), base.y() - 28 - 15.4), QPointF(base.x(), base.y() - 50));
    p.setPen(Qt::NoPen);
    p.setBrush(roof);
    p.drawPolygon(QPolygonF{QPointF(base.x(), base.y() - 50), QPointF(base.x() + 6, base.y() - 48),
                            QPointF(base.x(), base.y() - 46)});
    p.setBrush(QColor(0xff, 0xd8, 0x70));
    p.drawRect(QRectF(base.x() - 1.5, base.y() - 22, 2.5, 3.5));
    p.drawRect(QRectF(base.x() - 13, base.y() - 14, 2, 3));
    p.drawRect(QRectF(base.x() + 11.5, base.y() - 16, 2, 3));
    p.drawRect(QRectF(base.x() - 1.5, base.y() - 7, 3, 7));
}

void drawLand(QPainter &p)
{
    QLinearGradient far(0, 70, 0, 120);
    far.setColorAt(0, QColor(0x5f, 0x8f, 0x86));
    far.setColorAt(1, QColor(0x47, 0x74, 0x6a));
    p.setPen(Qt::NoPen);
    p.setBrush(far);
    p.drawPath(hills(
        {{0, 98}, {40, 90}, {90, 100}, {150, 96}, {220, 100}, {290, 84}, {330, 80}, {376, 92}}));
    drawCastle(p, QPointF(322, 84));

    // Small groves of firs on the far hills, sized from a fixed seed.
    Dice dice(0x7ee5u);
    const QPointF firs[] = {{12, 93},  {20, 92},  {27, 93},  {112, 99}, {121, 99},
                            {264, 92}, {272, 90}, {281, 89}, {352, 84}, {360, 85}};
    for (const QPointF &foot : firs) {
        const qreal h = dice.range(9, 13);
        const qreal w = h * 0.36;
        const QPointF f = foot + QPointF(dice.range(-1, 1), dice.range(0, 2));
        p.setBrush(QColor(0x2f, 0x55, 0x4a));
        p.drawPolygon(QPolygonF{f + QPointF(-w, 0), f + QPointF(0, -h), f + QPointF(w, 0)});
        p.setBrush(QColor(0x3b, 0x68, 0x58));
        p.drawPolygon(QPolygonF{f + QPointF(-w * 0.75, -h * 0.4), f + QPointF(0, -h),
                                f + QPointF(w * 0.2, -h * 0.4)});
    }

    QLinearGradient meadow(0, 104, 0, kBannerHeight);
    meadow.setColorAt(0, QColor(0x8c, 0xc0, 0x6a));
    meadow.setColorAt(1, QColor(0x55, 0x93, 0x4c));
    p.setBrush(meadow);
    p.drawPath(
        hills({{0, 112}, {60, 106}, {130, 116}, {188, 112}, {250, 118}, {320, 106}, {376, 112}}));

    // A sandy path winding up towards the castle.
    QPainterPath path;
    path.moveTo(168, kBannerHeight);
    path.cubicTo(186, 136, 250, 128, 268, 117);
    path.cubicTo(286, 108, 300, 100, 318, 85);
    path.lineTo(322, 85);
    path.cubicTo(306, 102, 294, 112, 276, 121);
    path.cubicTo(256, 132, 214, 140, 206, kBannerHeight);
    path.closeSubpath();
    p.setBrush(QColor(0xe8, 0xd3, 0x9c, 200));
    p.drawPath(path);
}

// A creature of `size` pixels standing with its feet at `feet`.
void drawSplashMonster(QPainter &p, const QString &name, QPointF feet, qreal size)
{
    const QStringList record = splashRecord(name);
    const quint32 seed = fnv1a(name);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x40, 0x20, 70));
    p.drawEllipse(QPointF(feet.x(), feet.y() - size * 0.02), size * 0.32, size * 0.06);
    p.translate(feet.x() - size / 2, feet.y() - size * 0.9);
    p.scale(size / 100.0, size / 100.0);
    drawCreature(p, lookOf(record, seed), seed);
    p.restore();
}

void drawRibbon(QPainter &p, Fonts &fonts, QPointF centre, const QString &text)
{
    QFont font =
        splashFont({QStringLiteral("C059"), QStringLiteral("P052"), QStringLiteral("DejaVu Serif")},
                   QFont::Serif, 11, QFont::Bold, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    fonts.note(font);
    const qreal half = QFontMetricsF(font).horizontalAdvance(text) / 2 + 10;
    const qreal h = 8;
    const QColor red(0xa8, 0x33, 0x2e);
    const QColor dark(0x6a, 0x1c, 0x1e);
    p.setPen(QPen(dark, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // The tails sit behind the band, with a notch cut in each.
    for (const int side : {-1, 1}) {
        const qreal inner = centre.x() + side * (half - 6);
        const qreal outer = centre.x() + side * (half + 10);
        QPolygonF tail;
        tail << QPointF(inner, centre.y() - h + 4) << QPointF(outer, centre.y() - h + 4)
             << QPointF(outer - side * 5, centre.y() + 4) << QPointF(outer, centre.y() + h + 4)
             << QPointF(inner, centre.y() + h + 4);
        p.setBrush(red.darker(120));
        p.drawPolygon(tail);
    }
    QPainterPath band;
    band.moveTo(centre.x() - half, centre.y() - h);
    band.quadTo(centre.x(), centre.y() - h - 3, centre.x() + half, centre.y() - h);
    band.lineTo(centre.x() + half, centre.y() + h);
    band.quadTo(centre.x(), centre.y() + h - 3, centre.x() - half, centre.y() + h);
    band.closeSubpath();
    QLinearGradient shine(0, centre.y() - h, 0, centre.y() + h);
    shine.setColorAt(0, red.lighter(125));
    shine.setColorAt(1, red);
    p.setBrush(shine);
    p.drawPath(band);
    p.setPen(QColor(0xfb, 0xef, 0xd0));
    p.setFont(font);
    p.drawText(QRectF(centre.x() - half, centre.y() - h - 1, 2 * half, 2 * h), Qt::AlignCenter,
               text);
}

void drawTitle(QPainter &p, Fonts &fonts)
{
    const QString title = QStringLiteral("Norvalen");
    const QFont big = fitted(
        splashFont({QStringLiteral("P052"), QStringLiteral("C059"), QStringLiteral("DejaVu Serif")},
                   QFont::Serif, 50, QFont::Bold),
        title, 250);
    fonts.note(big);
    const QPainterPath titlePath = textPath(big, title, 188, 56, true);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1a, 0x14, 0x30, 110));
    p.drawPath(titlePath.translated(2, 2.5));
    QLinearGradient gold(0, 18, 0, 58);
    gold.setColorAt(0, QColor(0xff, 0xf4, 0xc4));
    gold.setColorAt(0.5, QColor(0xf4, 0xc4, 0x4e));
    gold.setColorAt(1, QColor(0xc0, 0x7a, 0x1e));
    p.setPen(QPen(QColor(0x4a, 0x24, 0x12), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gold);
    p.drawPath(titlePath);

    const QString subtitle = QStringLiteral("Monster Database");
    QFont small =
        splashFont({QStringLiteral("C059"), QStringLiteral("P052"), QStringLiteral("DejaVu Serif")},
                   QFont::Serif, 19, QFont::Bold);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    small = fitted(small, subtitle, 230);
    fonts.note(small);
    const QPainterPath subPath = textPath(small, subtitle, 188, 82, true);
    p.setPen(QPen(QColor(0x2c, 0x24, 0x50, 200), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(subPath);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xfd, 0xf6, 0xe4));
    p.drawPath(subPath);
}

QImage drawBanner(Fonts &fonts)
{
    QImage image(kBannerWidth, kBannerHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawSky(p);
    drawMountains(p);
    drawLand(p);
    drawTitle(p, fonts);
    drawSplashMonster(p, QStringLiteral("Bog Slime"), QPointF(30, 146), 50);
    drawSplashMonster(p, QStringLiteral("Glimmer Fox"), QPointF(78, 142), 50);
    drawSplashMonster(p, QStringLiteral("Goldcap Mushroom"), QPointF(300, 144), 48);
    drawSplashMonster(p, QStringLiteral("Œrnling"), QPointF(346, 146), 50);
    drawRibbon(p, fonts, QPointF(188, 103), QStringLiteral("English Beta"));
    p.end();
    return image;
}

int runSplash(const QString &outDir)
{
    if (!QDir().mkpath(outDir))
        fail(QStringLiteral("cannot create %1").arg(outDir));
    const QDir dir(outDir);
    Fonts fonts;

    const QString logoPath = dir.filePath(QStringLiteral("image1.gif"));
    QImage indexed = gif::toIndexed(drawLogo(fonts));
    // Palette reduction may nudge the background colour; put the exact one back.
    const int backIndex = indexed.pixelIndex(0, 0);
    indexed.setColor(backIndex, kSplashBackground.rgb());
    const QByteArray bytes = gif::encode(indexed);
    if (bytes.isEmpty())
        fail(QStringLiteral("image1.gif: cannot encode as GIF"));
    checkGif(bytes, indexed, QStringLiteral("image1.gif"));
    writeFile(logoPath, bytes);

    const QString bannerPath = dir.filePath(QStringLiteral("image2.jpg"));
    if (!drawBanner(fonts).save(bannerPath, "JPEG", kBannerJpegQuality))
        fail(QStringLiteral("cannot write %1").arg(bannerPath));

    std::printf("%s: %dx%d, %lld bytes\n%s: %dx%d, %lld bytes\nbackground %s, fonts %s\n",
                qPrintable(QDir::toNativeSeparators(logoPath)), kLogoWidth, kLogoHeight,
                static_cast<long long>(bytes.size()),
                qPrintable(QDir::toNativeSeparators(bannerPath)), kBannerWidth, kBannerHeight,
                static_cast<long long>(QFileInfo(bannerPath).size()),
                qPrintable(kSplashBackground.name()), qPrintable(fonts.used.join(u", ")));
    return 0;
}

// --- large -----------------------------------------------------------------------------------

// Thousands separated by the comma substitute, as the sample writes them.
QString grouped(quint32 value)
{
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, kCommaSubstitute);
    return digits;
}

QString pick(Dice &dice, const QStringList &list)
{
    return list[dice.range(0, int(list.size()) - 1)];
}

int runLarge(const QString &countText, const QString &outPath)
{
    bool ok = false;
    const int count = countText.toInt(&ok);
    if (!ok || count < 1)
        fail(QStringLiteral("the record count must be a positive number"));

    const QStringList treasures = {
        QStringLiteral("Bone"),       QStringLiteral("Copper Coin"),
        QStringLiteral("Feather"),    QStringLiteral("Old Key"),
        QStringLiteral("Shell"),      QStringLiteral("Pearl"),
        QStringLiteral("Moss Clump"), QStringLiteral("Iron Scrap"),
        QStringLiteral("Candle"),     QStringLiteral("Crème Brûlée"),
        QStringLiteral("Œrn Egg"),    QStringLiteral("Rune Stone™"),
    };
    const QStringList areas = {
        QStringLiteral("Quillmoor Marsh"), QStringLiteral("Saltglass Shore"),
        QStringLiteral("Ogre’s Cave"),     QStringLiteral("Emberdeep Mines"),
        QStringLiteral("Šelvik Tundra"),   QStringLiteral("Žarograd Ruins"),
        QStringLiteral("Hollowfen Woods"), QStringLiteral("Velloran Catacombs"),
        QStringLiteral("Ÿsselmark Dunes"), QStringLiteral("Drowned Abbey – Lower Nave"),
    };
    const QStringList sentences = {
        QStringLiteral("It was first recorded by a surveyor who did not come back for a second "
                       "look."),
        QStringLiteral("It keeps to the shadows¡ and the shadows keep to it."),
        QStringLiteral("Travellers report a smell of wet stone and old pennies…"),
        QStringLiteral("Guides charge 5 € extra to walk past its nest."),
        QStringLiteral("It is “mostly harmless” according to people who were never bitten."),
        QStringLiteral("Drop rate of its rarest treasure: 3‰."),
        QStringLiteral("Scholars disagree about what it eats – and about what eats it."),
        QStringLiteral("It hums when content and hisses when it is not."),
    };
    const QStringList hostile = {QStringLiteral("Yes"), QStringLiteral("No"),
                                 QStringLiteral("Only when provoked")};
    const QStringList sizes = {QStringLiteral("Small"), QStringLiteral("Medium"),
                               QStringLiteral("Large")};
    const QString listSeparator = QStringLiteral("\u00a1 ");
    // A few pictures the sample ships, so a large file dropped into the data folder shows
    // some; the rest are empty or missing on purpose.
    const QStringList pictures = {
        QStringLiteral("pics\\marshbat.gif"),
        QStringLiteral("crab_giant.bmp"),
        QStringLiteral("emberimp.ico"),
        QStringLiteral("glimmerfox.jpg"),
        QString(),
        QStringLiteral("lostwisp_gone.jpg"),
    };

    const int width = std::max(5, int(QString::number(count).size()));
    Dice dice(0x2026u);
    QByteArray out;
    out.reserve(qsizetype(count) * 320);
    for (int i = 1; i <= count; ++i) {
        QString name = QStringLiteral("Generated Monster %1").arg(i, width, 10, QLatin1Char('0'));
        if (i % 7 == 0)
            name += kCommaSubstitute + QStringLiteral(" Elder");
        const int level = dice.range(1, 99);
        QString description;
        const int parts = dice.range(2, 4);
        for (int s = 0; s < parts; ++s) {
            if (s > 0)
                description +=
                    dice.chance(30) ? QStringLiteral("\u00bf\u00bf") : QStringLiteral(" ");
            description += pick(dice, sentences);
        }
        QString treasure = pick(dice, treasures);
        for (int t = dice.range(0, 2); t > 0; --t)
            treasure += listSeparator + pick(dice, treasures);
        QString area = pick(dice, areas);
        if (dice.chance(40))
            area += listSeparator + pick(dice, areas);

        const QStringList fields = {
            name,
            grouped(quint32(dice.range(10, 60000))),
            dice.chance(15) ? QStringLiteral("%1–%2").arg(level).arg(level + 3)
                            : QString::number(level),
            grouped(quint32(dice.range(5, 90000))),
            treasure,
            description,
            area,
            pick(dice, hostile),
            dice.chance(20) ? QStringLiteral("Yes") : QStringLiteral("No"),
            pick(dice, pictures),
            grouped(quint32(dice.range(3, 50000))),
            pick(dice, sizes),
            QString::number(dice.range(0, 90)),
            QString::number(dice.range(0, 90)),
        };
        out.append(windows1252::encode(fields.join(u'|')));
        out.append("\r\n");
    }
    out.append("\r\n");
    writeFile(outPath, out);
    std::printf("%s: %d records, %lld bytes\n", qPrintable(QDir::toNativeSeparators(outPath)),
                count, static_cast<long long>(out.size()));
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: nvgen sample <monsters.txt> <outdir>\n"
                         "       nvgen large <count> <out.nmd>\n"
                         "       nvgen splash <outdir>\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Text needs the fonts of a GUI application. The offscreen platform keeps the splash
    // pictures independent of any display the generator happens to run under.
    const bool drawsText = argc > 1 && std::strcmp(argv[1], "splash") == 0;
    if (drawsText)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        drawsText ? std::make_unique<QGuiApplication>(argc, argv)
                  : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 3 && args[1] == u"splash")
            return runSplash(args[2]);
        if (args.size() == 4 && args[1] == u"sample")
            return runSample(args[2], args[3]);
        if (args.size() == 4 && args[1] == u"large")
            return runLarge(args[2], args[3]);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "nvgen: %s\n", qPrintable(failure.message));
        return 1;
    }
    return usage();
}
