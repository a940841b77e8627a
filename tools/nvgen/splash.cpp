#include "splash.h"

#include "common.h"
#include "gifwriter.h"
#include "monstertable.h"
#include "portraits.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

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
    drawCreature(p, record, seed);
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

} // namespace

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
