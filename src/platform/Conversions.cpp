#include "Conversions.h"

#include "AppError.h"

#include <cfenv>
#include <cmath>
#include <optional>

namespace
{

const QString kSource = QStringLiteral("Vellumtide");

std::optional<double> parseNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

namespace Conversions
{

std::int16_t toListPosition(const QString& text)
{
    const std::optional<double> value = parseNumber(text);
    if (!value)
        throw AppError::typeMismatch(kSource);
    // nearbyint honours the current rounding mode, which is round-half-even by default.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(*value);
    std::fesetround(previous);
    if (rounded < -32768.0 || rounded > 32767.0)
        throw AppError::overflow(kSource);
    return static_cast<std::int16_t>(rounded);
}

bool toBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> value = parseNumber(trimmed);
    if (!value)
        throw AppError::typeMismatch(kSource);
    return *value != 0.0;
}

} // namespace Conversions
