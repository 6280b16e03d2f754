#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

namespace morvalen {

// How the profile chart can look: two appearances (background, grid and text) and 31
// palettes (the line, its markers and the band behind the profile).
struct ChartAppearance {
    QColor background;
    QColor plotArea;
    QColor grid;
    QColor text;
};

struct ChartPalette {
    QColor line;
    QColor marker;
    QColor band;
};

QStringList AppearanceNames(); // "Nature", "Black"
QStringList PaletteNames();    // the 31 names, "Victorian" first
ChartAppearance AppearanceNamed(const QString& name);
ChartPalette PaletteNamed(const QString& name);

} // namespace morvalen
