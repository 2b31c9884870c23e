#include "base/TimeFormat.h"

#include <cstdlib>

namespace vantrel {

namespace {

// Like the "00" number pattern: a minus sign in front of the padded magnitude.
QString field(int v) {
    QString digits = QString::number(std::abs(v)).rightJustified(2, QLatin1Char('0'));
    return v < 0 ? QLatin1Char('-') + digits : digits;
}

}  // namespace

QString FormatPosition(int t) {
    // C++ division truncates toward zero, as the fields want.
    const int minutes = t / 60000;
    const int seconds = (t % 60000) / 1000;
    const int hundredths = ((t % 60000) % 1000) / 10;
    return field(minutes) + QLatin1Char(':') + field(seconds) + QLatin1Char(':') +
           field(hundredths);
}

QString FormatRemainingTime(int positionMs, int durationMs) {
    // Wraps like the 32-bit subtraction would rather than overflowing.
    return FormatPosition(
        static_cast<int>(static_cast<unsigned>(durationMs) - static_cast<unsigned>(positionMs)));
}

}  // namespace vantrel
