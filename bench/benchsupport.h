#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace bench {

// Durations in microseconds, summarised the way the targets are stated.
struct Samples
{
    QList<double> us;

    void add(qint64 nanoseconds) { us.append(double(nanoseconds) / 1000.0); }

    double percentile(double p) const
    {
        if (us.isEmpty())
            return 0;
        QList<double> sorted = us;
        std::sort(sorted.begin(), sorted.end());
        const auto index = qsizetype(p / 100.0 * double(sorted.size() - 1) + 0.5);
        return sorted[std::clamp<qsizetype>(index, 0, sorted.size() - 1)];
    }

    void print(const char *what) const
    {
        std::printf("%-44s n=%-5lld median %10.1f us   p99 %10.1f us   max %10.1f us\n", what,
                    static_cast<long long>(us.size()), percentile(50), percentile(99),
                    percentile(100));
    }
};

} // namespace bench
