#include "portraits.h"

#include "common.h"
#include "gifwriter.h"
#include "monstertable.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kIconSize = 64;
constexpr int kPictureSize = 73; // odd on purpose: BMP rows then need padding
constexpr int kJpegQuality = 88;

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

} // namespace

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

void drawCreature(QPainter &p, const QStringList &record, quint32 seed)
{
    drawCreature(p, lookOf(record, seed), seed);
}
