#include "ui/views/ScaleBar.h"

#include <cmath>
#include <cstdio>

namespace trek {

namespace {

// Text of a rounded value counted in thousandths of the large unit: below one
// large unit the small unit's text, else one decimal unless whole.
std::string LargeUnitLabel(double thousandths, const char* unit) {
    char text[32];
    const long hundreds = std::lround(thousandths / 100);
    if (hundreds % 10 != 0)
        std::snprintf(text, sizeof text, "%.1f%s", thousandths / 1000, unit);
    else
        std::snprintf(text, sizeof text, "%d%s", static_cast<int>(std::lround(thousandths / 1000)), unit);
    return text;
}

std::string WholeLabel(double value, const char* unit) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%s", static_cast<int>(std::lround(value)), unit);
    return text;
}

struct UnitRow {
    double thousandthsPerMetre;  // of the large unit
    double smallPerThousandth;   // small units (feet) per thousandth; 0 = metres
    const char* small;
    const char* large;
};

// Metric, imperial, nautical.
constexpr UnitRow kUnits[] = {
    {1.0, 0.0, "m", "km"},
    {0.6213712, 5.280, "ft", "mi"},
    {0.5399568, 6.07612, "ft", "nm"},
};

}  // namespace

double RoundScaleValue(double x) {
    if (!(x > 0)) return 0;
    static const double steps[] = {1, 2, 2.5, 4, 5, 7.5, 10};
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    const double m = x / p;
    for (double s : steps)
        if (s >= m * (1 - 1e-12)) return s * p;
    return 10 * p;
}

ScaleBarValue ScaleBarFor(double targetMetres, UnitSystem units) {
    const UnitRow& row = kUnits[static_cast<int>(units) < 3 ? static_cast<int>(units) : 0];
    if (row.smallPerThousandth == 0) {
        const double metres = RoundScaleValue(targetMetres);
        return {metres, metres < 1000 ? WholeLabel(metres, row.small) : LargeUnitLabel(metres, row.large)};
    }
    const double thousandths = targetMetres * row.thousandthsPerMetre;
    if (thousandths < 1000) {
        const double feet = RoundScaleValue(thousandths * row.smallPerThousandth);
        return {feet / row.smallPerThousandth / row.thousandthsPerMetre, WholeLabel(feet, row.small)};
    }
    const double rounded = RoundScaleValue(thousandths);
    return {rounded / row.thousandthsPerMetre, LargeUnitLabel(rounded, row.large)};
}

void DrawScaleBar(platform::Canvas& canvas, const platform::Rect& view, double metresPerPixel, UnitSystem units,
                  int s) {
    if (!(metresPerPixel > 0)) return;
    const int target = kScaleBarTargetPixels * s;
    const ScaleBarValue value = ScaleBarFor(target * metresPerPixel, units);
    const int length = static_cast<int>(std::lround(target * value.metres / (target * metresPerPixel)));
    if (length <= 0 || length > view.width()) return;
    const int x = view.left + 8 * s, bottom = view.bottom - 8 * s, h = 5 * s;
    const platform::Rect bar{x, bottom - h, x + length, bottom};
    canvas.fillRect(bar.inflate(1, 1), 0xFFFFFF);
    canvas.fillRect({bar.left, bar.top, bar.left + length / 2, bar.bottom}, 0x000000);
    canvas.frameRect(bar, 0x000000, 1);
    platform::Font font;
    font.height = -12 * s;
    font.weight = 700;
    canvas.setFont(font);
    canvas.setTextColor(0x000000);
    canvas.setBackgroundMode(platform::BackgroundMode::Opaque);
    canvas.setBackgroundColor(0xFFFFFF);
    const platform::Size ext = canvas.textExtent(value.label);
    canvas.textOut(x + length - ext.width / 2 > x ? x + (length - ext.width) / 2 : x, bar.top - ext.height - 2 * s,
                   value.label);
}

}  // namespace trek
