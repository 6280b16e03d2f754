#pragma once

#include <QColor>
#include <QImage>
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

// The colour of the n-th sheet (1 to 4) drawn over one another: the first takes the
// palette's line, the others fixed colours of clearly other hues than that line.
QColor SheetColour(const ChartPalette& palette, int sheet);
// The fill of its markers: the palette's own marker colour for the first, a light tint of
// the line for the others.
QColor SheetMarkerColour(const ChartPalette& palette, int sheet);

// The marker of the n-th sheet (1 to 4): a circle, a square, a triangle, a diamond; so the
// sheets differ in shape too where colours are hard to tell apart.
enum class MarkerShape { Circle, Square, Triangle, Diamond };
MarkerShape SheetMarkerShape(int sheet);
// A marker picture of twice the size, filled and ringed (a ring of 3 pixels).
QImage MarkerPicture(MarkerShape shape, int size, const QColor& fill, const QColor& ring);

// A colour near the wanted one that reads at 4.5 to 1 on every ground: mixed step by step
// towards the appearance's own text colour, which does.
QColor LegibleColour(const QColor& wanted, const QColor& text, const QList<QColor>& grounds);

// The contrast of two colours as the web's accessibility guidelines define it, from 1 (the
// same) to 21 (black on white); 4.5 is the least for normal text.
double ContrastRatio(const QColor& a, const QColor& b);

} // namespace morvalen
