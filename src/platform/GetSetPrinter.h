#pragma once

#include <QString>

class Dialogs;
class PrinterSystem;

// Reading and switching the default printer: both print runs print on it.
namespace GetSetPrinter
{

/// The device name of the current default printer; empty when printers exist but none
/// is the default, and empty after one message when it cannot be read.
QString GetDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs);

/// The default printer the user saved, whatever PRINTER or LPDEST say for this process;
/// failures as GetDefaultPrinter.
QString GetSavedDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs);

/// Makes name the default printer. Never throws; on failure returns false and, when
/// reportFailure is set, says "Cannot set printer.".
bool SetDefaultPrinter(PrinterSystem& printers, Dialogs& dialogs, const QString& name, bool reportFailure);

} // namespace GetSetPrinter
