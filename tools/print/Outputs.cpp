#include "Outputs.h"

#include "CupsPrinterSystem.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "Options.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThreadPool>
#include <cerrno>
#include <csignal>
#include <cups/cups.h>
#include <sys/wait.h>
#include <unistd.h>

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
        auto pdf = std::make_unique<Render::PendingFile>(path);
        QString pdfReason;
        Render::PlacedMessage placed;
        const std::optional<Render::BatesNumbers> before = m_outDirBates;
        // The first message is rendered here: the fonts it loads are then every worker's from the start.
        // Numbers that run across messages are only ever counted here, in message order.
        const bool forked =
            m_maxJobs > 1 && m_rendered > 0 && !m_outDirBates && !m_loadFile && startJob(message, pdf, path);
        ++m_rendered;
        if (!forked && (!Render::writeMessagePdf(message, pdf->tempPath(),
                                                 {m_attachments, m_outDirBates ? &*m_outDirBates : nullptr}, &placed,
                                                 &pdfReason) ||
                        !commitPdf(*pdf, path, m_row, &pdfReason)))
        {
            ok = false;
            reason = reason.isEmpty() ? pdfReason : reason + QStringLiteral("; ") + pdfReason;
            m_outDirBates = before; // no numbers for a file that is not there
        }
        else if (m_loadFile && !forked)
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
    drain();
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

Outputs::~Outputs()
{
    lateFailure = nullptr; // whoever reported them may be gone
    drain();
}

bool Outputs::commitPdf(Render::PendingFile& pdf, const QString& finalPath, int row, QString* reason)
{
    m_namingRow = row;
    return (!beforeNaming || beforeNaming(pdf.tempPath(), finalPath, reason)) && pdf.commit(reason);
}

// Workers are forked copies of this process, started once the first message has loaded
// the fonts. Each reads the message of a row itself and renders it into the temporary
// file it is given, one at a time, so no renderer state is shared between two messages.
bool Outputs::startJob(const Render::Message&, std::unique_ptr<Render::PendingFile>& pdf, const QString& finalPath)
{
    if (!messageOfRow || m_row < 0)
        return false;
    if (m_workers.empty())
        startWorkers();
    const auto busy = [&](size_t w) {
        return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const Job& job) { return job.worker == w; });
    };
    size_t idle = m_workers.size();
    while (!m_workers.empty() &&
           (idle = std::find_if_not(m_workers.begin(), m_workers.end(),
                                    [&](const Worker& w) { return busy(size_t(&w - m_workers.data())); }) -
                   m_workers.begin()) == m_workers.size())
        finishOldest();
    if (idle >= m_workers.size())
        return false;
    const QByteArray request = QByteArray::number(m_row) + ' ' + QFile::encodeName(pdf->tempPath()) + '\n';
    if (::write(m_workers[idle].requests, request.constData(), size_t(request.size())) != request.size())
        return false;
    m_jobs.push_back({idle, std::move(pdf), finalPath, m_row});
    return true;
}

void Outputs::startWorkers()
{
    // A worker that died makes its request fail, and the message is rendered here instead.
    std::signal(SIGPIPE, SIG_IGN);
    // Threads do not survive a fork: a copy of Qt's pool that believed it still had idle
    // threads (left by image conversions of the first message) would wait on them for ever.
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < m_maxJobs; ++i)
    {
        int requests[2], replies[2];
        if (::pipe(requests) != 0)
            return;
        if (::pipe(replies) != 0)
        {
            ::close(requests[0]);
            ::close(requests[1]);
            return;
        }
        const pid_t pid = ::fork();
        if (pid == 0)
        {
            // Ctrl-C stops the run, not a file half-written: the worker completes it, the run names it.
            std::signal(SIGINT, SIG_IGN);
            std::signal(SIGTERM, SIG_IGN);
            ::close(requests[1]);
            ::close(replies[0]);
            for (const Worker& earlier : m_workers)
            {
                ::close(earlier.requests);
                ::close(earlier.replies);
            }
            ::_exit(serveRequests(requests[0], replies[1]));
        }
        ::close(requests[0]);
        ::close(replies[1]);
        if (pid < 0)
        {
            ::close(requests[1]);
            ::close(replies[0]);
            return;
        }
        m_workers.push_back({pid, requests[1], replies[0]});
    }
}

int Outputs::serveRequests(int requests, int replies)
{
    QFile in;
    if (!in.open(requests, QIODevice::ReadOnly))
        return 1;
    for (QByteArray line; !(line = in.readLine()).isEmpty();)
    {
        line.chop(1);
        const int row = line.left(line.indexOf(' ')).toInt();
        const QString temp = QFile::decodeName(line.mid(line.indexOf(' ') + 1));
        QString reason;
        const std::optional<Render::Message> message = messageOfRow(row);
        if (!message)
            reason = QStringLiteral("the message can no longer be read from its store");
        else
            Render::writeMessagePdf(*message, temp, {m_attachments, nullptr}, nullptr, &reason);
        Render::MessagePrinter::releaseFreedMemory();
        QByteArray reply = reason.toUtf8().replace('\n', ' ').left(4000);
        if (message && reason.isEmpty())
            reply = "ok";
        reply += '\n';
        if (::write(replies, reply.constData(), size_t(reply.size())) != reply.size())
            return 1;
    }
    return 0;
}

void Outputs::finishOldest()
{
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    // One line per request, in the order the worker was given them.
    QByteArray said;
    char c = 0;
    for (ssize_t got; (got = ::read(m_workers[job.worker].replies, &c, 1)) != 0 && c != '\n';)
        if (got > 0)
            said += c;
        else if (errno != EINTR)
            break;
    QString reason = said == "ok" ? QString() : QString::fromUtf8(said);
    if (said.isEmpty())
        reason = QStringLiteral("the process rendering the PDF ended abnormally");
    const bool ok = reason.isEmpty() && commitPdf(*job.pdf, job.finalPath, job.row, &reason);
    if (!ok && lateFailure)
        lateFailure(job.row, reason);
}

void Outputs::drain()
{
    while (!m_jobs.empty())
        finishOldest();
    for (const Worker& worker : m_workers)
    {
        ::close(worker.requests);
        ::close(worker.replies);
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR)
        {
        }
    }
    m_workers.clear();
}

} // namespace PrintTool
