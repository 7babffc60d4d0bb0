#pragma once

#include "PrinterSystem.h"

/// Printers through libcups: the destinations in CUPS's order, the default as CUPS
/// resolves it (PRINTER/LPDEST, lpoptions, then the server's), written to lpoptions.
/// Choosing a default removes PRINTER and LPDEST from this process's environment, so
/// the choice also decides for Qt's printing.
class CupsPrinterSystem : public PrinterSystem
{
public:
    QStringList printerNames() override;
    DefaultPrinter defaultPrinter() override;
    DefaultPrinter savedDefaultPrinter() override;
    bool setDefaultPrinter(const QString& name, QString* errorText) override;
};
