#pragma once

#include "core/Scoring.h"

#include <QImage>
#include <QStringList>
#include <QVector>

#include <array>

namespace morvalen {

// The answer sheets of one examinee drawn over one another in the profile, as the reports
// show them: the overlaid chart as on screen and each sheet's percentages, oldest first.
struct SheetComparison {
    QImage chart;
    QStringList titles;                             // each sheet's legend title, its Persian date
    QVector<std::array<int, kScaleCount>> percents; // by sheet, then in scale order

    // Only two sheets or more make a comparison; the reports leave the section out otherwise.
    bool compares() const { return titles.size() > 1 && percents.size() == titles.size(); }

    // The change table: a heading row ("طرحواره", each title, "تغيير"), then a row per scale:
    // its caption, each sheet's percentage and the change from the first sheet to the last.
    QVector<QStringList> tableRows() const;
};

} // namespace morvalen
