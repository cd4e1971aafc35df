// Time displays and durations as numbers: six digit boxes read as H H : M M : S S, and a
// duration as a number with one of the unit words "秒钟", "分钟", "小时".
#pragma once

#include <QString>
#include <array>
#include <optional>

// The separator glyph of the time displays (U+2236), not the ASCII colon.
inline const QString kSeparator = QStringLiteral("∶");

// The six digits of a value in seconds: hours tens, hours units, minutes tens, minutes units,
// seconds tens, seconds units. A value of 360000 or more gives hours tens of 10 or more.
std::array<int, 6> SecondsToDigits(int value);

// The weighted sum 36000, 3600, 600, 60, 10, 1 of six digits (not necessarily a normalised
// time: minutes tens and seconds tens may be 6 to 9).
int DigitsToSeconds(const std::array<int, 6>& digits);

// The factor of a unit word: 1, 60, 3600; nothing for any other text (exact match).
std::optional<int> UnitFactor(const QString& unit);

// A number times a unit factor, held within the 32-bit range.
int ScaleDuration(int number, int factor);

// True when the text, with blanks and control characters cut from both ends, is empty or
// consists of ASCII digits only.
bool DigitCheck(const QString& text);

// The message shown for a non-digit in a number box.
inline const QString kIllegalInputMessage = QStringLiteral("输入非法字符，请输入一个1-9的整数");
