#include "Outputs.h"

#include "CupsPrinterSystem.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "Options.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

namespace PrintTool
{

namespace
{

enum ExitCode
{
    PrinterMissing = 4,
    OutputUnwritable = 5,
};

bool writableFolder(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace

std::optional<Outputs::Failure> Outputs::check(const Options& options, QString& printer)
{
    if (options.print)
    {
        CupsPrinterSystem printers;
        const QStringList names = printers.printerNames();
        if (names.isEmpty())
        {
            const PrinterSystem::DefaultPrinter server = printers.defaultPrinter();
            return Failure{PrinterMissing,
                           QStringLiteral("the print server cannot be reached or has no printers (%1)")
                               .arg(server.errorText.isEmpty() ? QStringLiteral("no printer") : server.errorText)};
        }
        if (printer.isEmpty())
        {
            printer = printers.defaultPrinter().name;
            if (printer.isEmpty())
                return Failure{PrinterMissing,
                               QStringLiteral("there is no default printer; name one of: %1").arg(names.join(u", "))};
        }
        if (!names.contains(printer))
            return Failure{
                PrinterMissing,
                QStringLiteral("there is no printer \"%1\"; the printers are: %2").arg(printer, names.join(u", "))};
    }
    if (!options.outDir.isEmpty() && (!QDir().mkpath(options.outDir) || !writableFolder(options.outDir)))
        return Failure{OutputUnwritable,
                       QStringLiteral("the folder \"%1\" cannot be created or written to").arg(options.outDir)};
    if (!options.combined.isEmpty())
    {
        const QFileInfo file(options.combined);
        if (file.exists() || file.isSymLink())
            return Failure{OutputUnwritable,
                           QStringLiteral("\"%1\" already exists; it is never replaced").arg(options.combined)};
        if (!writableFolder(file.absolutePath()))
            return Failure{
                OutputUnwritable,
                QStringLiteral("the folder of \"%1\" does not exist or cannot be written to").arg(options.combined)};
    }
    return std::nullopt;
}

Outputs::Outputs(const Options& options, QString printer) : m_printer(std::move(printer)), m_print(options.print)
{
    if (!options.outDir.isEmpty())
        m_names.emplace(options.outDir);
    if (!options.combined.isEmpty())
        m_combined = std::make_unique<Render::CombinedPdf>(options.combined);
}

bool Outputs::begin(const QList<Render::CombinedPdf::Entry>& entries, QString* error)
{
    if (!m_combined)
        return true;
    const QString title = QStringLiteral("Messages printed on %1").arg(QDate::currentDate().toString(Qt::ISODate));
    return m_combined->begin(title, entries, error);
}

bool Outputs::print(const Render::Message& message, QString* error)
{
    bool ok = true;
    QString reason;
    if (m_print && !Render::MessagePrinter::toPrinter(message, m_printer, &reason))
        ok = false;
    if (m_names)
    {
        const QString finalPath =
            m_names->take(Render::messageFileBase(message.date, message.subject), QStringLiteral(".pdf"));
        Render::PendingFile pdf(finalPath);
        QString pdfReason;
        if (!Render::MessagePrinter::toPdf(message, pdf.tempPath(), QPageSize(QPageSize::A4), &pdfReason) ||
            (beforeNaming && !beforeNaming(pdf.tempPath(), finalPath, &pdfReason)) || !pdf.commit(&pdfReason))
        {
            ok = false;
            reason = reason.isEmpty() ? pdfReason : reason + QStringLiteral("; ") + pdfReason;
        }
    }
    if (m_combined && !m_combinedHasCurrent)
    {
        m_combined->addMessage(message);
        m_combinedHasCurrent = true;
    }
    Render::MessagePrinter::releaseFreedMemory();
    if (!ok && error)
        *error = reason;
    return ok;
}

void Outputs::missing(const QString& subject, const QString& reason)
{
    if (m_combined && !m_combinedHasCurrent)
    {
        m_combined->addMissing(subject, reason);
        m_combinedHasCurrent = true;
    }
}

bool Outputs::finish(QString* error)
{
    return !m_combined || m_combined->finish(error);
}

} // namespace PrintTool
