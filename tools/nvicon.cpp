// nvicon: draws the program icon, a horned bestiary with a monster's eye on its cover, and
// writes it as a scalable SVG and as PNGs for the usual theme sizes. Both come from the
// same list of paths, so the pictures cannot drift apart.
//
//   nvicon <outdir>
//
// writes <outdir>/example.quillmoor.nvmonster.svg and
// <outdir>/<N>x<N>/example.quillmoor.nvmonster.png for every size below.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QStringList>
#include <QTransform>
#include <array>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kIconName = QStringLiteral("example.quillmoor.nvmonster");
constexpr qreal kCanvas = 256; // design units; the SVG's view box
constexpr std::array kPngSizes = {16, 24, 32, 48, 64, 128, 256};

struct Failure
{
    QString message;
};

[[noreturn]] void fail(const QString &message)
{
    throw Failure{message};
}

struct Shape
{
    QPainterPath path;
    QColor fill;
    QColor stroke = Qt::transparent; // transparent: no outline
    qreal strokeWidth = 0;
};

// --- The drawing ---------------------------------------------------------------------------
// The book's outer edges, outline included, sit on multiples of 16 units, which are whole
// pixels at 16 px, so the smallest PNG keeps a sharp silhouette instead of grey fringes.
// Outlines are 8 units wide and centred on the path, hence the 4-unit insets below.

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(x, y, w, h, r, r);
    return path;
}

QPainterPath circle(qreal cx, qreal cy, qreal r)
{
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

// The left horn, rising from the cover's top edge and curling outwards to its tip. The
// right one is its mirror image.
QPainterPath leftHorn()
{
    QPainterPath path;
    path.moveTo(56, 68);                   // outer root
    path.cubicTo(48, 48, 38, 32, 36, 12);  // tip
    path.cubicTo(64, 20, 98, 36, 104, 68); // inner root
    path.closeSubpath();
    return path;
}

// Pointed at both ends, like a cat's eye; (cx, cy) is the middle, w and h the full size.
// Cubic control points at 4/3 of the half height put the curve's middle on the edge.
QPainterPath almond(qreal cx, qreal cy, qreal w, qreal h)
{
    const qreal halfW = w / 2;
    const qreal bulge = h / 2 * 4 / 3;
    const qreal pull = w * 0.18; // how far the controls sit in from the points
    QPainterPath path;
    path.moveTo(cx - halfW, cy);
    path.cubicTo(cx - halfW + pull, cy - bulge, cx + halfW - pull, cy - bulge, cx + halfW, cy);
    path.cubicTo(cx + halfW - pull, cy + bulge, cx - halfW + pull, cy + bulge, cx - halfW, cy);
    path.closeSubpath();
    return path;
}

std::vector<Shape> drawing()
{
    // The face of the cover, right of the spine; the eye and horns are centred on it.
    constexpr qreal faceMid = 136;
    constexpr qreal lineWidth = 8;
    constexpr qreal eyeY = 136;
    const QColor outline(0x3a, 0x12, 0x14);

    std::vector<Shape> shapes;
    // Horns first: the cover hides their roots.
    const QColor bone(0xec, 0xe2, 0xc8);
    shapes.push_back({leftHorn(), bone, outline, lineWidth});
    shapes.push_back(
        {QTransform(-1, 0, 0, 1, 2 * faceMid, 0).map(leftHorn()), bone, outline, lineWidth});
    // Page block peeking out right of and below the cover.
    shapes.push_back(
        {roundedRect(52, 68, 168, 168, 12), QColor(0xf3, 0xe8, 0xcc), outline, lineWidth});
    // Cover, then its darker spine.
    shapes.push_back(
        {roundedRect(36, 52, 168, 168, 14), QColor(0xa3, 0x2b, 0x2e), outline, lineWidth});
    QPainterPath spine;
    spine.moveTo(50, 52);
    spine.lineTo(68, 52);
    spine.lineTo(68, 220);
    spine.lineTo(50, 220);
    spine.arcTo(36, 192, 28, 28, 270, -90);
    spine.lineTo(36, 66);
    spine.arcTo(36, 52, 28, 28, 180, -90);
    spine.closeSubpath();
    shapes.push_back({spine, QColor(0x6c, 0x18, 0x1d), outline, lineWidth});
    // The eye: yellow white, orange iris, slit pupil, one glint.
    shapes.push_back(
        {almond(faceMid, eyeY, 120, 80), QColor(0xf7, 0xcb, 0x45), outline, lineWidth});
    shapes.push_back({circle(faceMid, eyeY, 28), QColor(0xe4, 0x7a, 0x1c)});
    // The pupil is a narrow almond turned upright: swapping x and y about the eye's centre.
    shapes.push_back(
        {QTransform(0, 1, 1, 0, faceMid - eyeY, eyeY - faceMid).map(almond(faceMid, eyeY, 64, 22)),
         QColor(0x1e, 0x0c, 0x0c)});
    shapes.push_back({circle(faceMid + 15, eyeY - 15, 7), QColor(0xff, 0xff, 0xff)});
    return shapes;
}

// --- Painting ------------------------------------------------------------------------------

QImage renderPng(int size, const std::vector<Shape> &shapes)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kCanvas, size / kCanvas);
    for (const Shape &shape : shapes) {
        if (shape.stroke.alpha() == 0)
            painter.setPen(Qt::NoPen);
        else
            painter.setPen(
                QPen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(shape.fill);
        painter.drawPath(shape.path);
    }
    painter.end();
    return image;
}

// --- SVG -----------------------------------------------------------------------------------

// Two decimals are far below a pixel at any size; trailing zeros only bloat the file.
QString number(qreal value)
{
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == u"-0"_s ? QStringLiteral("0") : text;
}

QString point(qreal x, qreal y)
{
    return number(x) + u' ' + number(y);
}

// QPainterPath keeps closed subpaths as a line back to the start; SVG wants a "Z" there so
// the outline joins at the first corner instead of ending in two caps.
QString pathData(const QPainterPath &path)
{
    QStringList parts;
    QPointF subpathStart;
    QPointF current;
    const auto closeIfBack = [&] {
        if (parts.isEmpty() || current != subpathStart)
            return;
        if (parts.last() == u"L "_s + point(subpathStart.x(), subpathStart.y()))
            parts.removeLast(); // the "Z" draws that line
        parts.append(QStringLiteral("Z"));
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            closeIfBack();
            parts.append(u"M "_s + point(e.x, e.y));
            subpathStart = current = e;
            break;
        case QPainterPath::LineToElement:
            parts.append(u"L "_s + point(e.x, e.y));
            current = e;
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= path.elementCount())
                fail(QStringLiteral("a curve in the drawing is missing its control points"));
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            parts.append(u"C "_s + point(e.x, e.y) + u' ' + point(c2.x, c2.y) + u' ' +
                         point(end.x, end.y));
            current = end;
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            fail(QStringLiteral("a curve control point in the drawing has no curve"));
        }
    }
    closeIfBack();
    return parts.join(u' ');
}

QString svgText(const std::vector<Shape> &shapes)
{
    const QString size = number(kCanvas);
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                 "height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
                      .arg(size);
    for (const Shape &shape : shapes) {
        svg +=
            u"  <path d=\""_s + pathData(shape.path) + u"\" fill=\""_s + shape.fill.name() + u'"';
        if (shape.path.fillRule() == Qt::OddEvenFill)
            svg += u" fill-rule=\"evenodd\""_s;
        if (shape.stroke.alpha() != 0)
            svg += u" stroke=\""_s + shape.stroke.name() + u"\" stroke-width=\""_s +
                   number(shape.strokeWidth) +
                   u"\" stroke-linejoin=\"round\" stroke-linecap=\"round\""_s;
        svg += u"/>\n"_s;
    }
    svg += u"</svg>\n"_s;
    return svg;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

int run(const QString &outDir)
{
    const std::vector<Shape> shapes = drawing();
    const QDir dir(outDir);
    if (!dir.mkpath(QStringLiteral(".")))
        fail(QStringLiteral("cannot create %1").arg(outDir));
    writeFile(dir.filePath(kIconName + u".svg"_s), svgText(shapes).toUtf8());
    for (const int size : kPngSizes) {
        const QString sub = QStringLiteral("%1x%1").arg(size);
        if (!dir.mkpath(sub))
            fail(QStringLiteral("cannot create %1").arg(dir.filePath(sub)));
        const QString path = dir.filePath(sub + u'/' + kIconName + u".png"_s);
        if (!renderPng(size, shapes).save(path, "PNG"))
            fail(QStringLiteral("cannot write %1").arg(path));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // No text is drawn, so painting on a QImage needs no GUI application and no display.
    const QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: nvicon <outdir>\n");
        return 2;
    }
    try {
        return run(args[1]);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "nvicon: %s\n", qPrintable(failure.message));
        return 1;
    }
}
