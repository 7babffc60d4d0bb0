#include "PrinterList.h"

#include "AppError.h"
#include "Conversions.h"
#include "GetSetPrinter.h"
#include "PrinterSystem.h"
#include "SettingsStore.h"

void FillPrinterList(PrinterListControl& list, PrinterSystem& printers, Dialogs& dialogs, const SettingsStore& settings,
                     const QString& key)
{
    const QString defaultName = GetSetPrinter::GetDefaultPrinter(printers, dialogs);
    const QStringList names = printers.printerNames();
    for (const QString& name : names)
        list.addItem(name);

    // Printers are remembered by position, so a removed printer can leave the
    // stored position past the end of the list.
    if (!settings.read(key).isEmpty())
    {
        const int position = Conversions::toListPosition(settings.read(key, QString::number(list.currentIndex())));
        if (position < -1 || position >= list.count())
            throw AppError::invalidPropertyValue(QStringLiteral("Vellumtide"));
        list.setCurrentIndex(position);
    }
    else if (!defaultName.isEmpty())
    {
        const int position = static_cast<int>(names.indexOf(defaultName));
        if (position >= 0)
            list.setCurrentIndex(position);
    }
}
