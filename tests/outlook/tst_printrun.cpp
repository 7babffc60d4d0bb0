#include "FakeEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "PrintRun.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"

#include <QtTest>

namespace
{

// The window side of a run, written to the engine's log so the order of effects shows.
class LoggingWindow : public Outlook::PrintRunWindow
{
public:
    explicit LoggingWindow(QStringList& log) : m_log(log) {}
    void setBusy(bool busy) override { m_log.append(busy ? QStringLiteral("busy") : QStringLiteral("not busy")); }
    void switchPrinter() override { m_log.append(QStringLiteral("switch printer")); }
    void showProgress(int, int taken, int total) override
    {
        m_log.append(QStringLiteral("%1 of %2").arg(taken).arg(total));
    }
    void endProgress() override { m_log.append(QStringLiteral("end progress")); }
    bool stopRequested() override { return stop; }
    QString printerMissing() override { return missing; }
    bool stop = false;
    QString missing;

private:
    QStringList& m_log;
};

// A grid listed from two stores whose folders are known:
//   p1 Inbox/Projects, a1 a2 Inbox, s1 Sent Items, q1 Projects (first level), b1 Inbox of the second store.
struct Fixture
{
    Fake::World world;
    Fake::Factory factory{world};
    ScriptedDialogs dialogs;
    ReportListModel grid;
    Outlook::EventPump pump{1000};
    LoggingWindow window{world.log};
    QList<int> errorLines;

    Fixture()
    {
        for (int column = 0; column < Outlook::MailRow::ColumnCount; ++column)
            grid.addColumn(QString::number(column), 2000);
        Fake::FolderNode& first = world.store(QStringLiteral("First"));
        Fake::FolderNode& inbox = first.folder(QStringLiteral("Inbox"));
        inbox.folder(QStringLiteral("Projects")).mail(QStringLiteral("p1"));
        inbox.mail(QStringLiteral("a1"));
        inbox.mail(QStringLiteral("a2"));
        first.folder(QStringLiteral("Sent Items")).mail(QStringLiteral("s1"));
        first.folder(QStringLiteral("Projects")).mail(QStringLiteral("q1"));
        world.store(QStringLiteral("Second")).folder(QStringLiteral("Inbox")).mail(QStringLiteral("b1"));
        world.numberItems();
        Outlook::MailListing listing(factory, dialogs, grid, pump);
        listing.ListOutlookMail({true, false, {}});
        dialogs.shown.clear();
        world.log.clear();
    }

    void run(const QString& mode)
    {
        LineSteps steps([this](int line, std::exception_ptr) { errorLines.append(line); });
        Outlook::PrintRun printRun(factory, dialogs, grid, window, steps);
        printRun.Run(mode);
    }

    QStringList printed() const
    {
        QStringList result;
        for (const QString& entry : world.log)
            if (entry.startsWith(u"PrintOut "))
                result << entry.mid(9);
        return result;
    }
};

} // namespace

class TestPrintRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modesSelectRows_data();
    void modesSelectRows();
    void orderOfEffects();
    void blankOrCancelledFolderNameDoesNothing_data();
    void blankOrCancelledFolderNameDoesNothing();
    void printerFailureEndsTheRunOnce_data();
    void printerFailureEndsTheRunOnce();
    void failingStepsAreReportedAndTheRunGoesOn_data();
    void failingStepsAreReportedAndTheRunGoesOn();
    void stopEndsAfterTheCurrentMessage();
};

void TestPrintRun::modesSelectRows_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QStringList>("printed");

    const QList<int> none;
    QTest::newRow("ticked rows") << "User Checked Items"
                                 << "" << QList<int>{0, 3, 5} << QStringList{"p1", "s1", "b1"};
    QTest::newRow("no ticked row") << "User Checked Items"
                                   << "" << none << QStringList{};
    QTest::newRow("all") << "All"
                         << "" << QList<int>{1} << QStringList{"p1", "a1", "a2", "s1", "q1", "b1"};
    QTest::newRow("Inbox: both stores and its subfolders") << "Inbox"
                                                           << "" << none << QStringList{"p1", "a1", "a2", "b1"};
    QTest::newRow("Sent Items") << "Sent Items"
                                << "" << none << QStringList{"s1"};
    QTest::newRow("Drafts: none") << "Drafts"
                                  << "" << none << QStringList{};
    QTest::newRow("user folder as Folder and Subfolder") << "User-specified Folder"
                                                         << "Projects" << none << QStringList{"p1", "q1"};
    QTest::newRow("user folder with trailing blank") << "User-specified Folder"
                                                     << "Projects " << none << QStringList{};
    QTest::newRow("user folder in other letter case") << "User-specified Folder"
                                                      << "inbox" << none << QStringList{};
}

void TestPrintRun::modesSelectRows()
{
    QFETCH(QString, mode);
    QFETCH(QString, answer);
    QFETCH(QList<int>, ticked);
    QFETCH(QStringList, printed);
    Fixture f;
    for (int row : ticked)
        f.grid.setChecked(row, true);
    if (!answer.isEmpty())
        f.dialogs.inputAnswers.enqueue(answer);
    f.run(mode);

    QCOMPARE(f.printed(), printed);
    QVERIFY(f.errorLines.isEmpty());
    QVERIFY(f.world.log.contains(QStringLiteral("switch printer")));
    const QString last = f.dialogs.shown.last().text;
    QCOMPARE(last, printed.isEmpty() ? QStringLiteral("No records selected") : QStringLiteral("Done."));
    if (mode == u"User-specified Folder")
        QCOMPARE(f.dialogs.shown.first().text, QStringLiteral("Enter folder name: "));
    // The grid is left as it was.
    QCOMPARE(f.grid.rowCount(), 6);
    QCOMPARE(f.grid.checkedCount(), ticked.size());
}

void TestPrintRun::orderOfEffects()
{
    Fixture f;
    f.dialogs.inputAnswers.enqueue(QStringLiteral("Sent Items"));
    f.run(QStringLiteral("User-specified Folder"));
    const QString id = f.grid.text(3, Outlook::MailRow::ID);
    QCOMPARE(f.world.log,
             (QStringList{"busy", "switch printer", "create", "GetNamespace MAPI", "1 of 1", "GetItemFromID " + id,
                          "PrintOut s1", "release namespace", "release application", "not busy", "end progress"}));
    QCOMPARE(f.dialogs.shown.size(), 2);
    QCOMPARE(f.dialogs.shown[0].title, QStringLiteral("Input Folder Name"));
    QCOMPARE(f.dialogs.shown[1].text, QStringLiteral("Done."));
}

void TestPrintRun::blankOrCancelledFolderNameDoesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("cancelled") << "User-specified Folder" << true << ""
                               << "Enter folder name: ";
    QTest::newRow("only blanks") << "User-specified Folder" << false << "   "
                                 << "Enter folder name: ";
    const QString choose = QStringLiteral("Please choose what to print under \"What To Print\".");
    QTest::newRow("blank mode") << "" << false << "" << choose;
    QTest::newRow("stored mode the list cannot show") << "Junk E-mail" << false << "" << choose;
}

void TestPrintRun::blankOrCancelledFolderNameDoesNothing()
{
    QFETCH(QString, mode);
    QFETCH(bool, cancel);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    Fixture f;
    if (!cancel)
        f.dialogs.inputAnswers.enqueue(answer);
    f.run(mode);
    QVERIFY(f.world.log.isEmpty());
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown.first().text, shown);
}

void TestPrintRun::printerFailureEndsTheRunOnce_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<int>("failingRow");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("message");
    QTest::newRow("no printer and no default: nothing taken") << "No printer" << -1 << QStringList{} << "No printer";
    QTest::newRow("printer fails at the third row")
        << "" << 2 << QStringList{"p1", "a1", "a2"} << "Printing stopped: printer gone\n2 of 6 messages were printed.";
    QTest::newRow("printer fails at the first row")
        << "" << 0 << QStringList{"p1"} << "Printing stopped: printer gone\n0 of 6 messages were printed.";
}

void TestPrintRun::printerFailureEndsTheRunOnce()
{
    QFETCH(QString, missing);
    QFETCH(int, failingRow);
    QFETCH(QStringList, printed);
    QFETCH(QString, message);
    Fixture f;
    f.window.missing = missing;
    if (failingRow >= 0)
        for (int row = failingRow; row < f.grid.rowCount(); ++row)
            f.world.find(f.grid.text(row, Outlook::MailRow::ID))->failing << QStringLiteral("Printer");
    f.run(QStringLiteral("All"));
    QCOMPARE(f.printed(), printed);
    QVERIFY(f.errorLines.isEmpty());
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown.first().text, message);
    QVERIFY(f.world.log.contains(QStringLiteral("not busy")));
    QCOMPARE(f.world.log.contains(QStringLiteral("create")), missing.isEmpty());
}

void TestPrintRun::failingStepsAreReportedAndTheRunGoesOn_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("message");
    // Done. names the rows that failed.
    QTest::newRow("ticked: unknown entry ID")
        << "User Checked Items"
        << "fetch" << QList<int>{180} << QStringList{"a1"} << "Done.\n\n1 of 2 messages could not be printed:\np1";
    QTest::newRow("all: print fails") << "All"
                                      << "print" << QList<int>{200} << QStringList{"p1", "a1", "s1", "q1", "b1"}
                                      << "Done.\n\n1 of 6 messages could not be printed:\na2";
    QTest::newRow("folder: print fails") << "Inbox"
                                         << "print" << QList<int>{218} << QStringList{"p1", "a1", "b1"}
                                         << "Done.\n\n1 of 4 messages could not be printed:\na2";
    QTest::newRow("no engine: every fetch fails")
        << "Inbox"
        << "engine" << QList<int>{136, 138, 216, 216, 216, 216} << QStringList{}
        << "Done.\n\n4 of 4 messages could not be printed:\np1\na1\na2\nb1";
    QTest::newRow("no namespace") << "User Checked Items"
                                  << "namespace" << QList<int>{138, 180, 180} << QStringList{}
                                  << "Done.\n\n2 of 2 messages could not be printed:\np1\na1";
}

void TestPrintRun::failingStepsAreReportedAndTheRunGoesOn()
{
    QFETCH(QString, mode);
    QFETCH(QString, failure);
    QFETCH(QList<int>, lines);
    QFETCH(QStringList, printed);
    QFETCH(QString, message);
    Fixture f;
    f.grid.setChecked(0, true);
    f.grid.setChecked(1, true);
    if (failure == u"fetch")
        f.world.find(f.grid.text(0, Outlook::MailRow::ID))->entryId = QStringLiteral("moved");
    else if (failure == u"print")
        f.world.find(f.grid.text(2, Outlook::MailRow::ID))->failing << QStringLiteral("PrintOut");
    else if (failure == u"engine")
        f.factory.fail = true;
    else if (failure == u"namespace")
        f.world.failing << QStringLiteral("GetNamespace");
    f.run(mode);
    QCOMPARE(f.errorLines, lines);
    QStringList actuallyPrinted = f.printed();
    if (failure == u"print")
        actuallyPrinted.removeOne(QStringLiteral("a2")); // asked to print, failed
    QCOMPARE(actuallyPrinted, printed);
    QCOMPARE(f.dialogs.shown.last().text, message);
    QVERIFY(f.world.log.contains(QStringLiteral("not busy")));
}

void TestPrintRun::stopEndsAfterTheCurrentMessage()
{
    Fixture f;
    f.world.find(f.grid.text(2, Outlook::MailRow::ID))->onPrint = [&f] { f.window.stop = true; };
    f.run(QStringLiteral("All"));
    QCOMPARE(f.printed(), (QStringList{"p1", "a1", "a2"}));
    QCOMPARE(f.dialogs.shown.last().text, QStringLiteral("Stopped after 3 of 6."));
    QVERIFY(f.world.log.contains(QStringLiteral("release application")));
    QCOMPARE(f.world.log.last(), QStringLiteral("end progress"));

    // A stop asked during the last message changes nothing: every row was printed.
    Fixture g;
    g.world.find(g.grid.text(5, Outlook::MailRow::ID))->onPrint = [&g] { g.window.stop = true; };
    g.run(QStringLiteral("All"));
    QCOMPARE(g.printed().size(), 6);
    QCOMPARE(g.dialogs.shown.last().text, QStringLiteral("Done."));
}

QTEST_GUILESS_MAIN(TestPrintRun)
#include "tst_printrun.moc"
