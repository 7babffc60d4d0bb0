// vellumtide-print as a user runs it: the real executable on generated and sample stores,
// printing on the private CUPS server and into PDF files.
#include "CupsPrinterSystem.h"
#include "MailEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "PrintRun.h"
#include "PrintTarget.h"
#include "Profile.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using Outlook::MailRow::Column;

namespace
{

struct Mail
{
    const char* folder; ///< path below the store, mbox style
    const char* from;
    const char* subject;
    const char* body;
};

// A small mbox tree: "Inbox" both as a top folder and as a subfolder of "Projects".
const Mail kMail[] = {
    {"Inbox", "Alice Archer <alice@example.org>", "Quarterly report", "Figures attached below."},
    {"Inbox", "Bob Baker <bob@example.org>", "Lunch", "Noon at the usual place?"},
    {"Inbox", "Carol Cole <carol@example.org>", "Invoice 42", "Please pay by Friday."},
    {"Projects", "Dave Dunn <dave@example.org>", "Plan", "The plan for next year."},
    {"Projects", "Alice Archer <alice@example.org>", "Spending", "The budget is approved."},
    {"Projects.sbd/Inbox", "Erin Eve <erin@example.org>", "Nested note", "A note filed deep down."},
};

void writeMbox(const QString& path, const QList<QByteArray>& messages)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    for (const QByteArray& message : messages)
        file.write("From sender@example.org Mon Jan  6 09:00:00 2025\n" + message + "\n");
}

QByteArray message(const QString& from, const QString& subject, const QString& body, int day)
{
    return QStringLiteral("From: %1\nTo: Reader <reader@example.org>\nSubject: %2\n"
                          "Date: %3 Jan 2025 09:%3:00 +0100\n\n%4\n")
        .arg(from, subject)
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(body)
        .toUtf8();
}

// `count` messages "Message 1", "Message 2", ... in one mbox file.
void writeNumberedStore(const QString& path, int count)
{
    QList<QByteArray> messages;
    for (int i = 1; i <= count; ++i)
        messages << message(QStringLiteral("Sender <s@example.org>"), QStringLiteral("Message %1").arg(i),
                            QStringLiteral("Body %1").arg(i), i % 28 + 1);
    writeMbox(path, messages);
}

// The store of kMail, in a folder whose name has a space and a non-ASCII letter.
QString makeStore(const QTemporaryDir& dir)
{
    const QString root = dir.filePath(QStringLiteral("Mail store ñ"));
    QDir(root).removeRecursively();
    int day = 1;
    for (const Mail& mail : kMail)
        writeMbox(root + u'/' + QLatin1String(mail.folder),
                  {message(QString::fromUtf8(mail.from), QString::fromUtf8(mail.subject), QString::fromUtf8(mail.body),
                           day++)});
    return root;
}

QString tool()
{
    return TestSupport::binDir() + QStringLiteral("/vellumtide-print");
}

struct Result
{
    int code = -1;
    QByteArray out;
    QString err;
};

Result runTool(const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(tool(), arguments);
    Result result;
    if (!process.waitForFinished(180000))
    {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// Entry IDs of the rows `--list` writes.
QStringList listedIds(const QStringList& sourceArgs, const QStringList& selection)
{
    const Result result = runTool(sourceArgs + selection + QStringList{QStringLiteral("--list")});
    if (result.code != 0)
        return {QStringLiteral("exit %1: %2").arg(result.code).arg(result.err)};
    QStringList ids;
    for (const QByteArray& line : result.out.split('\n'))
        if (!line.isEmpty())
            ids << QString::fromUtf8(line).split(u'\t').value(Column::ID);
    return ids;
}

// The window's way: list with the Find text, then a print run in the folder mode or "All";
// the IDs of the rows it printed.
class RecordingWindow : public Outlook::PrintRunWindow, public MailStore::PrintTarget
{
public:
    explicit RecordingWindow(const ReportListModel& grid) : m_grid(grid) {}
    void setBusy(bool) override {}
    void switchPrinter() override {}
    void showProgress(int row, int, int) override { m_row = row; }
    void endProgress() override {}
    bool stopRequested() override { return false; }
    bool print(const Render::Message&, QString*) override
    {
        printed << m_grid.text(m_row, Column::ID);
        return true;
    }
    QStringList printed;

private:
    const ReportListModel& m_grid;
    int m_row = -1;
};

QStringList windowIds(const QString& store, const QString& folder, const QString& find)
{
    ScriptedDialogs dialogs;
    ReportListModel grid;
    Outlook::EventPump pump;
    MailStore::EngineFactory engine{QString()};
    Outlook::MailListing listing(engine, dialogs, grid, pump);
    listing.FindActive = !find.isNull();
    listing.FindText = find;
    listing.ListOutlookMail({false, true, store});
    dialogs.inputAnswers.enqueue(folder);
    RecordingWindow window(grid);
    MailStore::ScopedPrintTarget target(window);
    LineSteps steps([](int, std::exception_ptr) {});
    Outlook::PrintRun run(engine, dialogs, grid, window, steps);
    run.Run(folder.isNull() ? QStringLiteral("All") : QStringLiteral("User-specified Folder"));
    return window.printed;
}

int pdfPages(const QString& pdf)
{
    QByteArray out;
    TestSupport::run(QStringLiteral("pdfinfo"), {pdf}, &out);
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestPrintTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectsWhatTheWindowSelects_data();
    void selectsWhatTheWindowSelects();
    void printsEverySelectedMessageOnce();
    void failuresGiveTheirExitCode_data();
    void failuresGiveTheirExitCode();
    void readsDbxThroughTheConverter();
    void ctrlCStopsAfterTheCurrentMessage_data();
    void ctrlCStopsAfterTheCurrentMessage();
    void severalJobsWriteWhatOneJobWrites_data();
    void severalJobsWriteWhatOneJobWrites();
    void listsTheDesktopsMailAsTheWindowDoes();
    void choosesWhatGoesIn_data();
    void choosesWhatGoesIn();
    void resumesAStoppedRunWithoutCopies_data();
    void resumesAStoppedRunWithoutCopies();
    void resumeKnowsAConvertedDbxAgain();
    void indexAndListShowThePagesDate_data();
    void indexAndListShowThePagesDate();

private:
    QTemporaryDir m_dir;
};

void TestPrintTool::selectsWhatTheWindowSelects_data()
{
    QTest::addColumn<QString>("sample"); // empty: the generated store
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("says"); // on standard error
    QTest::newRow("everything") << QString() << QString() << QString() << 6 << QString();
    QTest::newRow("a folder name that is a top folder and a subfolder")
        << QString() << "Inbox" << QString() << 4 << QString();
    QTest::newRow("find in addresses, without regard to case") << QString() << QString() << "ALICE@" << 2 << QString();
    QTest::newRow("find in bodies, within a folder") << QString() << "Projects"
                                                     << "budget" << 1 << QString();
    QTest::newRow("pst: Sent Items") << "pst/Outlook.pst"
                                     << "Sent Items" << QString() << 6 << QString();
    QTest::newRow("pst: a subfolder") << "pst/testPST_variousBodyTypes.pst"
                                      << "tmp" << QString() << 4 << QString();
    QTest::newRow("pst: mail only in the top folder is named, not listed")
        << "pst/testPST.pst" << QString() << QString() << 0
        << "hong-thai.nguyen: 7 messages in its top folder are not listed";
}

void TestPrintTool::selectsWhatTheWindowSelects()
{
    QFETCH(QString, sample);
    QFETCH(QString, folder);
    QFETCH(QString, find);
    QFETCH(int, rows);
    QFETCH(QString, says);
    if (!sample.isEmpty())
        VT_REQUIRE_TESTDATA(sample);
    const QString store = sample.isEmpty() ? makeStore(m_dir) : TestSupport::testData(sample);

    QStringList selection;
    if (!folder.isNull())
        selection << QStringLiteral("--folder") << folder;
    if (!find.isNull())
        selection << QStringLiteral("--find") << find;
    const QStringList byTool = listedIds({QStringLiteral("--store"), store}, selection);
    const QStringList byWindow = windowIds(store, folder, find);
    QCOMPARE(byTool, byWindow);
    QCOMPARE(byTool.size(), rows);
    if (!says.isEmpty())
    {
        const QString err = runTool({QStringLiteral("--store"), store, QStringLiteral("--list")}).err;
        QVERIFY2(err.contains(says), qPrintable(err));
        // The last line counts what the notes above it name.
        QVERIFY2(err.trimmed().section(u'\n', -1).contains(QStringLiteral("1 note above on what was not listed")),
                 qPrintable(err));
    }
}

void TestPrintTool::printsEverySelectedMessageOnce()
{
    VT_REQUIRE_CUPS();
    VT_REQUIRE_ISOLATION();
    QTemporaryDir dir;
    const QString store = makeStore(dir);
    QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf2")));
    const int before = int(TestSupport::printedJobs(QStringLiteral("pdf1")).size());
    const int beforeDefault = int(TestSupport::printedJobs(QStringLiteral("pdf2")).size());
    const QString out = dir.filePath(QStringLiteral("out put"));
    const QString combined = dir.filePath(QStringLiteral("all \"four\".pdf"));

    const QStringList source{QStringLiteral("--store"), store, QStringLiteral("--folder"), QStringLiteral("Inbox")};
    const Result result =
        runTool(source + QStringList{QStringLiteral("--printer"), QStringLiteral("pdf1"), QStringLiteral("--outdir"),
                                     out, QStringLiteral("--combined"), combined});
    QVERIFY2(result.code == 0, qPrintable(result.err));
    const QStringList subjects{"Quarterly report", "Lunch", "Invoice 42", "Nested note"};

    // One job per selected row, titled with its subject, on the named queue only.
    const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 4);
    QStringList titles;
    for (const auto& job : jobs)
        titles << job.title;
    QCOMPARE(titles, subjects);
    QCOMPARE(CupsPrinterSystem().defaultPrinter().name, QStringLiteral("pdf2"));
    QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf2")).size(), beforeDefault);

    // One PDF per row, named from date and subject; the combined one has them all after its list.
    const QStringList pdfs = filesIn(out);
    QCOMPARE(pdfs, (QStringList{"2025-01-01 0901 Quarterly report.pdf", "2025-01-02 0902 Lunch.pdf",
                                "2025-01-03 0903 Invoice 42.pdf", "2025-01-06 0906 Nested note.pdf"}));
    int pages = 0;
    for (const QString& pdf : pdfs)
        pages += pdfPages(QDir(out).filePath(pdf));
    QCOMPARE(pdfPages(combined), pages + 1);
    const QString text = TestSupport::pdfText(combined).simplified();
    for (const QString& subject : subjects)
        QCOMPARE(text.count(subject) >= 2, true); // in the list and on the message's own page

    // A second run keeps the first run's files.
    QCOMPARE(runTool(source + QStringList{QStringLiteral("--outdir"), out, QStringLiteral("--quiet")}).code, 0);
    QCOMPARE(filesIn(out).size(), 8);
    QVERIFY(filesIn(out).contains(QStringLiteral("2025-01-02 0902 Lunch-2.pdf")));
}

void TestPrintTool::failuresGiveTheirExitCode_data()
{
    // STORE, DIR, DAMAGED, EXISTING, PROFILE (naming STORE and DAMAGED) and NOMAIL (a folder of
    // non-mail and empty files) stand for test paths
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("cupsServer"); // empty: the private server
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    const QString out = QStringLiteral("--outdir");
    QTest::newRow("no source") << QStringList{out, "DIR"} << QString() << 2 << "no source";
    QTest::newRow("unknown option") << QStringList{"--store", "STORE", "--colour", out, "DIR"} << QString() << 2
                                    << "unknown argument";
    QTest::newRow("missing store") << QStringList{"--store", "/nonexistent/mail.pst", out, "DIR"} << QString() << 3
                                   << "does not exist";
    QTest::newRow("damaged store") << QStringList{"--store", "STORE", "--store", "DAMAGED", out, "DIR"} << QString()
                                   << 3 << "damaged.pst";
    QTest::newRow("missing profile") << QStringList{"--profile=/nonexistent/profile.txt", out, "DIR"} << QString() << 3
                                     << "profile file does not exist";
    QTest::newRow("--stores with a store") << QStringList{"--profile", "--stores", "--store", "STORE"} << QString() << 2
                                           << "--stores goes with --profile alone";
    QTest::newRow("no profile file and no mail found")
        << QStringList{"--profile", "--list"} << QString() << 3 << "no mail was found";
    QTest::newRow("damaged store in the profile")
        << QStringList{"--profile=PROFILE", out, "DIR"} << QString() << 3 << "damaged.pst";
    QTest::newRow("folder without mail") << QStringList{"--store", "NOMAIL", out, "DIR"} << QString() << 3
                                         << "is not a mail store";
    QTest::newRow("missing dbx") << QStringList{"--dbx", "/nonexistent/Inbox.dbx", out, "DIR"} << QString() << 3
                                 << "Inbox.dbx";
    QTest::newRow("not a dbx") << QStringList{"--dbx", "DAMAGED", out, "DIR"} << QString() << 3 << "damaged.pst";
    QTest::newRow("unknown printer") << QStringList{"--store", "STORE", "--printer", "nosuch", out, "DIR"} << QString()
                                     << 4 << "no printer \"nosuch\"";
    QTest::newRow("stopped print server") << QStringList{"--store", "STORE", "--printer", "pdf1", out, "DIR"}
                                          << "/nonexistent/cups.sock" << 4 << "cannot be reached";
    QTest::newRow("combined file exists")
        << QStringList{"--store", "STORE", "--combined", "EXISTING"} << QString() << 5 << "never replaced";
    QTest::newRow("load file exists") << QStringList{"--store", "STORE", out, "DIR", "--load-file", "EXISTING"}
                                      << QString() << 5 << "never replaced";
    QTest::newRow("load file for two sets of files")
        << QStringList{"--store", "STORE", out, "DIR", "--combined", "DIR/all.pdf", "--load-file", "DIR/load.csv"}
        << QString() << 2 << "not both";
    QTest::newRow("numbering without --bates")
        << QStringList{"--store", "STORE", out, "DIR", "--bates-digits", "4"} << QString() << 2 << "--bates PREFIX";
    QTest::newRow("numbers restarted by a resumed run")
        << QStringList{"--store", "STORE", out, "DIR", "--resume", "--bates", "X"} << QString() << 2 << "whole run";
    QTest::newRow("bates digits not a number")
        << QStringList{"--store", "STORE", out, "DIR", "--bates", "X", "--bates-digits", "four"} << QString() << 2
        << "needs a number";
}

void TestPrintTool::failuresGiveTheirExitCode()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, cupsServer);
    QFETCH(int, code);
    QFETCH(QString, says);
    if (cupsServer.isEmpty() && arguments.contains(QStringLiteral("--printer")) && !TestSupport::haveCups())
        QSKIP("the private CUPS server of scripts/test.sh is not running");
    QTemporaryDir dir;
    const QString store = makeStore(dir);
    const QString damaged = dir.filePath(QStringLiteral("damaged.pst"));
    const QString existing = dir.filePath(QStringLiteral("existing.pdf"));
    for (const QString& path : {damaged, existing})
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("!BDN") + QByteArray(4096, '\x5a'));
    }
    const QString profile = dir.filePath(QStringLiteral("profile.txt"));
    QFile profileFile(profile);
    QVERIFY(profileFile.open(QIODevice::WriteOnly));
    profileFile.write((store + u'\n' + damaged + u'\n').toUtf8());
    profileFile.close();
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString noMail = dir.filePath(QStringLiteral("nomail"));
    QVERIFY(QDir().mkpath(noMail + QStringLiteral("/Trash.sbd")));
    for (const auto& [name, content] : {std::pair{"notes.txt", "not mail"}, {"Inbox", ""}, {"Trash.sbd/Old", ""}})
    {
        QFile file(noMail + u'/' + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QHash<QString, QString> paths{{"STORE", store},       {"DIR", out},         {"DAMAGED", damaged},
                                        {"EXISTING", existing}, {"PROFILE", profile}, {"NOMAIL", noMail}};
    for (QString& argument : arguments)
        argument = paths.value(argument, argument).replace(QStringLiteral("=PROFILE"), u'=' + profile);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!cupsServer.isEmpty())
        environment.insert(QStringLiteral("CUPS_SERVER"), cupsServer);
    const Result result = runTool(arguments, environment);
    QCOMPARE(result.code, code);
    QVERIFY2(result.err.contains(says), qPrintable(result.err));
    // Nothing half-written, nothing of the user's touched.
    QCOMPARE(filesIn(out), QStringList());
    QCOMPARE(QFileInfo(damaged).size(), 4100);
    QCOMPARE(QFileInfo(existing).size(), 4100);
}

void TestPrintTool::readsDbxThroughTheConverter()
{
    VT_REQUIRE_TESTDATA(QStringLiteral("dbx/test_OutlookDBX.dbx"));
    QTemporaryDir temp;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp.path());
    const Result result =
        runTool({QStringLiteral("--dbx"), TestSupport::testData(QStringLiteral("dbx/test_OutlookDBX.dbx")),
                 QStringLiteral("--folder"), QStringLiteral("test_OutlookDBX"), QStringLiteral("--list")},
                environment);
    QVERIFY2(result.code == 0, qPrintable(result.err));
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 28);
    QVERIFY(lines.first().startsWith("test_OutlookDBX.dbx\ttest_OutlookDBX\t"));
    // The converted messages went with the run.
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestPrintTool::ctrlCStopsAfterTheCurrentMessage_data()
{
    QTest::addColumn<QString>("jobs");
    QTest::newRow("one job") << QStringLiteral("1");
    QTest::newRow("three jobs") << QStringLiteral("3");
}

void TestPrintTool::ctrlCStopsAfterTheCurrentMessage()
{
    QFETCH(QString, jobs);
    QTemporaryDir dir;
    writeNumberedStore(dir.filePath(QStringLiteral("store/Inbox")), 60);
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString combined = dir.filePath(QStringLiteral("all.pdf"));

    QProcess process;
    process.start(tool(), {QStringLiteral("--store"), dir.filePath(QStringLiteral("store")), QStringLiteral("--outdir"),
                           out, QStringLiteral("--combined"), combined, QStringLiteral("--jobs"), jobs});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!filesIn(out).filter(QStringLiteral(".pdf")).isEmpty(), 60000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 130);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("stopped after (\\d+) of 60")).match(err);
    QVERIFY2(match.hasMatch(), qPrintable(err));
    const int done = match.captured(1).toInt();
    QVERIFY(done < 60);
    QCOMPARE(filesIn(out).size(), done); // whole PDFs only, no temporary ones
    QVERIFY(!QFileInfo::exists(combined));
}

void TestPrintTool::severalJobsWriteWhatOneJobWrites_data()
{
    QTest::addColumn<int>("perFolder");
    QTest::addColumn<QStringList>("extra"); // LOAD: the load file's path
    QTest::addColumn<bool>("combined");
    QTest::addColumn<QString>("shown"); // in some output of the run
    QTest::newRow("plain") << 150 << QStringList{} << true << QStringLiteral("Other body 7");
    QTest::newRow("attachments") << 12 << QStringList{"--attachments"} << true << QStringLiteral("Minutes of Other 5");
    // Numbers that run across messages: each file's numbers follow the pages of all before it.
    QTest::newRow("bates and load file") << 12 << QStringList{"--bates", "VT-", "--load-file", "LOAD"} << false
                                         << QStringLiteral("VT-000013");
}

// The same subjects in two folders with different bodies: the second copy of a name must be
// the second folder's message however many workers render them.
void TestPrintTool::severalJobsWriteWhatOneJobWrites()
{
    QFETCH(int, perFolder);
    QFETCH(QStringList, extra);
    QFETCH(bool, combined);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    for (const QString& folder : {QStringLiteral("Inbox"), QStringLiteral("Other")})
    {
        QList<QByteArray> messages;
        for (int i = 1; i <= perFolder; ++i)
        {
            const QString body = QStringLiteral("%1 body %2 ").arg(folder).arg(i).repeated(i % 7 == 0 ? 400 : 1);
            if (i % 5 == 0) // a message with an attachment now and then
                messages << QStringLiteral("From: Sender <s@example.org>\nSubject: Message %1\n"
                                           "Date: 01 Jan 2025 09:01:00 +0100\nMIME-Version: 1.0\n"
                                           "Content-Type: multipart/mixed; boundary=b\n\n"
                                           "--b\nContent-Type: text/plain\n\n%2\n--b\nContent-Type: text/plain\n"
                                           "Content-Disposition: attachment; filename=minutes.txt\n\n"
                                           "Minutes of %3 %1\n--b--\n")
                                .arg(i)
                                .arg(body, folder)
                                .toUtf8();
            else
                messages << message(QStringLiteral("Sender <s@example.org>"), QStringLiteral("Message %1").arg(i), body,
                                    1);
        }
        writeMbox(dir.filePath(QStringLiteral("store/") + folder), messages);
    }
    QHash<QString, QString> texts[2];
    for (const int jobs : {1, 2})
    {
        const QString out = dir.filePath(QStringLiteral("out%1").arg(jobs));
        const QString load = out + QStringLiteral(".csv");
        QStringList args = {
            "--store", dir.filePath(QStringLiteral("store")), "--outdir", out, "--jobs", QString::number(jobs),
            "--quiet"};
        for (const QString& arg : extra)
            args << (arg == u"LOAD" ? load : arg);
        if (combined)
            args << "--combined" << out + QStringLiteral(".pdf");
        const Result result = runTool(args);
        QVERIFY2(result.code == 0, qPrintable(result.err));
        for (const QString& name : filesIn(out))
            texts[jobs - 1].insert(name, QStringLiteral("%1 pages: %2")
                                             .arg(pdfPages(out + u'/' + name))
                                             .arg(TestSupport::pdfText(out + u'/' + name)));
        if (combined)
            texts[jobs - 1].insert(QStringLiteral("combined"), TestSupport::pdfText(out + QStringLiteral(".pdf")));
        if (QFile csv(load); csv.open(QIODevice::ReadOnly)) // its paths name this run's folder
            texts[jobs - 1].insert(QStringLiteral("load file"), QString::fromUtf8(csv.readAll()).replace(out, "OUT"));
    }
    QCOMPARE(texts[0].size(), 2 * perFolder + 1);
    const QStringList second = texts[0].keys().filter(QStringLiteral(" Message 7-2.pdf"));
    QVERIFY(second.size() == 1 && texts[0].value(second[0]).contains(u"Other body 7"));
    QVERIFY(std::any_of(texts[0].cbegin(), texts[0].cend(), [&](const QString& text) { return text.contains(shown); }));
    QCOMPARE(texts[1], texts[0]);
}

void TestPrintTool::listsTheDesktopsMailAsTheWindowDoes()
{
    const QString home = m_dir.filePath(QStringLiteral("desktop home"));
    TestSupport::writeDesktopMail(home);
    const QString exported = home + QStringLiteral("/Export");
    writeMbox(exported + QStringLiteral("/2019/old.eml"), {message("Ann <ann@example.org>", "Exported old", "x", 2)});
    QFile top(exported + QStringLiteral("/top.eml"));
    QVERIFY(top.open(QIODevice::WriteOnly));
    top.write(message("Ann <ann@example.org>", "Exported top", "y", 3));
    top.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("MAIL"), home + QStringLiteral("/spool"));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));

    const Result listed = runTool({"--profile", "--store", exported, "--list"}, environment);
    QCOMPARE(listed.code, 0);
    QStringList rows, ids;
    for (const QByteArray& line : listed.out.split('\n'))
        if (const QStringList cells = QString::fromUtf8(line).split(u'\t'); cells.size() > Column::ID)
        {
            rows << QStringList{cells[Column::Root], cells[Column::Folder], cells[Column::Subfolder],
                                cells[Column::Subject]}
                        .join(u'|');
            ids << cells[Column::ID];
        }
    // Inbox's subfolders before Inbox; Thunderbird's deleted message and its index stay out.
    const QStringList expected = {
        "Local Folders|Inbox||Local kept", "imap.example.org|INBOX||IMAP kept", "Local Folders|Sent||Old sent",
        "local|Inbox||Evolution inbox",    "local|Sent||Evolution sent",        "local-mail|inbox|Lists|KMail list",
        "local-mail|inbox||KMail inbox",   "spool|spool||Spool mail",           "mbox|mbox||Home mbox",
        "Export|Export||Exported top",     "Export|2019||Exported old"};
    QCOMPARE(rows, expected);

    // The window's listing, on the same home: the same rows, and IDs that find each message again.
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME"), oldMail = qgetenv("MAIL");
    qputenv("HOME", home.toUtf8());
    qputenv("MAIL", (home + QStringLiteral("/spool")).toUtf8());
    qunsetenv("XDG_DATA_HOME");
    ScriptedDialogs dialogs;
    ReportListModel grid;
    Outlook::EventPump pump;
    MailStore::EngineFactory engine(m_dir.filePath(QStringLiteral("no profile file.txt")));
    Outlook::MailListing listing(engine, dialogs, grid, pump);
    listing.ListOutlookMail({true, false, {}});
    listing.ListOutlookMail({false, true, exported});
    QStringList windowIds;
    for (int row = 0; row < grid.rowCount(); ++row)
        windowIds << grid.text(row, Column::ID);
    QCOMPARE(windowIds, ids);
    auto session = engine.create()->GetNamespace(QStringLiteral("MAPI"));
    QCOMPARE(session->GetItemFromID(ids.last())->Subject(), QStringLiteral("Exported old"));
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
    qputenv("MAIL", oldMail);

    // --stores writes a profile file to start from, each store after where it came from.
    const Result stores = runTool({"--profile", "--stores"}, environment);
    QCOMPARE(stores.code, 0);
    QVERIFY(stores.out.contains("# Evolution's local mail\n" + home.toUtf8() + "/.local/share/evolution/mail/local\n"));
    QCOMPARE(MailStore::Profile::parse(stores.out).size(), 7);

    // A discovered store that cannot be opened is named, as a written one is.
    environment.insert(QStringLiteral("MAIL"), home + QStringLiteral("/.thunderbird/profiles.ini"));
    const Result unreadable = runTool({"--profile", "--list"}, environment);
    QCOMPARE(unreadable.code, 3);
    QVERIFY2(unreadable.err.contains(QStringLiteral("profiles.ini (the mail spool ($MAIL)): ")),
             qPrintable(unreadable.err));
}

// Three folders: dates in several offsets, a subject word no body holds, copies of one
// message with the same and with different content, and copies without a Message-ID.
QString makeChoiceStore(const QTemporaryDir& dir)
{
    const QString root = dir.filePath(QStringLiteral("choice"));
    const auto mail = [](const char* from, const char* subject, const char* date, const char* extra, const char* body) {
        return QByteArray("From: ") + from + "\nTo: Reader <reader@example.org>\nSubject: " + subject +
               "\nDate: " + date + "\n" + extra + "\n" + body + "\n";
    };
    const QByteArray budget = mail("Alice <alice@example.org>", "Budget 2026", "Mon, 05 Jan 2026 23:30:00 -0500",
                                   "Message-ID: <m1@example.org>\n", "The numbers.");
    const QByteArray old = mail("Dave <dave@example.org>", "Old note", "Wed, 31 Dec 2025 23:59:59 +0000", "", "Kept.");
    writeMbox(root + QStringLiteral("/Inbox"),
              {budget, budget,
               mail("Alice <alice@example.org>", "Budget 2026", "Mon, 05 Jan 2026 23:30:00 -0500",
                    "Message-ID: <m1@example.org>\n", "The numbers, corrected."),
               mail("Bob <bob@example.org>", "Lunch", "Tue, 06 Jan 2026 00:30:00 +0200",
                    "Cc: Zed Zulu <zed@example.org>\nMessage-ID: <m4@example.org>\n", "Noon?")});
    writeMbox(root + QStringLiteral("/Projects"),
              {mail("Carol <carol@example.org>", "Plan", "Sun, 04 Jan 2026 12:00:00 +0000",
                    "Message-ID: <m5@example.org>\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n",
                    "--b\nContent-Type: text/plain\n\nSee the minutes.\n--b\nContent-Type: text/plain\n"
                    "Content-Disposition: attachment; filename=minutes-zulu.txt\n\nMinutes.\n--b--")});
    writeMbox(root + QStringLiteral("/Archive"), {old, old});
    return root;
}

void TestPrintTool::choosesWhatGoesIn_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("subjects"); // the Subject cells --list writes, in order
    QTest::addColumn<QString>("says");         // in the last line of standard error
    const QString budget = "Budget 2026", old = "Old note";
    QTest::newRow("a day, in the sender's offsets")
        << QStringList{"--since", "2026-01-06", "--until", "2026-01-06"} << 0 << QStringList{budget, budget, budget}
        << "7 listed, 3 selected";
    QTest::newRow("an offset in the bound") << QStringList{"--until", "2026-01-05T23:00+01:00", "--sort", "date"} << 0
                                            << QStringList{old, old, "Plan"} << "3 selected";
    QTest::newRow("a minute is included whole")
        << QStringList{"--since", "2026-01-05T22:30", "--until", "2026-01-05T22:30"} << 0 << QStringList{"Lunch"}
        << "1 selected";
    QTest::newRow("newest first") << QStringList{"--sort", "date", "--reverse"} << 0
                                  << QStringList{budget, budget, budget, "Lunch", "Plan", old, old} << "7 selected";
    QTest::newRow("by subject") << QStringList{"--sort", "subject"} << 0
                                << QStringList{budget, budget, budget, "Lunch", old, old, "Plan"} << "7 selected";
    QTest::newRow("by sender, reversed") << QStringList{"--sort", "sender", "--reverse"} << 0
                                         << QStringList{old, old, "Plan", "Lunch", budget, budget, budget}
                                         << "7 selected";
    QTest::newRow("Find never looks in the subject")
        << QStringList{"--find", "budget"} << 0 << QStringList{} << "0 selected";
    QTest::newRow("search: subject and body, every text must match")
        << QStringList{"--search", "budget", "--search", "CORRECTED"} << 0 << QStringList{budget} << "1 selected";
    QTest::newRow("search: Cc and attachment names")
        << QStringList{"--search", "zulu"} << 0 << QStringList{"Lunch", "Plan"} << "2 selected";
    QTest::newRow("two folders") << QStringList{"--folder", "Projects", "--folder", "Archive", "--sort", "subject"} << 0
                                 << QStringList{old, old, "Plan"} << "3 selected";
    QTest::newRow("copies once; other content or no Message-ID kept")
        << QStringList{"--dedupe", "--sort", "subject"} << 0 << QStringList{budget, budget, "Lunch", old, old, "Plan"}
        << "7 listed, 7 selected, 1 left out as duplicates";
    QTest::newRow("the copies left out") << QStringList{"--list-duplicates"} << 0 << QStringList{budget}
                                         << "1 left out as duplicates";
    QTest::newRow("an unknown folder names the folders")
        << QStringList{"--folder", "Projects", "--folder", "inbox"} << 1 << QStringList{}
        << "no folder is named \"inbox\"; the folders are: ";
    QTest::newRow("not a date") << QStringList{"--since", "2026-02-30"} << 2 << QStringList{} << "Try";
    QTest::newRow("resume with combined")
        << QStringList{"--resume", "--combined", "all.pdf"} << 2 << QStringList{} << "Try";
}

void TestPrintTool::choosesWhatGoesIn()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QStringList, subjects);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC")); // local time in the bounds
    const Result result = runTool(QStringList{"--store", makeChoiceStore(dir)} + arguments +
                                      (arguments.contains("--list-duplicates") ? QStringList() : QStringList{"--list"}),
                                  environment);
    QCOMPARE(result.code, code);
    QStringList listed;
    for (const QByteArray& line : result.out.split('\n'))
        if (!line.isEmpty())
            listed << QString::fromUtf8(line).split(u'\t').value(Column::Subject);
    QCOMPARE(listed, subjects);
    const QString last = result.err.trimmed().section(u'\n', -1);
    QVERIFY2(last.contains(says), qPrintable(result.err));
    if (arguments.contains("--list-duplicates")) // each copy names the message it copies
        QVERIFY(result.out.trimmed().split('\t').value(Column::ColumnCount).startsWith("VT1-"));
    if (arguments.contains("inbox"))
        QVERIFY2(last.contains("Archive") && last.contains("Inbox") && last.contains("Projects"), qPrintable(last));
}

void TestPrintTool::resumesAStoppedRunWithoutCopies_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl-C") << int(SIGINT);
    QTest::newRow("killed, as at a crash") << int(SIGKILL);
}

void TestPrintTool::resumesAStoppedRunWithoutCopies()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    writeNumberedStore(dir.filePath(QStringLiteral("store/Inbox")), 300);
    const QString out = dir.filePath(QStringLiteral("out"));
    const QStringList arguments{"--store", dir.filePath(QStringLiteral("store")), "--outdir", out, "--resume"};

    QProcess first;
    first.start(tool(), arguments);
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(filesIn(out).filter(QStringLiteral(".pdf")).size() >= 30, 120000);
    ::kill(pid_t(first.processId()), signal);
    QVERIFY(first.waitForFinished(60000));
    const int written = int(filesIn(out).filter(QRegularExpression(QStringLiteral("^[^.].*\\.pdf$"))).size());
    QVERIFY2(written < 300, "the run ended before it was stopped");

    const Result second = runTool(arguments + QStringList{"--quiet"});
    QVERIFY2(second.code == 0, qPrintable(second.err));
    QVERIFY2(second.err.contains(
                 QStringLiteral("300 listed, 300 selected, %1 printed, %2 already in").arg(300 - written).arg(written)),
             qPrintable(second.err));
    // Every message once: 300 PDFs, one per subject, no numbered second copy.
    QStringList subjects;
    for (const QString& pdf : filesIn(out).filter(QStringLiteral(".pdf")))
    {
        QVERIFY2(!pdf.startsWith(u'.') && !pdf.contains(QStringLiteral("-2.pdf")), qPrintable(pdf));
        subjects << pdf.section(u' ', 2);
    }
    subjects.removeDuplicates();
    QCOMPARE(subjects.size(), 300);
}

void TestPrintTool::resumeKnowsAConvertedDbxAgain()
{
    // Each run converts the file into a new temporary folder: the messages must still be known.
    VT_REQUIRE_TESTDATA(QStringLiteral("dbx/test_OutlookDBX.dbx"));
    QTemporaryDir dir;
    const QStringList arguments{"--dbx",    TestSupport::testData(QStringLiteral("dbx/test_OutlookDBX.dbx")),
                                "--outdir", dir.filePath(QStringLiteral("out")),
                                "--resume", "--quiet"};
    QCOMPARE(runTool(arguments).code, 0);
    const Result again = runTool(arguments);
    QVERIFY2(again.code == 0 && again.err.contains(QStringLiteral("0 printed, 28 already in")), qPrintable(again.err));
    QCOMPARE(filesIn(dir.filePath(QStringLiteral("out"))).filter(QStringLiteral(".pdf")).size(), 28);
}

void TestPrintTool::indexAndListShowThePagesDate_data()
{
    QTest::addColumn<QString>("sample"); // a shared sample, else a message written here
    QTest::newRow("pst sent time") << QStringLiteral("pst/sample1.pst");
    QTest::newRow("mbox, offset not ours") << QString();
}

void TestPrintTool::indexAndListShowThePagesDate()
{
    VT_REQUIRE_CUPS();
    QFETCH(QString, sample);
    QTemporaryDir dir;
    QString store = dir.filePath(QStringLiteral("Inbox"));
    if (sample.isEmpty())
        writeMbox(store, {"From: A <a@example.org>\nSubject: S\nDate: Tue, 5 Mar 1996 10:00:07 +0930\n\nHi\n"});
    else
    {
        VT_REQUIRE_TESTDATA(sample);
        store = TestSupport::testData(sample);
    }
    const Result listed = runTool({QStringLiteral("--store"), store, QStringLiteral("--list")});
    const QString date = QString::fromUtf8(listed.out).split(u'\t').value(Column::Date);
    QVERIFY2(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}")).match(date).hasMatch(),
             qPrintable(date));
    const QString pdf = dir.filePath(QStringLiteral("all.pdf"));
    QCOMPARE(runTool({QStringLiteral("--store"), store, QStringLiteral("--combined"), pdf}).code, 0);
    const auto pages = [&](const char* first, const char* last) {
        QByteArray out;
        TestSupport::run(QStringLiteral("pdftotext"), {"-f", first, "-l", last, pdf, "-"}, &out);
        return QString::fromUtf8(out).simplified();
    };
    QVERIFY2(pages("1", "1").contains(date), qPrintable(pages("1", "1"))); // the index, its cell wrapped
    QVERIFY2(pages("2", "2").contains(date), qPrintable(pages("2", "2"))); // the message's own page
}

QTEST_MAIN(TestPrintTool)
#include "tst_printtool.moc"
