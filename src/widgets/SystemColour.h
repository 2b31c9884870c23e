#pragma once
// Colours are stored as the program has always stored them: 0x00BBGGRR, or 0x80000000 | n for
// system colour n. Drawing turns them into QColors from the widget's palette, so the widgets follow
// the desktop theme the way they once followed the system colours.
#include <QColor>
#include <QPalette>
#include <cstdint>

namespace vantrel {

inline constexpr std::uint32_t kSystemColourFlag = 0x80000000u;
inline constexpr std::uint32_t kButtonFace = kSystemColourFlag | 0x0F;
inline constexpr std::uint32_t kButtonText = kSystemColourFlag | 0x12;

// A plain colour value from red, green and blue, laid out as stored.
constexpr std::uint32_t rgbColour(int r, int g, int b) {
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) |
           (std::uint32_t(b & 0xFF) << 16);
}

QColor toQColor(std::uint32_t colour, const QPalette& palette);

}  // namespace vantrel
