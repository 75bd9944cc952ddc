#pragma once

#include <QFont>
#include <QRect>

#include "ui/template.h"

namespace kd::ui::qt {

// The font a template names and the base units it gives, as Windows works them out: the
// horizontal unit is the average width of the Latin letters, the vertical one the
// character height. A dialog unit is a quarter of the first and an eighth of the second.
struct DialogMetrics {
    QFont font;
    int baseX = 8;
    int baseY = 16;

    int X(int dialogUnits) const;
    int Y(int dialogUnits) const;
    // A control's rectangle in pixels: each value converted on its own, as Windows does.
    QRect Rect(int x, int y, int width, int height) const;
};

// The family used for 宋体 and the system font: SimSun where installed, else the Song
// (Ming) style font the package depends on, else any font that covers Chinese.
QString SongFamily();

DialogMetrics MetricsFor(const DialogTemplate& source);

// value * numerator / denominator, rounded half away from zero (Windows' MulDiv).
int MulDiv(int value, int numerator, int denominator);

}  // namespace kd::ui::qt
