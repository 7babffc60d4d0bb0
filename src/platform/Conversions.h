#pragma once

#include <QString>
#include <cstdint>

// The conversions stored texts go through when a window restores them. They
// raise the same errors a failed conversion of the original controls raised.
namespace Conversions
{

/// Decimal text to a 16-bit list position; fractions round to nearest, halves to even.
/// Throws AppError 13 (not a number) or 6 (outside -32768..32767).
std::int16_t toListPosition(const QString& text);

/// "True"/"False" (any letter case) or numeric text (0 is False). Throws AppError 13 otherwise.
bool toBoolean(const QString& text);

/// The text a Boolean is stored as.
inline QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace Conversions
