#pragma once

// What a reader finds in an SPSS data file, in one shape for PSPP and for ReadStat, so both
// are held to the same expectations.
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace morvalen::test {

struct SavVariable {
    QString name;
    QString label;
    QString measure; // "Nominal", "Ordinal" or "Scale"
    bool numeric = false;
    std::map<double, QString> valueLabels;
};

struct SavReadBack {
    QString encoding;
    int caseCount = -1;
    std::vector<SavVariable> variables;
    // Each case's values in variable order: numbers in plain decimals, "." for
    // system-missing, texts without trailing blanks.
    std::vector<QStringList> cases;
};

} // namespace morvalen::test
