// Conversion between RGB colours and hue, saturation and lightness.
#include "vor/image.h"

#include <algorithm>
#include <cmath>

void VorColor_RgbToHsl(win::COLORREF color, double* hue, double* saturation, double* lightness) {
    double r = win::GetRValue(color) / 255.0, g = win::GetGValue(color) / 255.0, b = win::GetBValue(color) / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double l = (mx + mn) / 2.0, h = 0.0, s = 0.0;
    double d = mx - mn;
    if (d > 0.0) {
        s = l > 0.5 ? d / (2.0 - mx - mn) : d / (mx + mn);
        if (mx == r) h = (g - b) / d + (g < b ? 6.0 : 0.0);
        else if (mx == g) h = (b - r) / d + 2.0;
        else h = (r - g) / d + 4.0;
        h *= 60.0;
        if (h >= 360.0) h -= 360.0;
    }
    if (hue) *hue = h;
    if (saturation) *saturation = s;
    if (lightness) *lightness = l;
}

namespace {

double Channel(double p, double q, double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

win::BYTE ToByte(double v) { return static_cast<win::BYTE>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

} // namespace

win::COLORREF VorColor_HslToRgb(double hue, double saturation, double lightness) {
    double s = std::clamp(saturation, 0.0, 1.0), l = std::clamp(lightness, 0.0, 1.0);
    double h = std::fmod(hue, 360.0);
    if (h < 0.0) h += 360.0;
    h /= 360.0;
    if (s == 0.0) return win::RGB(ToByte(l), ToByte(l), ToByte(l));
    double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
    double p = 2.0 * l - q;
    return win::RGB(ToByte(Channel(p, q, h + 1.0 / 3.0)), ToByte(Channel(p, q, h)), ToByte(Channel(p, q, h - 1.0 / 3.0)));
}
