#pragma once

#include "CombinedPdf.h"
#include "LoadFile.h"
#include "OutputFiles.h"
#include "PageNumbers.h"
#include "PrintTarget.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace PrintTool
{

struct Options;

/// Where printed messages go: a printer, one PDF per message, one combined PDF, or
/// several of these at once. Never the user's default printer setting.
class Outputs : public MailStore::PrintTarget
{
public:
    /// What went wrong while preparing the outputs, with its exit code.
    struct Failure
    {
        int exitCode;
        QString message;
    };

    /// Checks the printer and the places to write before anything is printed.
    static std::optional<Failure> check(const Options& options, QString& printer);

    Outputs(const Options& options, QString printer);
    ~Outputs() override;

    /// Starts the combined PDF with its list; false with a reason.
    bool begin(const QList<Render::CombinedPdf::Entry>& entries, QString* error);
    bool print(const Render::Message& message, QString* error) override;
    /// The message of the current row could not be printed: the combined PDF says so in its place.
    void missing(const QString& subject, const QString& reason);
    /// The row whose message comes next, and where it is stored.
    void nextMessage(int row, const QString& store, const QString& folder)
    {
        m_combinedHasCurrent = false;
        m_row = row;
        m_store = store;
        m_folder = folder;
    }
    /// Renders the PDFs of --outdir in up to `jobs` worker processes at once. Names are still
    /// taken here in message order, and files named in that order, so the output is that of one job.
    /// Production numbers and the load file follow every earlier message's pages: with them, one job.
    void setJobs(int jobs) { m_maxJobs = qMax(1, jobs); }
    /// Waits for every PDF still being rendered and names it.
    void drain();
    /// The row of the PDF about to take its name (during beforeNaming).
    int namingRow() const { return m_namingRow; }
    /// The message of a row, read again in a worker.
    std::function<std::optional<Render::Message>(int row)> messageOfRow;
    /// A PDF rendered by a worker could not be written: its row and why.
    std::function<void(int row, const QString& reason)> lateFailure;
    /// Completes the combined PDF and the load file; false with a reason.
    bool finish(QString* error);

    /// Called with each PDF complete under its temporary name, before it takes its final name;
    /// false (with a reason) fails the message and leaves no file.
    std::function<bool(const QString& tempPath, const QString& finalPath, QString* error)> beforeNaming;

    /// Pages of the combined PDF so far.
    int combinedPages() const { return m_combined ? m_combined->pageCount() : 0; }

private:
    struct Worker
    {
        int pid;
        int requests; ///< "row temp-path" lines
        int replies;  ///< "ok" or the reason, a line per request
    };
    struct Job
    {
        size_t worker;
        std::unique_ptr<Render::PendingFile> pdf;
        QString finalPath;
        int row;
    };
    bool startJob(const Render::Message& message, std::unique_ptr<Render::PendingFile>& pdf, const QString& finalPath);
    void startWorkers();
    int serveRequests(int requests, int replies);
    void finishOldest();
    bool commitPdf(Render::PendingFile& pdf, const QString& finalPath, int row, QString* reason);

    int m_maxJobs = 1;
    int m_rendered = 0;
    int m_row = -1;
    int m_namingRow = -1;
    std::deque<Job> m_jobs;
    std::vector<Worker> m_workers;
    bool printPdf(const Render::Message& message, QString* error);

    QString m_printer;
    bool m_print = false;
    std::optional<Render::OutputNames> m_names;
    std::unique_ptr<Render::CombinedPdf> m_combined;
    bool m_combinedHasCurrent = false;
    // Court production: each output numbers its own pages.
    bool m_attachments = false;
    std::optional<Render::BatesNumbers> m_printerBates;
    std::optional<Render::BatesNumbers> m_outDirBates;
    std::optional<Render::BatesNumbers> m_combinedBates;
    std::optional<LoadFile> m_loadFile;
    QString m_store;
    QString m_folder;
};

} // namespace PrintTool
