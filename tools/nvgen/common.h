#pragma once

// What every part of the generator shares: errors, file writing and the deterministic dice.

#include <QByteArray>
#include <QString>

class QImage;

struct Failure
{
    QString message;
};

[[noreturn]] void fail(const QString &message);
void writeFile(const QString &path, const QByteArray &bytes);

// Proves the GIF reads back through Qt exactly as indexed.
void checkGif(const QByteArray &bytes, const QImage &indexed, const QString &name);

quint32 fnv1a(const QString &text);

// A small fixed random sequence, so what is drawn or generated depends only on its seed.
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
