#pragma once

#include <QString>
#include <QStringList>

/// The system's printers: the installed queues and the user's default one.
class PrinterSystem
{
public:
    struct DefaultPrinter
    {
        QString name;         ///< empty when there is none
        long errorNumber = 0; ///< why there is none; 0 when printers exist but none is the default
        QString errorText;
    };

    virtual ~PrinterSystem() = default;
    /// Device names of the installed printers, in the order the system lists them.
    virtual QStringList printerNames() = 0;
    /// The user's current default printer, or why it cannot be read.
    virtual DefaultPrinter defaultPrinter() = 0;
    /// The default the user chose and saved, leaving out what the environment of this
    /// process puts in force for it (PRINTER, LPDEST).
    virtual DefaultPrinter savedDefaultPrinter() { return defaultPrinter(); }
    /// Makes name the user's default printer for the system and for every later job of
    /// this process; false with a reason when it cannot.
    virtual bool setDefaultPrinter(const QString& name, QString* errorText) = 0;
};
