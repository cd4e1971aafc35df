// Colours as the settings store them: 0x00BBGGRR with red in the low byte, as a signed
// 32-bit number. A few system colours are kept as their symbolic values (high byte 0xFF),
// so that a colour copied from a control that follows the window's colour survives a round
// trip through the settings file.
#pragma once

#include <QColor>
#include <QtGlobal>

using TColor = qint32;

namespace clr {
constexpr TColor Black = 0x000000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Lime = 0x00FF00;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Yellow = 0x00FFFF;
constexpr TColor Fuchsia = 0xFF00FF;
constexpr TColor Aqua = 0xFFFF00;
constexpr TColor Teal = 0x808000;
constexpr TColor Olive = 0x008080;
constexpr TColor Navy = 0x800000;
constexpr TColor White = 0xFFFFFF;
constexpr TColor Window = TColor(0xFF000005u);
constexpr TColor WindowText = TColor(0xFF000008u);
constexpr TColor BtnFace = TColor(0xFF00000Fu);
constexpr TColor GradientInactiveCaption = TColor(0xFF00001Cu);
}  // namespace clr

// The colour to paint for a stored colour value (system colours resolved to fixed shades).
QColor ToQColor(TColor color);

// The stored value for a painted colour.
TColor FromQColor(const QColor& color);
