#include "MailRow.h"

#include "AppError.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace Outlook::MailRow
{

namespace
{

// The system formats, with the zone name left out of the long time: the grid shows
// local times as the mail client would.
struct DateFormats
{
    QLocale locale = QLocale::system();
    QString date = locale.dateFormat(QLocale::ShortFormat);
    QString time = withoutZone(locale.timeFormat(QLocale::LongFormat));

    static QString withoutZone(QString format)
    {
        static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt+\\b\\)?"));
        return format.remove(zone).trimmed();
    }
};

const DateFormats& formats()
{
    static const DateFormats cached;
    return cached;
}

} // namespace

QString DateText(const QDateTime& time)
{
    if (!time.isValid())
        return {};
    const DateFormats& f = formats();
    // Mail comes in runs of one day: the day's text is made once a run.
    static thread_local QDate lastDate;
    static thread_local QString lastDateText;
    if (const QDate date = time.date(); date != lastDate)
    {
        lastDateText = f.locale.toString(date, f.date);
        lastDate = date;
    }
    QString text = lastDateText;
    if (const QTime clock = time.time(); clock != QTime(0, 0))
        text += u' ' + f.locale.toString(clock, f.time);
    return text;
}

int MajorVersion(const QString& version)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch match = leading.match(version);
    if (!match.hasMatch())
        return 0;
    const double value = std::nearbyint(match.captured(1).toDouble()); // the default rounding is half to even
    if (value < -32768 || value > 32767)
        throw AppError::overflow(QStringLiteral("Vellumtide"));
    return static_cast<int>(value);
}

} // namespace Outlook::MailRow
