#include "views/ProfileLooks.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

struct NamedPalette {
    const char16_t* name;
    const char* line;
    const char* marker;
    const char* band;
};

// Each palette: a line, its markers and the band behind the profile, chosen to read as
// the name suggests and to differ from its neighbours.
constexpr std::array<NamedPalette, 31> kPalettes{{
    {u"Victorian", "#7b2d43", "#c9a227", "#f3e9dc"},
    {u"Vibrant Pastel", "#ff6f91", "#6fd6ff", "#fff1f6"},
    {u"Vibrant", "#e6194b", "#3cb44b", "#fff6d6"},
    {u"Tropical", "#00a896", "#f4a259", "#e3f9f3"},
    {u"Summer", "#f9844a", "#277da1", "#fff3e0"},
    {u"Spring Time", "#90be6d", "#f9c74f", "#f1f9e8"},
    {u"Rainbow", "#8338ec", "#ff006e", "#eef7ff"},
    {u"Purple", "#6a0dad", "#c77dff", "#f3eafc"},
    {u"Primary Colors", "#0047ab", "#d7263d", "#fffbe6"},
    {u"Postmodern", "#9c49b1", "#2a9d8f", "#f4eef7"},
    {u"Photodesign", "#3d405b", "#e07a5f", "#f4f1de"},
    {u"Pastel", "#a3c4f3", "#ffcfd2", "#fbf8ff"},
    {u"Office", "#2f5597", "#ed7d31", "#eef3fb"},
    {u"Orange Green", "#f77f00", "#2b9348", "#fff5e8"},
    {u"Nature", "#386641", "#bc4749", "#eef5e6"},
    {u"Natural", "#8d6e63", "#689f38", "#f5f0e8"},
    {u"Impresionism", "#5e60ce", "#ffb703", "#eef0ff"},
    {u"Illustration", "#ef476f", "#118ab2", "#fdf0f3"},
    {u"Harvest", "#bc6c25", "#606c38", "#fdf4e3"},
    {u"Green Brown", "#4f772d", "#7f5539", "#f0f4e8"},
    {u"Green Blue", "#2a9d8f", "#264653", "#e8f6f4"},
    {u"Green", "#2d6a4f", "#52b788", "#e9f7ef"},
    {u"Gray", "#495057", "#adb5bd", "#f1f3f5"},
    {u"Four Color", "#1d3557", "#e63946", "#f1faee"},
    {u"Fire", "#d00000", "#ffba08", "#fff0e6"},
    {u"Earth Tone", "#7f4f24", "#a68a64", "#f3ede4"},
    {u"Danville", "#005f73", "#ee9b00", "#e6f2f4"},
    {u"Caribbean", "#0096c7", "#ffd166", "#e6f7fb"},
    {u"Cappuccino", "#6f4e37", "#d4a373", "#f7efe6"},
    {u"Blue Gray", "#4a6073", "#8fa9c0", "#eef2f6"},
    {u"Blue", "#1565c0", "#64b5f6", "#e8f1fc"},
}};

} // namespace

QStringList AppearanceNames() {
    return {u"Nature"_s, u"Black"_s};
}

QStringList PaletteNames() {
    QStringList names;
    for (const NamedPalette& p : kPalettes) {
        names.append(QString::fromUtf16(p.name));
    }
    return names;
}

ChartAppearance AppearanceNamed(const QString& name) {
    if (name == u"Black"_s) {
        return {QColor(u"#111111"_s), QColor(u"#1d1d1d"_s), QColor(u"#3c3c3c"_s), QColor(u"#f2f2f2"_s)};
    }
    return {QColor(u"#ffffff"_s), QColor(u"#fbfdf7"_s), QColor(u"#d5dfcc"_s), QColor(u"#25331f"_s)};
}

ChartPalette PaletteNamed(const QString& name) {
    for (const NamedPalette& p : kPalettes) {
        if (name == QString::fromUtf16(p.name)) {
            return {QColor(QLatin1StringView(p.line)), QColor(QLatin1StringView(p.marker)),
                    QColor(QLatin1StringView(p.band))};
        }
    }
    return PaletteNamed(u"Postmodern"_s);
}

QColor BandColour(const ChartAppearance& appearance, const ChartPalette& palette) {
    if (appearance.background.lightnessF() >= 0.5) {
        return palette.band;
    }
    // On a dark chart the band is the plot area tinted with a fifth of the palette's line.
    const QColor base = appearance.plotArea;
    const QColor tint = palette.line;
    const auto mix = [](int from, int to) { return from + (to - from) / 5; };
    return QColor(mix(base.red(), tint.red()), mix(base.green(), tint.green()),
                  mix(base.blue(), tint.blue()));
}

QColor SheetColour(const ChartPalette& palette, int sheet) {
    if (sheet <= 1) {
        return palette.line;
    }
    // Dark enough to show on the light appearance, bright enough for the black one.
    static const QColor others[] = {QColor(0xd6, 0x27, 0x28), QColor(0x1f, 0x77, 0xb4),
                                    QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                    QColor(0x8c, 0x56, 0x4b)};
    const auto hueDistance = [](const QColor& a, const QColor& b) {
        const int d = std::abs(a.hslHue() - b.hslHue()) % 360;
        return std::min(d, 360 - d);
    };
    // A grey line has no hue to differ from; every colour then does.
    const bool grey = palette.line.hslSaturation() < 40;
    int found = 1;
    for (const QColor& colour : others) {
        if (grey || hueDistance(colour, palette.line) >= 45) {
            if (++found == sheet) {
                return colour;
            }
        }
    }
    return others[(sheet - 2) % std::size(others)];
}

QColor SheetMarkerColour(const ChartPalette& palette, int sheet) {
    return sheet <= 1 ? palette.marker : SheetColour(palette, sheet).lighter(150);
}

MarkerShape SheetMarkerShape(int sheet) {
    static const MarkerShape shapes[] = {MarkerShape::Circle, MarkerShape::Square, MarkerShape::Triangle,
                                         MarkerShape::Diamond};
    return shapes[std::clamp(sheet, 1, 4) - 1];
}

QImage MarkerPicture(MarkerShape shape, int size, const QColor& fill, const QColor& ring) {
    QImage marker(size * 2, size * 2, QImage::Format_ARGB32_Premultiplied);
    marker.fill(Qt::transparent);
    QPainter painter(&marker);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ring, 3));
    painter.setBrush(fill);
    const QRectF box = QRectF(marker.rect()).adjusted(2, 2, -2, -2);
    switch (shape) {
    case MarkerShape::Circle:
        painter.drawEllipse(box);
        break;
    case MarkerShape::Square:
        painter.drawRect(box.adjusted(1, 1, -1, -1));
        break;
    case MarkerShape::Triangle:
        painter.drawPolygon(QPolygonF{{box.center().x(), box.top()}, box.bottomRight(), box.bottomLeft()});
        break;
    case MarkerShape::Diamond:
        painter.drawPolygon(QPolygonF{{box.center().x(), box.top()},
                                      {box.right(), box.center().y()},
                                      {box.center().x(), box.bottom()},
                                      {box.left(), box.center().y()}});
        break;
    }
    return marker;
}

QColor LegibleColour(const QColor& wanted, const QColor& text, const QList<QColor>& grounds) {
    const auto legible = [&grounds](const QColor& c) {
        return std::all_of(grounds.begin(), grounds.end(),
                           [&c](const QColor& ground) { return ContrastRatio(c, ground) >= 4.5; });
    };
    for (int step = 0; step <= 10; ++step) {
        const auto mix = [step](int from, int to) { return from + (to - from) * step / 10; };
        const QColor c(mix(wanted.red(), text.red()), mix(wanted.green(), text.green()),
                       mix(wanted.blue(), text.blue()));
        if (legible(c)) {
            return c;
        }
    }
    return text;
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double channel) {
            return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace morvalen
