#include "MailDate.h"

#include "TextDecoding.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

namespace Render
{

namespace
{

int monthNumber(const QString& name)
{
    static const QStringList months = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                       QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                       QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                       QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    return months.indexOf(name.left(3).toLower()) + 1;
}

// Offsets in minutes of the zone names RFC 822 allowed.
bool namedZone(const QString& name, int& minutes)
{
    static const QHash<QString, int> zones = {
        {QStringLiteral("UT"), 0},        {QStringLiteral("UTC"), 0},       {QStringLiteral("GMT"), 0},
        {QStringLiteral("Z"), 0},         {QStringLiteral("EST"), -5 * 60}, {QStringLiteral("EDT"), -4 * 60},
        {QStringLiteral("CST"), -6 * 60}, {QStringLiteral("CDT"), -5 * 60}, {QStringLiteral("MST"), -7 * 60},
        {QStringLiteral("MDT"), -6 * 60}, {QStringLiteral("PST"), -8 * 60}, {QStringLiteral("PDT"), -7 * 60}};
    const auto it = zones.constFind(name.toUpper());
    if (it == zones.constEnd())
        return false;
    minutes = *it;
    return true;
}

} // namespace

MailDate MailDate::parse(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(?:[A-Za-z]+\s*,?\s*)?(\d{1,2})\s*[- ]\s*([A-Za-z]{3,})\.?\s*[- ]\s*(\d{2,4})\s+)"
                       R"((\d{1,2})\s*:\s*(\d{2})(?:\s*:\s*(\d{2}))?(?:\.\d+)?)"
                       R"(\s*(?:\(([^)]*)\)\s*)?(?:([+-])(\d{2})(\d{2})|([A-Za-z]{1,5}))?\s*(?:\(([^)]*)\))?)"));
    MailDate result;
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return result;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 50 ? 2000 : 1900;
    else if (m.captured(3).size() == 3)
        year += 1900;
    const QDate date(year, monthNumber(m.captured(2)), m.captured(1).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return result;

    int offsetMinutes = 0;
    // The zone's name in a comment, after the offset or (as some old mailers wrote it) before.
    const QString comment = (m.captured(12).isEmpty() ? m.captured(7) : m.captured(12)).trimmed();
    if (!m.captured(8).isEmpty())
    {
        const int hours = m.captured(9).toInt();
        const int minutes = m.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return result;
        offsetMinutes = (hours * 60 + minutes) * (m.captured(8) == u"-" ? -1 : 1);
        result.hasZone = true;
        // "(CST)" after an offset names the zone in words.
        static const QRegularExpression zoneWord(QStringLiteral("^[A-Za-z][A-Za-z +/_-]{0,40}$"));
        if (zoneWord.match(comment).hasMatch())
            result.zoneName = comment;
    }
    else if (!m.captured(11).isEmpty())
    {
        if (!namedZone(m.captured(11), offsetMinutes))
            return result; // a zone we cannot place: the text is printed as written
        result.hasZone = true;
        result.zoneName = m.captured(11).toUpper();
    }
    result.dateTime = QDateTime(date, time, QTimeZone(offsetMinutes * 60));
    return result;
}

QString formatMailDate(const QDateTime& dateTime, bool hasZone, const QString& zoneName, const QString& asWritten)
{
    if (!dateTime.isValid())
        return asWritten.simplified();
    const QDateTime& shown = dateTime; // in its own offset: the sender's clock, not ours
    QString text = QLocale().toString(shown.date(), QLocale::LongFormat) + u' ' +
                   shown.time().toString(QStringLiteral("HH:mm:ss"));
    if (!hasZone)
        return text + QStringLiteral(" (no time zone given)");
    const int offset = shown.offsetFromUtc() / 60;
    text += (offset < 0 ? QStringLiteral(" -") : QStringLiteral(" +")) +
            QStringLiteral("%1%2")
                .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    if (!zoneName.isEmpty())
        text += QStringLiteral(" (%1)").arg(zoneName);
    return text;
}

QString dateHeaderText(const QByteArray& raw)
{
    return decodeText(raw, QByteArray()).simplified();
}

QString formatMailDate(const QString& asWritten)
{
    const MailDate date = MailDate::parse(asWritten);
    return formatMailDate(date.dateTime, date.hasZone, date.zoneName, asWritten);
}

} // namespace Render
