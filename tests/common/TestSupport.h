#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

// Helpers the tests share: where the sample stores are, the private CUPS server
// that scripts/test.sh starts, and reading printed PDFs back.
namespace TestSupport
{

/// The public sample folder: $VELLUMTIDE_TESTDATA, else ../shared/testdata beside the source tree.
QString testDataRoot();

/// Path of a file or folder under the public sample folder.
QString testData(const QString& relative);

/// Empty when the sample file or folder exists; otherwise the one line a test skips with.
QString missingTestData(const QString& relative);

/// Empty when HOME, the XDG folders and CUPS's client folder are the private ones
/// tests/isolate.sh made; otherwise why the test must not run here.
QString notIsolated();

/// The build's bin/ folder (vellumtide, DBXToEML, vellumtide-render, HAND-M.CUR).
QString binDir();

/// True when the private CUPS server of scripts/test.sh is configured for this test.
bool haveCups();

/// Makes queue this test's own default printer (~/.cups/lpoptions, or CUPS_SERVERROOT/lpoptions
/// as root); false outside tests/isolate.sh or when the files cannot be written.
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

/// Writes the mail of a desktop user under `home`: Thunderbird's default profile (Local Folders
/// with one message it deleted, an IMAP account), an older profile that the Flatpak Thunderbird
/// names too, Evolution's and KMail's local Maildirs, ~/mbox and the spool file `home`/spool.
/// Each message's subject names where it lies; the deleted one is "Local deleted".
void writeDesktopMail(const QString& home);

} // namespace TestSupport

/// Skips the calling test function, with one line naming the sample folder, when the
/// samples it needs are absent (a clone of the project without ../shared).
#define VT_REQUIRE_TESTDATA(relative)                                                                                  \
    do                                                                                                                 \
    {                                                                                                                  \
        const QString vtMissing = TestSupport::missingTestData(relative);                                              \
        if (!vtMissing.isEmpty())                                                                                      \
            QSKIP(qPrintable(vtMissing));                                                                              \
    } while (false)

/// Skips the calling test function, with one line saying so, when the private CUPS server
/// of scripts/test.sh is not running (the test command always starts it).
#define VT_REQUIRE_CUPS()                                                                                              \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!TestSupport::haveCups())                                                                                  \
            QSKIP("needs the private CUPS server that scripts/test.sh starts");                                        \
    } while (false)

/// Fails the calling test function before it writes settings or printer defaults
/// anywhere but the private folders of tests/isolate.sh.
#define VT_REQUIRE_ISOLATION()                                                                                         \
    do                                                                                                                 \
    {                                                                                                                  \
        const QString vtWhy = TestSupport::notIsolated();                                                              \
        if (!vtWhy.isEmpty())                                                                                          \
            QFAIL(qPrintable(vtWhy));                                                                                  \
    } while (false)
