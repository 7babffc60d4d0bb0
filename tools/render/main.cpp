// vellumtide-render: renders message files to PDF, or prints each as one job.
//
//   vellumtide-render [--printer [NAME]] [--outdir DIR] [--html] [--stats] FILE...
//
// Exit code 0 only when every file was rendered; one line per failed file on stderr.

#include "MboxFormat.h"
#include "MessageDocument.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "OutputFiles.h"
#include "QuietQt.h"
#include "Version.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <cstdio>
#include <unistd.h>

namespace
{

void usage()
{
    std::fputs("usage: vellumtide-render [--printer [NAME]] [--outdir DIR] [--html] [--stats] FILE...\n"
               "  renders each message file to DIR/<file name>.pdf (DIR defaults to the current folder),\n"
               "  or with --printer prints each as one job on NAME or the default printer.\n"
               "  No output replaces a file: a name already taken (by this call or in DIR) gets -2, -3, ...\n"
               "  An mbox file gives one output per message: <file name>-1.pdf, <file name>-2.pdf, ...\n"
               "  --html writes DIR/<file name>.html instead (the same content as HTML).\n"
               "  --stats prints, per file, the milliseconds it took and the resident memory after it.\n",
               stderr);
}

void fail(const QString& file, const QString& reason)
{
    std::fprintf(stderr, "vellumtide-render: %s: %s\n", qPrintable(file), qPrintable(reason));
}

// Resident memory of this process in KiB, from /proc/self/statm.
long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One message to render: read from its file, or from its place in an mbox file.
struct Source
{
    QString label; ///< file name, or "file name-n" for a message of an mbox file
    QByteArray bytes;
    bool fromMailbox = false;
};

// The messages of one input file: each message of an mbox file, or the file itself.
std::vector<Source> sourcesOf(const QString& file)
{
    std::vector<Source> sources;
    const QFileInfo info(file);
    QFile in(file);
    // An mbox file starts with a message; each of its messages is rendered on its own.
    QList<qint64> offsets;
    if (info.isFile() && in.open(QIODevice::ReadOnly))
        Render::MboxFormat::scan(in, [&](qint64 offset, const QByteArray&) { offsets << offset; });
    if (!offsets.isEmpty() && offsets.first() == 0)
    {
        for (int i = 0; i < offsets.size(); ++i)
            sources.push_back(
                {offsets.size() == 1 ? info.fileName() : QStringLiteral("%1-%2").arg(info.fileName()).arg(i + 1),
                 Render::MboxFormat::readMessage(in, offsets[i]), true});
        return sources;
    }
    sources.push_back({info.fileName(), {}, false});
    return sources;
}

} // namespace

int main(int argc, char** argv)
{
    if (printVersionWhenAsked(argc, argv, "vellumtide-render"))
        return 0;
    qInstallMessageHandler(Render::quietQtMessages);
    // A command-line tool needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    bool print = false;
    bool html = false;
    bool stats = false;
    QString printer;
    QString outDir = QDir::currentPath();
    QStringList files;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i)
    {
        const QString& arg = args[i];
        if (arg == u"--printer")
        {
            print = true;
            // The name is optional: take the next argument only when it names a printer.
            if (i + 1 < args.size() && !QPrinterInfo::printerInfo(args[i + 1]).isNull())
                printer = args[++i];
        }
        else if (arg.startsWith(u"--printer="))
        {
            print = true;
            printer = arg.mid(10);
        }
        else if (arg == u"--outdir" && i + 1 < args.size())
            outDir = args[++i];
        else if (arg == u"--html")
            html = true;
        else if (arg == u"--stats")
            stats = true;
        else if (arg == u"--help" || arg == u"-h")
        {
            usage();
            return 0;
        }
        else if (arg == u"--")
        {
            files += args.mid(i + 1);
            break;
        }
        else if (arg.startsWith(u"--"))
        {
            usage();
            return 2;
        }
        else
            files << arg;
    }
    if (files.isEmpty())
    {
        usage();
        return 2;
    }
    if (!print && !QDir().mkpath(outDir))
    {
        fail(outDir, QStringLiteral("cannot create the output folder"));
        return 1;
    }

    if (stats)
        std::printf("stats: start - %ld KiB\n", residentKiB());
    int failed = 0;
    Render::OutputNames names(outDir);
    for (const QString& file : files)
    {
        QElapsedTimer clock;
        clock.start();
        // Each file in a scope of its own: its memory is given back before the next one.
        [&] {
            QString error;
            for (const Source& source : sourcesOf(file))
            {
                Render::Message message;
                const bool read = source.fromMailbox ? Render::MimeReader::readBytes(source.bytes, message, &error)
                                                     : Render::MimeReader::readFile(file, message, &error);
                const QString what = source.fromMailbox ? QStringLiteral("%1 (%2)").arg(file, source.label) : file;
                if (!read)
                {
                    if (error == Render::MimeReader::notMailError())
                        error += QStringLiteral("; to print the messages of a mail store (.pst, .ost, mbox, "
                                                "Maildir) use vellumtide-print --store");
                    fail(what, error);
                    ++failed;
                    continue;
                }
                const QString target =
                    names.take(source.label, html ? QStringLiteral(".html") : QStringLiteral(".pdf"));
                bool ok = false;
                if (html)
                {
                    QFile out(target);
                    ok = out.open(QIODevice::WriteOnly) &&
                         out.write("<html><head><meta charset=\"utf-8\"></head><body>" +
                                   Render::MessageDocument::composeHtml(message).toUtf8() + "</body></html>") > 0;
                    if (!ok)
                        error = out.errorString();
                }
                else if (print)
                    ok = Render::MessagePrinter::toPrinter(message, printer, &error);
                else
                {
                    Render::PendingFile pdf(target);
                    ok = Render::MessagePrinter::toPdf(message, pdf.tempPath(), QPageSize(QPageSize::A4), &error) &&
                         pdf.commit(&error);
                }
                if (!ok)
                {
                    fail(what, error);
                    ++failed;
                }
            }
        }();
        Render::MessagePrinter::releaseFreedMemory();
        if (stats)
            std::printf("stats: %s %lld ms %ld KiB\n", qPrintable(QFileInfo(file).fileName()),
                        static_cast<long long>(clock.elapsed()), residentKiB());
    }
    return failed == 0 ? 0 : 1;
}
