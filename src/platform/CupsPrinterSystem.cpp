#include "CupsPrinterSystem.h"

#include <QtGlobal>
#include <cups/cups.h>
#include <optional>
#include <utility>

namespace
{

// Owns the array cupsGetDests2 returns.
class DestList
{
public:
    DestList() { m_count = cupsGetDests2(CUPS_HTTP_DEFAULT, &m_dests); }
    ~DestList() { cupsFreeDests(m_count, m_dests); }
    DestList(const DestList&) = delete;
    DestList& operator=(const DestList&) = delete;

    int count() const { return m_count; }
    cups_dest_t* dests() const { return m_dests; }
    cups_dest_t* begin() const { return m_dests; }
    cups_dest_t* end() const { return m_dests + m_count; }

private:
    cups_dest_t* m_dests = nullptr;
    int m_count = 0;
};

struct DestDeleter
{
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};

QString lastCupsError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

} // namespace

QStringList CupsPrinterSystem::printerNames()
{
    const DestList list;
    QStringList names;
    for (const cups_dest_t& dest : list)
    {
        // Instances ("queue/instance") are option sets of a queue, not printers of their own.
        if (!dest.instance)
            names.append(QString::fromUtf8(dest.name));
    }
    return names;
}

PrinterSystem::DefaultPrinter CupsPrinterSystem::defaultPrinter()
{
    DefaultPrinter result;
    std::unique_ptr<cups_dest_t, DestDeleter> dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
    if (dest)
    {
        result.name = QString::fromUtf8(dest->name);
        return result;
    }
    const long errorNumber = static_cast<long>(cupsLastError());
    const QString errorText = lastCupsError();
    // Queues without a default are common on CUPS: that is no fault, only no choice yet.
    // No queue at all, or a server that cannot be reached, is.
    if (!printerNames().isEmpty())
        return result;
    result.errorNumber = errorNumber;
    result.errorText = errorText;
    if (result.errorNumber == 0)
    {
        // cupsGetNamedDest leaves no error when there simply is no default.
        result.errorNumber = static_cast<long>(IPP_STATUS_ERROR_NOT_FOUND);
        result.errorText = QStringLiteral("No default printer.");
    }
    return result;
}

PrinterSystem::DefaultPrinter CupsPrinterSystem::savedDefaultPrinter()
{
    // libcups reads the variables on every call: set aside for one lookup, they leave
    // lpoptions (then the server's default) to answer.
    const char* const overrides[] = {"PRINTER", "LPDEST"};
    std::pair<const char*, std::optional<QByteArray>> saved[2];
    for (int i = 0; i < 2; ++i)
    {
        saved[i].first = overrides[i];
        if (qEnvironmentVariableIsSet(overrides[i]))
            saved[i].second = qgetenv(overrides[i]);
        qunsetenv(overrides[i]);
    }
    DefaultPrinter result = defaultPrinter();
    for (const auto& [name, value] : saved)
    {
        if (value)
            qputenv(name, *value);
    }
    return result;
}

bool CupsPrinterSystem::setDefaultPrinter(const QString& name, QString* errorText)
{
    auto fail = [&](QString why) {
        if (errorText)
            *errorText = std::move(why);
        return false;
    };
    if (name.isEmpty())
        return fail(QStringLiteral("No printer name."));

    const DestList list;
    const QByteArray wanted = name.toUtf8();
    bool found = false;
    for (cups_dest_t& dest : list)
    {
        const bool match = !dest.instance && wanted == dest.name;
        found = found || match;
        dest.is_default = match ? 1 : 0;
    }
    if (!found)
        return fail(QStringLiteral("The printer %1 is not installed.").arg(name));
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, list.count(), list.dests()) != 0)
        return fail(lastCupsError());
    // libcups and Qt let PRINTER and LPDEST override lpoptions; once the user has chosen,
    // the choice decides where this program prints.
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    return true;
}
