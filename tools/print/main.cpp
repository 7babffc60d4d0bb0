// vellumtide-print: the main window's print run without a window. Lists the mail of
// the given stores into the same grid model, selects rows by the window's rules and
// prints them through the engine's items, on a printer or into PDF files.
// See README.md for the options and exit codes.

#include "AppError.h"
#include "Dialogs.h"
#include "EventPump.h"
#include "ExitCode.h"
#include "ExtractionRun.h"
#include "LineSteps.h"
#include "ListRows.h"
#include "MailEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "Message.h"
#include "Namespace.h"
#include "Options.h"
#include "Outputs.h"
#include "PosixProcessLauncher.h"
#include "PrintRun.h"
#include "ProcessLaunch.h"
#include "Profile.h"
#include "QuietQt.h"
#include "ReportListModel.h"
#include "ResumeManifest.h"
#include "Selection.h"
#include "StoreDiscovery.h"
#include "StoreNode.h"
#include "Version.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace
{

enum ExitCode
{
    AllPrinted = 0,
    SomeFailed = 1,
    BadArguments = 2,
    SourceUnreadable = 3,
    PrinterUnusable = 4,
    OutputUnwritable = 5,
    Stopped = 130,
};

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int)
{
    stopSignal = 1;
}

// Ctrl-C (or SIGTERM) asks the run to stop after the current message; a second one
// ends the program at once.
void catchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void say(const QString& text)
{
    std::fprintf(stderr, "vellumtide-print: %s\n", qPrintable(text));
}

// The window's dialogs, answered without a window: the folder name for the folder mode,
// and the closing messages kept for the summary.
class ToolDialogs : public Dialogs
{
public:
    explicit ToolDialogs(QString folder) : m_folder(std::move(folder)) {}
    void message(const QString&, const QString&, Icon) override {}
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return m_folder; }
    QStringList openFiles(const OpenFileRequest&) override { return {}; }

private:
    QString m_folder;
};

// Progress on standard error: a bar on a terminal, one line per message otherwise.
class Progress
{
public:
    explicit Progress(bool quiet) : m_quiet(quiet), m_terminal(::isatty(STDERR_FILENO) == 1) {}

    void show(int taken, int total, const QString& subject)
    {
        if (m_quiet)
            return;
        if (!m_terminal)
        {
            std::fprintf(stderr, "%d of %d: %s\n", taken, total, qPrintable(subject.simplified()));
            return;
        }
        constexpr int width = 30;
        const int filled = total > 0 ? int(qint64(width) * taken / total) : width;
        std::fprintf(stderr, "\r[%s%s] %d of %d", QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, '-').constData(), taken, total);
        std::fflush(stderr);
        m_barShown = true;
    }

    /// Ends the bar's line before anything else is written.
    void breakLine()
    {
        if (m_barShown)
            std::fputc('\n', stderr);
        m_barShown = false;
    }

private:
    bool m_quiet;
    bool m_terminal;
    bool m_barShown = false;
};

// The print run's window: no printer switching, progress on standard error, Ctrl-C to stop.
class ToolWindow : public Outlook::PrintRunWindow
{
public:
    ToolWindow(const ReportListModel& grid, Progress& progress, PrintTool::Outputs& outputs)
        : m_grid(grid), m_progress(progress), m_outputs(outputs)
    {
    }
    void setBusy(bool) override {}
    void switchPrinter() override {} // the outputs name their printer; the user's default stays
    void showProgress(int row, int taken, int total) override
    {
        currentRow = row;
        m_outputs.nextMessage(row, m_grid.text(row, Outlook::MailRow::Root),
                              m_grid.text(row, Outlook::MailRow::Folder));
        m_progress.show(taken, total, m_grid.text(row, Outlook::MailRow::Subject));
    }
    void endProgress() override
    {
        currentRow = -1;
        m_progress.breakLine();
    }
    bool stopRequested() override
    {
        QCoreApplication::processEvents();
        return stopSignal != 0;
    }

    int currentRow = -1;

private:
    const ReportListModel& m_grid;
    Progress& m_progress;
    PrintTool::Outputs& m_outputs;
};

// The .dbx files, converted into a private temporary folder that goes when this does.
// Each becomes a store of its own: "<name>.dbx" holding the folder "<name>".
class DbxStores
{
public:
    /// The store folder of the converted file; nothing, with `error`, when it cannot be read.
    std::optional<QString> convert(const QString& dbx, QString& error)
    {
        if (!m_dir.isValid())
        {
            error = QStringLiteral("no temporary folder for the conversion: %1").arg(m_dir.errorString());
            return std::nullopt;
        }
        const QFileInfo info(dbx);
        const QString folderName =
            info.completeBaseName().isEmpty() ? QStringLiteral("Folder") : info.completeBaseName();
        const QString store = m_dir.filePath(QStringLiteral("%1/%2").arg(++m_count).arg(info.fileName()));
        const QString messages = store + u'/' + folderName + QStringLiteral("/cur");
        if (!QDir().mkpath(messages))
        {
            error = QStringLiteral("the temporary folder \"%1\" cannot be created").arg(messages);
            return std::nullopt;
        }
        // Started as the Outlook Express window starts it; its own notes stay off our output.
        PosixProcessLauncher launcher;
        const qint32 code = ProcessLaunch::ShellAndWait(
            launcher,
            ExtractionRun::CommandLine(ExtractionRun::ConverterPath(QCoreApplication::applicationDirPath()), dbx,
                                       messages),
            0);
        if (code == ::ExitCode::Ok)
            return store;
        if (code == ::ExitCode::Damaged)
        {
            say(QStringLiteral("%1: damaged; printing what could be recovered").arg(dbx));
            return store;
        }
        error = ExtractionRun::FailureReason(code);
        return std::nullopt;
    }

private:
    QTemporaryDir m_dir; // created with owner-only access
    int m_count = 0;
};

int run(const PrintTool::Options& options)
{
    catchStopSignals();

    QString printer = options.printer;
    if (options.hasOutput())
        if (const auto failure = PrintTool::Outputs::check(options, printer))
        {
            say(failure->message);
            return failure->exitCode;
        }

    // Sources: each must be readable before anything is printed.
    struct Source
    {
        QString label;
        Outlook::ListingSource listing;
    };
    std::vector<Source> sources;
    const QString profilePath =
        options.profile ? (options.profileFile.isEmpty() ? MailStore::Profile::defaultPath() : options.profileFile)
                        : QString();
    if (options.profile)
    {
        // A profile file named on the command line must be there; without the user's own,
        // the profile is the mail the desktop's mail programs keep.
        if (!options.profileFile.isEmpty() && !QFileInfo(profilePath).isFile())
        {
            say(QStringLiteral("%1: the profile file does not exist").arg(profilePath));
            return SourceUnreadable;
        }
        const std::vector<MailStore::ProfileStore> stores = MailStore::StoreDiscovery::forUser().resolve(profilePath);
        if (options.listStores)
        {
            std::fputs(MailStore::Profile::format(stores).constData(), stdout);
            return AllPrinted;
        }
        if (stores.empty() && !QFileInfo::exists(profilePath))
        {
            say(QStringLiteral("%1 does not exist and no mail was found where the desktop's mail programs keep it")
                    .arg(profilePath));
            return SourceUnreadable;
        }
        for (const MailStore::ProfileStore& store : stores)
        {
            try
            {
                MailStore::cachedStore(store.path);
            }
            catch (const AppError& e)
            {
                say(QStringLiteral("%1 (%2): %3").arg(store.path, store.origin, e.description()));
                return SourceUnreadable;
            }
        }
        sources.push_back({profilePath, {true, false, {}}});
    }
    for (const QString& store : options.stores)
        sources.push_back({store, {false, true, store}});
    DbxStores dbxStores;
    QHash<QString, QString> storeNames; // a converted .dbx file's store -> the file
    for (const QString& dbx : options.dbxFiles)
    {
        QString error;
        const std::optional<QString> store = dbxStores.convert(dbx, error);
        if (!store)
        {
            say(QStringLiteral("%1: %2").arg(dbx, error));
            return stopSignal ? Stopped : SourceUnreadable;
        }
        sources.push_back({dbx, {false, true, *store}});
        storeNames.insert(QFileInfo(*store).absoluteFilePath(), QFileInfo(dbx).absoluteFilePath());
    }

    // Listing: the window's own, into the same grid model.
    MailStore::EngineFactory factory(profilePath);
    ToolDialogs dialogs(options.folders.value(0));
    ReportListModel grid;
    Outlook::EventPump pump;
    Outlook::MailListing listing(factory, dialogs, grid, pump);
    // --list gives each row's date as its page does; the walk reads it from the item it holds anyway.
    QStringList pageDates;
    PrintTool::ListRows listRows(stdout);
    // Rows the listing's order alone chooses go straight out as the walk finds them, kept nowhere.
    const bool streamRows = options.list && !options.listDuplicates && options.folders.isEmpty() &&
                            !PrintTool::needsMessages(options) && options.sort == PrintTool::Options::SortKey::Store &&
                            !options.reverse && sources.size() == 1;
    if (streamRows)
        listing.RowSink = [&](const QStringList& cells) {
            if (!stopSignal) // stopped: no more rows, and the run says so below
                listRows.write(cells, QString());
        };
    else if (options.list)
        listing.PageDates = &pageDates;
    int notCovered = 0; // notes on what the stores hold and the listing does not show
    for (const Source& source : sources)
    {
        listing.FindActive = options.find.has_value();
        listing.FindText = options.find.value_or(QString());
        try
        {
            listing.ListOutlookMail(source.listing);
            // What the listing does not cover is said, as the window says it after "Done.".
            for (const QString& note : listing.ClosingNotes)
                say(note);
            notCovered += int(listing.ClosingNotes.size());
        }
        catch (...)
        {
            say(QStringLiteral("%1: %2").arg(source.label, AppError::describe(std::current_exception())));
            return SourceUnreadable;
        }
    }

    // Choosing: several folders, search, dates, copies and order, over the window's listing.
    if (!options.folders.isEmpty())
    {
        QStringList known, unknown;
        for (const Source& source : sources)
            for (const QString& name : PrintTool::folderNames(factory, source.listing))
                if (!known.contains(name))
                    known << name;
        for (const QString& name : options.folders)
            if (!known.contains(name))
                unknown << u'"' + name + u'"';
        if (!unknown.isEmpty())
        {
            say(QStringLiteral("no folder is named %1; the folders are: %2")
                    .arg(unknown.join(u", "), known.join(u", ")));
            return SomeFailed;
        }
    }
    std::unique_ptr<Outlook::Application> reader;
    std::unique_ptr<Outlook::Namespace> session;
    try
    {
        if (PrintTool::needsMessages(options) || !options.combined.isEmpty())
            session = (reader = factory.create())->GetNamespace(QStringLiteral("MAPI"));
    }
    catch (...)
    {
        say(AppError::describe(std::current_exception()));
        return SourceUnreadable;
    }
    const PrintTool::Choice choice = PrintTool::choose(grid, options, [&](int row) -> std::optional<Render::Message> {
        if (stopSignal)
            return std::nullopt; // the choice is thrown away below
        return PrintTool::readMessage(*session, grid.text(row, Outlook::MailRow::ID));
    });
    if (stopSignal)
    {
        say(QStringLiteral("stopped while choosing the messages: nothing printed"));
        return Stopped;
    }
    if (choice.undated > 0)
        say(QStringLiteral("%1 messages without a readable date are left out of the date range").arg(choice.undated));

    std::unique_ptr<PrintTool::ResumeManifest> manifest;
    QList<int> rows;
    int already = 0;
    if (options.resume && !options.list)
    {
        QString error;
        manifest = PrintTool::ResumeManifest::open(options.outDir, options, &error);
        if (!manifest)
        {
            say(error);
            return OutputUnwritable;
        }
    }
    for (int row : choice.rows)
    {
        if (manifest &&
            manifest->written(PrintTool::ResumeManifest::keyOf(grid.text(row, Outlook::MailRow::ID), storeNames)))
            ++already;
        else
            rows << row;
    }

    // The last line: where every listed message went.
    const auto account = [&](std::optional<int> printed, int failed) {
        const int streamed = streamRows ? listRows.written() : 0;
        QStringList parts{QStringLiteral("%1 listed").arg(grid.rowCount() + streamed),
                          QStringLiteral("%1 selected").arg(choice.selected + streamed)};
        if (printed)
            parts << QStringLiteral("%1 printed").arg(*printed);
        if (options.dedupe)
            parts << QStringLiteral("%1 left out as duplicates").arg(choice.duplicates.size());
        if (manifest)
            parts << QStringLiteral("%1 already in %2").arg(already).arg(options.outDir);
        if (printed)
            parts << QStringLiteral("%1 failed").arg(failed);
        if (notCovered > 0)
            parts << (notCovered == 1 ? QStringLiteral("1 note above on what was not listed")
                                      : QStringLiteral("%1 notes above on what was not listed").arg(notCovered));
        say(parts.join(QStringLiteral(", ")));
    };

    const auto rowTexts = [&](int row) {
        QStringList cells;
        for (int column = 0; column < Outlook::MailRow::ColumnCount; ++column)
            cells << grid.text(row, column);
        return cells;
    };
    // The index and the listing give the date as the message's page does, not the grid's delivery time.
    const auto pageDate = [&](const ReportListModel& model, int row) {
        const QString text = PrintTool::sentOnText(*session, model.text(row, Outlook::MailRow::ID));
        return text.isEmpty() ? model.text(row, Outlook::MailRow::Date) : text;
    };
    if (options.list)
    {
        const auto writeRow = [&](int row, const QString& extra) {
            listRows.write(rowTexts(row), pageDates.value(row), extra);
        };
        if (options.listDuplicates)
            for (const auto& [copy, first] : choice.duplicates)
                writeRow(copy, grid.text(first, Outlook::MailRow::ID));
        else
            for (int row : rows)
                writeRow(row, QString());
        account(std::nullopt, 0);
        return AllPrinted;
    }
    if (rows.isEmpty())
    {
        say(already > 0 ? QStringLiteral("nothing left to print") : QStringLiteral("No records selected"));
        account(0, 0);
        return AllPrinted;
    }
    if (stopSignal)
    {
        say(QStringLiteral("stopped before printing: 0 of %1 messages printed").arg(rows.size()));
        return Stopped;
    }

    // The print run takes every row of a grid holding the chosen rows in their order.
    ReportListModel chosen;
    {
        QList<QStringList> texts;
        for (int row : rows)
            texts << rowTexts(row);
        chosen.addRows(texts);
    }

    // Printing: the window's print run, with the engine's items printing into our outputs.
    PrintTool::Outputs outputs(options, printer);
    QList<Render::CombinedPdf::Entry> entries;
    for (int row = 0; row < chosen.rowCount(); ++row)
        entries.append({options.combined.isEmpty() ? QString() : pageDate(chosen, row),
                        chosen.text(row, Outlook::MailRow::FromTo), chosen.text(row, Outlook::MailRow::Subject),
                        chosen.text(row, Outlook::MailRow::Folder), chosen.text(row, Outlook::MailRow::Root)});
    session.reset();
    reader.reset();
    QString error;
    if (!outputs.begin(entries, &error))
    {
        say(QStringLiteral("%1: %2").arg(options.combined, error));
        return OutputUnwritable;
    }

    Progress progress(options.quiet);
    ToolWindow window(chosen, progress, outputs);
    if (manifest)
        outputs.beforeNaming = [&](const QString& temp, const QString& final, QString* error) {
            const QString key =
                PrintTool::ResumeManifest::keyOf(chosen.text(outputs.namingRow(), Outlook::MailRow::ID), storeNames);
            return manifest->record(key, temp, final, error);
        };
    QSet<int> failedRows;
    int failures = 0;
    // `rendered`: only its PDF of --outdir failed, in a worker; the combined PDF already holds the message.
    const auto rowFailed = [&](int row, const QString& reason, bool rendered) {
        progress.breakLine();
        const QString subject = chosen.text(row, Outlook::MailRow::Subject);
        say(QStringLiteral("not printed: \"%1\" (%2, %3 %4): %5")
                .arg(subject, chosen.text(row, Outlook::MailRow::Date), chosen.text(row, Outlook::MailRow::Root),
                     chosen.text(row, Outlook::MailRow::Folder), reason));
        if (!failedRows.contains(row) && !rendered)
            outputs.missing(subject, reason);
        failedRows.insert(row);
    };
    outputs.lateFailure = [&](int row, const QString& reason) { rowFailed(row, reason, true); };
    outputs.setJobs(options.outDirJobs(QThread::idealThreadCount()));
    std::unique_ptr<Outlook::Application> workerReader; // made in each worker, on its first message
    std::unique_ptr<Outlook::Namespace> workerSession;
    outputs.messageOfRow = [&](int row) -> std::optional<Render::Message> {
        try
        {
            if (!workerSession)
                workerSession = (workerReader = factory.create())->GetNamespace(QStringLiteral("MAPI"));
            return PrintTool::readMessage(*workerSession, chosen.text(row, Outlook::MailRow::ID));
        }
        catch (...)
        {
            return std::nullopt;
        }
    };
    LineSteps steps([&](int line, std::exception_ptr failure) {
        const QString reason = AppError::describe(failure);
        if (window.currentRow >= 0)
            return rowFailed(window.currentRow, reason, false);
        progress.breakLine();
        say(QStringLiteral("%1 (step %2)").arg(reason).arg(line));
        ++failures;
    });
    Outlook::PrintRun printRun(factory, dialogs, chosen, window, steps);
    {
        MailStore::ScopedPrintTarget target(outputs);
        printRun.Run(QStringLiteral("All"));
        outputs.drain();
    }
    const int taken = printRun.taken();
    const int total = printRun.qualifying();
    const int failed = int(failedRows.size()) + failures;

    if (!printRun.printerFailure().isEmpty())
    {
        say(QStringLiteral("printing stopped: %1; %2 of %3 messages printed%4")
                .arg(printRun.printerFailure())
                .arg(printRun.printed())
                .arg(total)
                .arg(options.combined.isEmpty()
                         ? QString()
                         : QStringLiteral("; %1 was not written, as it would miss messages").arg(options.combined)));
        return PrinterUnusable;
    }
    if (stopSignal && taken < total)
    {
        QStringList unwritten; // files that would miss messages they name
        for (const QString& file : {options.combined, options.loadFile})
            if (!file.isEmpty())
                unwritten << QStringLiteral("; %1 was not written, as it would miss messages").arg(file);
        say(QStringLiteral("stopped after %1 of %2 messages%3").arg(taken).arg(total).arg(unwritten.join(QString())));
        account(taken - int(failedRows.size()), failed);
        return Stopped;
    }
    if (!outputs.finish(&error))
    {
        say(error);
        return OutputUnwritable;
    }
    if (failed > 0)
    {
        say(QStringLiteral("%1 of %2 messages could not be printed").arg(failed).arg(total));
        account(taken - int(failedRows.size()), failed);
        return SomeFailed;
    }
    account(taken, 0);
    return AllPrinted;
}

} // namespace

int main(int argc, char** argv)
{
    if (printVersionWhenAsked(argc, argv, "vellumtide-print"))
        return AllPrinted;
    qInstallMessageHandler(Render::quietQtMessages);
    // A command-line tool needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt would take options of its own out of the arguments (--reverse, --platform): it sees none.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    QString error;
    bool help = false;
    const std::optional<PrintTool::Options> options = PrintTool::parseArguments(arguments, error, help);
    if (help)
    {
        std::fputs(PrintTool::usageText(), stdout);
        return AllPrinted;
    }
    if (!options)
    {
        say(error);
        std::fputs("Try vellumtide-print --help.\n", stderr);
        return BadArguments;
    }
    return run(*options);
}
