#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace PrintTool
{

/// The instant an ISO date or date and time given on the command line stands for:
/// "2026-01-05", "2026-01-05T14:00", "2026-01-05T14:00:30", each optionally followed by
/// "Z" or an offset ("+02:00") when a time is given; local time otherwise. As an upper
/// bound it is the last instant of what was written (the whole day, the whole minute), so
/// that both ends of a range are included. Nothing for anything else.
std::optional<QDateTime> parseDateBound(const QString& text, bool upper);

} // namespace PrintTool
