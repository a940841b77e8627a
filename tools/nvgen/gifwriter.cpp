#include "gifwriter.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace gif {
namespace {

constexpr int kMaxColours = 256;
constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

struct ColourCount
{
    QRgb colour;
    quint32 count;
};

int channel(QRgb c, int which)
{
    switch (which) {
    case 0:
        return qRed(c);
    case 1:
        return qGreen(c);
    default:
        return qBlue(c);
    }
}

// The distinct colours with their pixel counts, sorted by colour value so that the result
// never depends on hash order.
std::vector<ColourCount> histogram(const QImage &rgb)
{
    std::vector<QRgb> pixels;
    pixels.reserve(std::size_t(rgb.width()) * std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            pixels.push_back(line[x] | 0xff000000u);
    }
    std::sort(pixels.begin(), pixels.end());
    std::vector<ColourCount> counts;
    for (const QRgb p : pixels) {
        if (!counts.empty() && counts.back().colour == p)
            ++counts.back().count;
        else
            counts.push_back({p, 1});
    }
    return counts;
}

struct Box
{
    std::size_t begin;
    std::size_t end;
    quint64 pixels = 0;
    int widestChannel = 0;
    int span = 0;
};

void measure(Box &box, const std::vector<ColourCount> &colours)
{
    std::array<int, 3> lo{255, 255, 255};
    std::array<int, 3> hi{0, 0, 0};
    box.pixels = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        box.pixels += colours[i].count;
        for (int c = 0; c < 3; ++c) {
            lo[std::size_t(c)] = std::min(lo[std::size_t(c)], channel(colours[i].colour, c));
            hi[std::size_t(c)] = std::max(hi[std::size_t(c)], channel(colours[i].colour, c));
        }
    }
    box.span = -1;
    for (int c = 0; c < 3; ++c) {
        const int span = hi[std::size_t(c)] - lo[std::size_t(c)];
        if (span > box.span) {
            box.span = span;
            box.widestChannel = c;
        }
    }
}

QList<QRgb> medianCut(std::vector<ColourCount> colours)
{
    std::vector<Box> boxes{{0, colours.size()}};
    measure(boxes.front(), colours);
    while (int(boxes.size()) < kMaxColours) {
        // Split where colours are both far apart and common, so large soft areas keep
        // their gradients and rare edge pixels share entries.
        std::size_t best = boxes.size();
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            const double score = boxes[i].span * std::sqrt(double(boxes[i].pixels));
            if (best == boxes.size() || score > bestScore) {
                best = i;
                bestScore = score;
            }
        }
        if (best == boxes.size())
            break;

        Box &box = boxes[best];
        const int ch = box.widestChannel;
        std::sort(colours.begin() + std::ptrdiff_t(box.begin),
                  colours.begin() + std::ptrdiff_t(box.end),
                  [ch](const ColourCount &a, const ColourCount &b) {
                      const int ca = channel(a.colour, ch);
                      const int cb = channel(b.colour, ch);
                      return ca != cb ? ca < cb : a.colour < b.colour;
                  });
        // Weighted median, but never an empty half.
        quint64 seen = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += colours[i].count;
            split = i + 1;
            if (seen * 2 >= box.pixels)
                break;
        }
        Box upper{split, box.end};
        box.end = split;
        measure(box, colours);
        measure(upper, colours);
        boxes.push_back(upper);
    }

    QList<QRgb> palette;
    for (const Box &box : boxes) {
        quint64 r = 0, g = 0, b = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += quint64(qRed(colours[i].colour)) * colours[i].count;
            g += quint64(qGreen(colours[i].colour)) * colours[i].count;
            b += quint64(qBlue(colours[i].colour)) * colours[i].count;
        }
        const quint64 n = box.pixels;
        palette.append(qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n)));
    }
    return palette;
}

// GIF packs codes least significant bit first into 255-byte sub-blocks.
class CodePacker
{
public:
    void put(int code, int bits)
    {
        m_acc |= quint32(code) << m_bits;
        m_bits += bits;
        while (m_bits >= 8) {
            m_bytes.append(char(m_acc & 0xff));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }

    QByteArray finishBlocks()
    {
        if (m_bits > 0)
            m_bytes.append(char(m_acc & 0xff));
        QByteArray blocks;
        for (qsizetype pos = 0; pos < m_bytes.size(); pos += 255) {
            const qsizetype n = std::min<qsizetype>(255, m_bytes.size() - pos);
            blocks.append(char(n));
            blocks.append(m_bytes.constData() + pos, n);
        }
        blocks.append('\0');
        return blocks;
    }

private:
    QByteArray m_bytes;
    quint32 m_acc = 0;
    int m_bits = 0;
};

QByteArray compress(const QImage &indexed, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    // children[prefix * 256 + pixel] is the code for prefix followed by pixel, or -1.
    std::vector<qint16> children(std::size_t(kMaxCodes) * 256, -1);
    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;

    CodePacker out;
    out.put(clearCode, codeSize);
    int prefix = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int pixel = line[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            qint16 &child = children[std::size_t(prefix) * 256 + std::size_t(pixel)];
            if (child >= 0) {
                prefix = child;
                continue;
            }
            out.put(prefix, codeSize);
            if (nextCode < kMaxCodes) {
                child = qint16(nextCode);
                // The decoder learns this code one step later, when it must already read
                // the wider size: widen as soon as the new code no longer fits.
                if (nextCode == (1 << codeSize))
                    ++codeSize;
                ++nextCode;
            } else {
                out.put(clearCode, codeSize);
                std::fill(children.begin(), children.end(), qint16(-1));
                codeSize = minCodeSize + 1;
                nextCode = endCode + 1;
            }
            prefix = pixel;
        }
    }
    out.put(prefix, codeSize);
    out.put(endCode, codeSize);
    return out.finishBlocks();
}

void appendLe16(QByteArray &out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

} // namespace

QImage toIndexed(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<ColourCount> colours = histogram(rgb);
    QList<QRgb> palette;
    if (colours.size() <= std::size_t(kMaxColours)) {
        for (const ColourCount &c : colours)
            palette.append(c.colour);
    } else {
        palette = medianCut(std::move(colours));
    }
    // Given a palette, Qt maps every pixel to its nearest entry without dithering.
    return rgb.convertToFormat(QImage::Format_Indexed8, palette);
}

QByteArray encode(const QImage &indexed)
{
    if (indexed.isNull() || indexed.format() != QImage::Format_Indexed8 ||
        indexed.colorCount() < 1 || indexed.colorCount() > kMaxColours ||
        indexed.width() > 0xffff || indexed.height() > 0xffff)
        return {};

    // The colour table holds a power of two entries, at least two.
    int tableBits = 1;
    while ((1 << tableBits) < indexed.colorCount())
        ++tableBits;

    QByteArray out("GIF89a");
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append(char(0x80 | (7 << 4) | (tableBits - 1))); // global table, 8 bits a primary
    out.append('\0');                                    // background colour index
    out.append('\0');                                    // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(i) : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }

    out.append(char(0x2c)); // image descriptor: the whole screen, no local table
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append('\0');

    const int minCodeSize = std::max(2, tableBits);
    out.append(char(minCodeSize));
    out.append(compress(indexed, minCodeSize));
    out.append(char(0x3b)); // trailer
    return out;
}

} // namespace gif
