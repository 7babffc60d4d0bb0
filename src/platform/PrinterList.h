#pragma once

#include <QString>
#include <functional>

class Dialogs;
class PrinterSystem;
class SettingsStore;

/// A window's drop-down list of printers, as the fill procedure drives it.
/// Setting the index must behave like the user's click (the window stores it).
struct PrinterListControl
{
    std::function<void(const QString&)> addItem;
    std::function<int()> count;
    std::function<int()> currentIndex;
    std::function<void(int)> setCurrentIndex;
};

/// Fills a window's printer list with the installed printers in the system's order and
/// selects the position remembered under key, or else the default printer. Throws
/// AppError when the remembered position is not a number or no longer in the list;
/// the list then stays filled without a selection.
void FillPrinterList(PrinterListControl& list, PrinterSystem& printers, Dialogs& dialogs, const SettingsStore& settings,
                     const QString& key);
