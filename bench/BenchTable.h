#pragma once

#include <QString>
#include <cstdio>

// One line of the table bench/run-all.sh prints, tab-separated after the word ROW:
// what, figure, baseline, ratio, goal, met ("yes"/"no").
inline void PrintTableRow(const QString& what, const QString& figure, const QString& baseline,
                          const QString& ratio, const QString& goal, bool met) {
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\n", qPrintable(what), qPrintable(figure), qPrintable(baseline),
                qPrintable(ratio), qPrintable(goal), met ? "yes" : "no");
    std::fflush(stdout);
}
