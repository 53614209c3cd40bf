#pragma once
// Contrast of text against its background, by relative luminance (sRGB):
// 1 for equal colours up to 21 for black on white. 4.5 is the least that
// stays readable for normal text.
#include <QColor>

#include <algorithm>
#include <cmath>

namespace contrast {

constexpr double kReadable = 4.5;

inline double luminance(const QColor &c)
{
    const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

inline double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Black or white, whichever reads better on background.
inline QColor readableInk(const QColor &background)
{
    return ratio(background, Qt::black) >= ratio(background, Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace contrast
