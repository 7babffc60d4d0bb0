#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Helpers the tests share: where the sample stores are, the private CUPS server
// that scripts/test.sh starts, and reading printed PDFs back.
namespace TestSupport
{

/// Path of a file under the public sample folder (../shared/testdata); empty when not configured.
QString testData(const QString& relative);

/// The build's bin/ folder (vellumtide, DBXToEML, vellumtide-render, HAND-M.CUR).
QString binDir();

/// True when the private CUPS server of scripts/test.sh is configured for this test.
bool haveCups();

/// Makes queue this test's own default printer (~/.cups/lpoptions, or CUPS_SERVERROOT/lpoptions
/// as root); false when the files cannot be written.
bool setUserDefaultPrinter(const QString& queue);

/// The folder a queue of the private server writes its jobs to.
QString queueOutDir(const QString& queue);

struct PrintedJob
{
    int id = 0;
    QString pdfPath;
    QString title;
};

/// Jobs the queue has written so far, oldest first.
QList<PrintedJob> printedJobs(const QString& queue);

/// Waits (processing events) until the queue has written at least count jobs beyond
/// `before`, or the timeout runs out; returns the new jobs.
QList<PrintedJob> waitForJobs(const QString& queue, int before, int count, int timeoutMs = 30000);

/// The text of a PDF as pdftotext extracts it (layout order); empty on failure.
QString pdfText(const QString& pdfPath);

/// Runs a program and returns its exit code (-1 when it could not start or timed out).
int run(const QString& program, const QStringList& arguments, QByteArray* out = nullptr, QByteArray* err = nullptr,
        int timeoutMs = 120000);

} // namespace TestSupport
