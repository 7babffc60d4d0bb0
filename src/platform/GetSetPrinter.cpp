#include "GetSetPrinter.h"

#include "Dialogs.h"
#include "PrinterSystem.h"

#include <exception>

namespace GetSetPrinter
{

namespace
{

QString readDefault(PrinterSystem& printers, Dialogs& dialogs, PrinterSystem::DefaultPrinter (PrinterSystem::*read)())
{
    PrinterSystem::DefaultPrinter current;
    try
    {
        current = (printers.*read)();
    }
    catch (const std::exception& error)
    {
        current.errorNumber = -1;
        current.errorText = QString::fromLocal8Bit(error.what());
    }
    // Printers without a default is a state, not a failure: nothing to say.
    if (current.name.isEmpty() && current.errorNumber != 0)
    {
        dialogs.message(QStringLiteral("Error No: ") + QString::number(current.errorNumber) + QStringLiteral("\r\n") +
                            current.errorText + QStringLiteral("\r\n") + QStringLiteral("Has occured in ") +
                            QStringLiteral("modPrinters.GetDefaultPrinter") + QStringLiteral("\r\n") +
                            QStringLiteral("Please contact Technical Support"),
                        QString(), Dialogs::Icon::None);
    }
    return current.name;
}

} // namespace

QString GetDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs)
{
    return readDefault(printers, dialogs, &PrinterSystem::defaultPrinter);
}

QString GetSavedDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs)
{
    return readDefault(printers, dialogs, &PrinterSystem::savedDefaultPrinter);
}

bool SetDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs, const QString& name, bool reportFailure)
{
    bool done = false;
    try
    {
        done = printers.setDefaultPrinter(name, nullptr);
    }
    catch (const std::exception&)
    {
        done = false;
    }
    if (!done && reportFailure)
        dialogs.message(QStringLiteral("Cannot set printer."), QString(), Dialogs::Icon::None);
    return done;
}

} // namespace GetSetPrinter
