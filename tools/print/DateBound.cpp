#include "DateBound.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace PrintTool
{

std::optional<QDateTime> parseDateBound(const QString& text, bool upper)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2}))?(Z|[+-]\\d{2}:?\\d{2})?)?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    if (!m.hasCaptured(4))
        return upper ? date.addDays(1).startOfDay().addMSecs(-1) : date.startOfDay();

    const bool seconds = m.hasCaptured(6);
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), seconds ? m.captured(6).toInt() : 0);
    if (!time.isValid())
        return std::nullopt;
    QDateTime instant(date, time);
    if (const QString zone = m.captured(7); !zone.isEmpty())
    {
        int offset = 0;
        if (zone != u"Z")
        {
            const QString digits = zone.mid(1).remove(u':');
            const int hours = digits.left(2).toInt(), minutes = digits.mid(2).toInt();
            if (hours > 23 || minutes > 59)
                return std::nullopt;
            offset = (zone.front() == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
        }
        instant = QDateTime(date, time, QTimeZone(offset));
    }
    if (upper)
        instant = instant.addMSecs(seconds ? 999 : 59999);
    return instant;
}

} // namespace PrintTool
