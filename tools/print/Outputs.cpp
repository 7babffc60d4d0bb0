#include "Outputs.h"

#include "CupsPrinterSystem.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "Options.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cups/cups.h>

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
    for (const QString& path : {options.combined, options.loadFile})
    {
        if (path.isEmpty())
            continue;
        const QFileInfo file(path);
        if (file.exists() || file.isSymLink())
            return Failure{OutputUnwritable, QStringLiteral("\"%1\" already exists; it is never replaced").arg(path)};
        if (!writableFolder(file.absolutePath()))
            return Failure{OutputUnwritable,
                           QStringLiteral("the folder of \"%1\" does not exist or cannot be written to").arg(path)};
    }
    return std::nullopt;
}

Outputs::Outputs(const Options& options, QString printer)
    : m_printer(std::move(printer)), m_print(options.print), m_attachments(options.attachments)
{
    if (options.batesPrefix)
    {
        const Render::BatesNumbers first{*options.batesPrefix, options.batesStart, options.batesDigits};
        m_printerBates = m_outDirBates = m_combinedBates = first;
    }
    if (!options.outDir.isEmpty())
        m_names.emplace(options.outDir);
    if (!options.combined.isEmpty())
        m_combined = std::make_unique<Render::CombinedPdf>(
            options.combined, Render::PdfOptions{options.attachments, m_combinedBates ? &*m_combinedBates : nullptr});
    if (!options.loadFile.isEmpty())
        m_loadFile.emplace(options.loadFile);
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
    // Attachments and production numbers come with the PDF: the printer gets that PDF.
    if (m_print && !(m_attachments || m_printerBates ? printPdf(message, &reason)
                                                     : Render::MessagePrinter::toPrinter(message, m_printer, &reason)))
        ok = false;
    if (m_names)
    {
        const QString path =
            m_names->take(Render::messageFileBase(message.date, message.subject), QStringLiteral(".pdf"));
        Render::PendingFile pdf(path);
        QString pdfReason;
        Render::PlacedMessage placed;
        const std::optional<Render::BatesNumbers> before = m_outDirBates;
        if (!Render::writeMessagePdf(message, pdf.tempPath(),
                                     {m_attachments, m_outDirBates ? &*m_outDirBates : nullptr}, &placed, &pdfReason) ||
            (beforeNaming && !beforeNaming(pdf.tempPath(), path, &pdfReason)) || !pdf.commit(&pdfReason))
        {
            ok = false;
            reason = reason.isEmpty() ? pdfReason : reason + QStringLiteral("; ") + pdfReason;
            m_outDirBates = before; // no numbers for a file that is not there
        }
        else if (m_loadFile)
            m_loadFile->add(message, path, placed, m_store, m_folder);
    }
    if (m_combined && !m_combinedHasCurrent)
    {
        const Render::PlacedMessage placed = m_combined->addMessage(message);
        if (m_loadFile)
            m_loadFile->add(message, m_combined->path(), placed, m_store, m_folder);
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

bool Outputs::printPdf(const Render::Message& message, QString* error)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("message.pdf"));
    const std::optional<Render::BatesNumbers> before = m_printerBates;
    if (!dir.isValid() ||
        !Render::writeMessagePdf(message, pdf, {m_attachments, m_printerBates ? &*m_printerBates : nullptr}, nullptr,
                                 error))
    {
        m_printerBates = before;
        return false;
    }
    const QString title =
        message.subject.simplified().isEmpty() ? QStringLiteral("(no subject)") : message.subject.simplified();
    // One job for the message and its attachments.
    if (cupsPrintFile(m_printer.toUtf8().constData(), QFile::encodeName(pdf).constData(), title.toUtf8().constData(), 0,
                      nullptr) > 0)
        return true;
    m_printerBates = before;
    if (error)
        *error = QStringLiteral("the printer \"%1\" did not take the job: %2")
                     .arg(m_printer, QString::fromUtf8(cupsLastErrorString()));
    return false;
}

bool Outputs::finish(QString* error)
{
    QString reason;
    if (m_combined && !m_combined->finish(&reason))
    {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_combined->path(), reason);
        return false;
    }
    if (m_loadFile && !m_loadFile->finish(&reason))
    {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_loadFile->path(), reason);
        return false;
    }
    return true;
}

} // namespace PrintTool
