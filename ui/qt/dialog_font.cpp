#include "ui/qt/dialog_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

namespace kd::ui::qt {

namespace {

constexpr std::string_view kSystemFontName = "System";
// The system font of a Chinese Windows is a 16-pixel Song face at 96 DPI, whatever size
// a template asks of it.
constexpr int kSystemFontPixels = 16;

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

int MulDiv(int value, int numerator, int denominator) {
    if (denominator == 0) {
        return 0;
    }
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

int DialogMetrics::X(int dialogUnits) const {
    return MulDiv(dialogUnits, baseX, 4);
}

int DialogMetrics::Y(int dialogUnits) const {
    return MulDiv(dialogUnits, baseY, 8);
}

QRect DialogMetrics::Rect(int x, int y, int width, int height) const {
    return {X(x), Y(y), X(width), Y(height)};
}

QString SongFamily() {
    for (const char* family : {"SimSun", "宋体", "NSimSun", "AR PL UMing CN", "AR PL UMing TW"}) {
        if (QFontDatabase::hasFamily(QString::fromUtf8(family))) {
            return QString::fromUtf8(family);
        }
    }
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QGuiApplication::font().family() : chinese.front();
}

DialogMetrics MetricsFor(const DialogTemplate& source) {
    DialogMetrics metrics;
    // A face that is installed is used as named; 宋体 falls back to the Song face, and a
    // template without a font gets the system font, as on Windows.
    const QString named =
        QString::fromUtf8(source.fontName.data(), static_cast<qsizetype>(source.fontName.size()));
    const bool system = source.fontName.empty() || source.fontName == kSystemFontName;
    metrics.font = QFont(!system && QFontDatabase::hasFamily(named) ? named : SongFamily());
    if (system) {
        metrics.font.setPixelSize(static_cast<int>(kSystemFontPixels * LogicalDpi() / 96.0 + 0.5));
    } else {
        metrics.font.setPointSize(source.fontPoints > 0 ? source.fontPoints : 9);
    }
    const QFontMetrics measure(metrics.font);
    const int letters = measure.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    metrics.baseX = std::max(1, (letters / 26 + 1) / 2);
    metrics.baseY = std::max(1, measure.height());
    return metrics;
}

}  // namespace kd::ui::qt
