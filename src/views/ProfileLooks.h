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

// The band behind the profile in an appearance: the palette's tint, kept light on the
// light appearance and dark on the dark one, so the text drawn over it stays readable.
QColor BandColour(const ChartAppearance& appearance, const ChartPalette& palette);

// The contrast of two colours as the web's accessibility guidelines define it, from 1 (the
// same) to 21 (black on white); 4.5 is the least for normal text.
double ContrastRatio(const QColor& a, const QColor& b);

} // namespace morvalen
