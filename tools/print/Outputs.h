#pragma once

#include "CombinedPdf.h"
#include "OutputFiles.h"
#include "PrintTarget.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

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

    /// Starts the combined PDF with its list; false with a reason.
    bool begin(const QList<Render::CombinedPdf::Entry>& entries, QString* error);
    bool print(const Render::Message& message, QString* error) override;
    /// The message of the current row could not be printed: the combined PDF says so in its place.
    void missing(const QString& subject, const QString& reason);
    /// The row whose message comes next.
    void nextMessage() { m_combinedHasCurrent = false; }
    /// Completes the combined PDF; false with a reason.
    bool finish(QString* error);

    /// Called with each PDF complete under its temporary name, before it takes its final name;
    /// false (with a reason) fails the message and leaves no file.
    std::function<bool(const QString& tempPath, const QString& finalPath, QString* error)> beforeNaming;

    /// Pages of the combined PDF so far.
    int combinedPages() const { return m_combined ? m_combined->pageCount() : 0; }

private:
    QString m_printer;
    bool m_print = false;
    std::optional<Render::OutputNames> m_names;
    std::unique_ptr<Render::CombinedPdf> m_combined;
    bool m_combinedHasCurrent = false;
};

} // namespace PrintTool
