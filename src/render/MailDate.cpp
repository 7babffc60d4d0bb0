#include "MailDate.h"

#include "Message.h"

#include <QHash>
#include <QLocale>
#include <QTimeZone>

namespace Render
{

namespace
{

// Offsets in minutes of the zone names RFC 822 allowed.
bool namedZone(QStringView name, int& minutes)
{
    static const struct
    {
        const char* name;
        int minutes;
    } zones[] = {{"UT", 0},        {"UTC", 0},       {"GMT", 0},       {"Z", 0},
                 {"EST", -5 * 60}, {"EDT", -4 * 60}, {"CST", -6 * 60}, {"CDT", -5 * 60},
                 {"MST", -7 * 60}, {"MDT", -6 * 60}, {"PST", -8 * 60}, {"PDT", -7 * 60}};
    for (const auto& zone : zones)
        if (name.compare(QLatin1StringView(zone.name), Qt::CaseInsensitive) == 0)
        {
            minutes = zone.minutes;
            return true;
        }
    return false;
}

int monthNumber(QStringView name)
{
    static constexpr char months[] = "janfebmaraprmayjunjulaugsepoctnovdec";
    for (int i = 0; i < 12 && name.size() >= 3; ++i)
        if (name.first(3).compare(QLatin1StringView(months + 3 * i, 3), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// One reading of a date text, left to right; every step moves on only when it matches.
struct Scanner
{
    QStringView text;
    qsizetype at = 0;

    QChar peek() const { return at < text.size() ? text[at] : QChar(); }
    bool take(QChar c)
    {
        if (peek() != c)
            return false;
        ++at;
        return true;
    }
    // True when at least one blank was passed.
    bool blanks()
    {
        const qsizetype from = at;
        while (at < text.size() && text[at].isSpace())
            ++at;
        return at > from;
    }
    // A run of digits whose whole length is within [min, max].
    bool number(int min, int max, int& value, int* length = nullptr)
    {
        qsizetype end = at;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        const qsizetype n = end - at;
        if (n < min || n > max)
            return false;
        value = 0;
        for (; at < end; ++at)
            value = value * 10 + (text[at].unicode() - u'0');
        if (length)
            *length = int(n);
        return true;
    }
    // Exactly two digits, whatever follows.
    bool twoDigits(int& value)
    {
        if (at + 1 >= text.size() || !isDigit(text[at]) || !isDigit(text[at + 1]))
            return false;
        value = (text[at].unicode() - u'0') * 10 + (text[at + 1].unicode() - u'0');
        at += 2;
        return true;
    }
    QStringView word(qsizetype most = -1)
    {
        const qsizetype from = at;
        while (at < text.size() && isLetter(text[at]) && (most < 0 || at - from < most))
            ++at;
        return text.sliced(from, at - from);
    }
    // Blanks around at most one '-', at least one character in all.
    bool separator()
    {
        const qsizetype from = at;
        blanks();
        if (take(u'-'))
            blanks();
        return at > from;
    }
    // "(text)", giving the text; nothing is taken without the closing parenthesis.
    bool comment(QStringView& inside)
    {
        if (peek() != u'(')
            return false;
        const qsizetype close = text.indexOf(u')', at);
        if (close < 0)
            return false;
        inside = text.sliced(at + 1, close - at - 1);
        at = close + 1;
        return true;
    }
};

struct Fields
{
    int day = 0, month = 0, year = 0, yearDigits = 4;
    int hour = 0, minute = 0, second = 0;
    QChar sign;
    int offsetHours = 0, offsetMinutes = 0;
    QStringView zone;          // a zone name in letters
    QStringView before, after; // comments before and after the zone
};

bool readTime(Scanner& s, Fields& f)
{
    if (!s.number(1, 2, f.hour))
        return false;
    s.blanks();
    if (!s.take(u':'))
        return false;
    s.blanks();
    if (!s.twoDigits(f.minute))
        return false;
    Scanner seconds = s;
    seconds.blanks();
    if (seconds.take(u':'))
    {
        seconds.blanks();
        if (seconds.twoDigits(f.second))
            s = seconds;
    }
    if (s.peek() == u'.' && s.at + 1 < s.text.size() && isDigit(s.text[s.at + 1]))
    {
        ++s.at;
        while (isDigit(s.peek()))
            ++s.at;
    }
    return true;
}

// "-0500" or "EST".
bool readZone(Scanner& s, Fields& f)
{
    const QChar sign = s.peek();
    if (sign == u'+' || sign == u'-')
    {
        Scanner digits = s;
        ++digits.at;
        if (digits.twoDigits(f.offsetHours) && digits.twoDigits(f.offsetMinutes))
        {
            f.sign = sign;
            s = digits;
            return true;
        }
        return false;
    }
    f.zone = s.word(5);
    return !f.zone.isEmpty();
}

// "Tue, 5 Mar 1996 10:00:00", the Internet form.
bool readDayFirst(Scanner& s, Fields& f)
{
    s.blanks();
    if (!s.word().isEmpty())
    {
        s.blanks();
        s.take(u',');
        s.blanks();
    }
    if (!s.number(1, 2, f.day) || !s.separator())
        return false;
    const QStringView month = s.word();
    if (month.size() < 3 || !(f.month = monthNumber(month)))
        return false;
    s.take(u'.');
    return s.separator() && s.number(2, 4, f.year, &f.yearDigits) && s.blanks() && readTime(s, f);
}

// "Tue Dec  1 10:00:00 [PST] 2026" (the C library's form) and "Dec 1, 2026 10:00:00".
bool readMonthFirst(Scanner& s, Fields& f)
{
    s.blanks();
    QStringView month = s.word();
    Scanner afterWord = s;
    afterWord.take(u'.');
    afterWord.blanks();
    if (!monthNumber(month) || !isDigit(afterWord.peek()))
    {
        // A weekday first.
        s.blanks();
        s.take(u',');
        s.blanks();
        month = s.word();
    }
    if (month.size() < 3 || !(f.month = monthNumber(month)))
        return false;
    s.take(u'.');
    if (!s.separator() || !s.number(1, 2, f.day))
        return false;
    s.take(u',');
    if (!s.blanks())
        return false;
    Scanner time = s;
    if (readTime(time, f))
    {
        s = time;
        // The year last, the zone perhaps before it.
        Scanner zone = s;
        if (zone.blanks() && readZone(zone, f) && zone.blanks() && zone.number(4, 4, f.year))
        {
            s = zone;
            return true;
        }
        f.zone = {};
        f.sign = QChar();
        return s.blanks() && s.number(4, 4, f.year);
    }
    return s.number(2, 4, f.year, &f.yearDigits) && s.blanks() && readTime(s, f);
}

// "2026-12-01 10:00:00" and "2026-12-01T10:00:00".
bool readIso(Scanner& s, Fields& f)
{
    s.blanks();
    return s.number(4, 4, f.year) && s.take(u'-') && s.number(1, 2, f.month) && s.take(u'-') && s.number(1, 2, f.day) &&
           (s.take(u'T') || s.blanks()) && readTime(s, f);
}

// What may follow the time: a comment, the zone, another comment.
void readZonePart(Scanner& s, Fields& f)
{
    s.blanks();
    if (f.sign.isNull() && f.zone.isEmpty())
    {
        if (s.comment(f.before))
            s.blanks();
        readZone(s, f);
        s.blanks();
    }
    s.comment(f.after);
}

// A comment that names a zone in words ("CST", "Central Standard Time").
bool isZoneWords(QStringView text)
{
    if (text.isEmpty() || text.size() > 41 || !isLetter(text.front()))
        return false;
    for (QChar c : text)
        if (!isLetter(c) && c != u' ' && c != u'+' && c != u'/' && c != u'_' && c != u'-')
            return false;
    return true;
}

// A zone of a fixed offset, made once per offset: making one costs more than reading the date.
QTimeZone zoneOf(int offsetSeconds)
{
    thread_local QHash<int, QTimeZone> zones;
    auto it = zones.constFind(offsetSeconds);
    if (it == zones.constEnd())
        it = zones.insert(offsetSeconds, QTimeZone(offsetSeconds));
    return *it;
}

} // namespace

MailDate MailDate::parse(const QString& text)
{
    Fields f;
    bool read = false;
    Scanner s{text};
    for (bool (*form)(Scanner&, Fields&) : {readDayFirst, readMonthFirst, readIso})
    {
        f = Fields();
        s = Scanner{text};
        if ((read = form(s, f)))
            break;
    }
    MailDate result;
    if (!read)
        return result;
    readZonePart(s, f);

    if (f.yearDigits == 2)
        f.year += f.year < 50 ? 2000 : 1900;
    else if (f.yearDigits == 3)
        f.year += 1900;
    const QDate date(f.year, f.month, f.day);
    const QTime time(f.hour, f.minute, f.second);
    if (!date.isValid() || !time.isValid())
        return result;

    int offsetMinutes = 0;
    // The zone's name in a comment, after the offset or (as some old mailers wrote it) before.
    const QStringView comment = (f.after.isEmpty() ? f.before : f.after).trimmed();
    if (!f.sign.isNull())
    {
        if (f.offsetHours > 23 || f.offsetMinutes > 59)
            return result;
        offsetMinutes = (f.offsetHours * 60 + f.offsetMinutes) * (f.sign == u'-' ? -1 : 1);
        result.hasZone = true;
        if (isZoneWords(comment))
            result.zoneName = comment.toString();
    }
    else if (!f.zone.isEmpty())
    {
        result.hasZone = true;
        if (namedZone(f.zone, offsetMinutes))
            result.zoneName = f.zone.toString().toUpper();
        else
            result.zoneUnknown = true; // read as UTC
    }
    else if (namedZone(comment, offsetMinutes))
    {
        // Only a comment names the zone: "10:00:00 (EST)".
        result.hasZone = true;
        result.zoneName = comment.toString().toUpper();
    }
    result.dateTime = QDateTime(date, time, zoneOf(offsetMinutes * 60));
    return result;
}

namespace
{

// The date in the locale's long form; the last one is kept, as mail comes in runs of one day.
QString longDate(QDate date)
{
    thread_local QLocale locale;
    thread_local QDate last;
    thread_local QString text;
    const QLocale current;
    if (date != last || current != locale || text.isNull())
    {
        locale = current;
        last = date;
        text = current.toString(date, QLocale::LongFormat);
    }
    return text;
}

void appendTwoDigits(QString& text, int n)
{
    text += QChar(u'0' + n / 10);
    text += QChar(u'0' + n % 10);
}

} // namespace

QString formatMailDate(const QDateTime& dateTime, bool hasZone, const QString& zoneName, const QString& asWritten)
{
    if (!dateTime.isValid())
        return asWritten.simplified();
    // In its own offset: the sender's clock, not ours.
    const QTime time = dateTime.time();
    QString text = longDate(dateTime.date());
    text.reserve(text.size() + 40 + zoneName.size());
    text += u' ';
    appendTwoDigits(text, time.hour());
    text += u':';
    appendTwoDigits(text, time.minute());
    text += u':';
    appendTwoDigits(text, time.second());
    if (!hasZone)
        return text + QStringLiteral(" (no time zone given)");
    const int offset = dateTime.offsetFromUtc() / 60;
    text += offset < 0 ? QStringLiteral(" -") : QStringLiteral(" +");
    appendTwoDigits(text, qAbs(offset) / 60);
    appendTwoDigits(text, qAbs(offset) % 60);
    if (!zoneName.isEmpty())
        text += QStringLiteral(" (") + zoneName + u')';
    return text;
}

QString formatMailDate(const Message& message)
{
    return message.dateText.isEmpty()
               ? formatMailDate(message.date, message.dateHasZone, message.dateZone, QString())
               : formatMailDate(message.dateText);
}

QString MailDate::format(const QString& asWritten) const
{
    return zoneUnknown ? asWritten.simplified() : formatMailDate(dateTime, hasZone, zoneName, asWritten);
}

QString formatMailDate(const QString& asWritten)
{
    return MailDate::parse(asWritten).format(asWritten);
}

} // namespace Render
