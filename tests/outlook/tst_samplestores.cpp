// The listing and the print run with the built-in engine, on the public sample stores
// and the private CUPS server.
#include "CupsPrinterSystem.h"
#include "GetSetPrinter.h"
#include "MailEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "PrintRun.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

using Outlook::MailRow::Column;

namespace
{

QString sample(const QString& name)
{
    return TestSupport::testData(QStringLiteral("pst/") + name);
}

struct Listed
{
    ScriptedDialogs dialogs;
    ReportListModel grid;
    Outlook::EventPump pump;

    /// Lists the store file, or with `profile` every store the profile names.
    explicit Listed(const QString& storePath, const QString& profile = QString())
    {
        for (int column = 0; column < Column::ColumnCount; ++column)
            grid.addColumn(QString::number(column), 2000);
        MailStore::EngineFactory engine(profile.isEmpty() ? QStringLiteral("/nonexistent/profile.txt") : profile);
        Outlook::MailListing listing(engine, dialogs, grid, pump);
        listing.ListOutlookMail({!profile.isEmpty(), profile.isEmpty(), storePath});
    }

    // "Folder|Subfolder" of each row, runs of equal values folded into "Folder|Subfolder xN".
    QStringList groups() const
    {
        QStringList result;
        QString last;
        int run = 0;
        for (int row = 0; row <= grid.rowCount(); ++row)
        {
            const QString key = row < grid.rowCount()
                                    ? grid.text(row, Column::Folder) + u'|' + grid.text(row, Column::Subfolder)
                                    : QString();
            if (row > 0 && key != last)
            {
                result << QStringLiteral("%1 x%2").arg(last).arg(run);
                run = 0;
            }
            last = key;
            ++run;
        }
        return result;
    }
};

// Switches to the queue the way the window does and counts nothing else.
class QueueWindow : public Outlook::PrintRunWindow
{
public:
    explicit QueueWindow(QString queue) : m_queue(std::move(queue)) {}
    void setBusy(bool) override {}
    void switchPrinter() override { GetSetPrinter::SetDefaultPrinter(m_printers, m_dialogs, m_queue, false); }
    void showProgress(int, int, int) override {}
    void endProgress() override {}
    bool stopRequested() override { return false; }

private:
    QString m_queue;
    CupsPrinterSystem m_printers;
    ScriptedDialogs m_dialogs;
};

} // namespace

class TestSampleStores : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listsTheMailOfASampleStore_data();
    void listsTheMailOfASampleStore();
    void printsTickedRowsOnTheChosenQueue();
};

void TestSampleStores::initTestCase()
{
    VT_REQUIRE_TESTDATA(QStringLiteral("pst/MANIFEST.txt"));
}

void TestSampleStores::listsTheMailOfASampleStore_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QString>("closing"); // the listing's closing message
    QTest::newRow("standard folders, contact and appointment left out")
        << "Outlook.pst" << QStringList{"Inbox| x8", "Sent Items| x6"} << "Done.";
    QTest::newRow("mail in a subfolder of Inbox")
        << "testPST_variousBodyTypes.pst" << QStringList{"Inbox|tmp x4"} << "Done.";
    QTest::newRow("contacts only") << "SampleContacts.pst" << QStringList{} << "Done.";
    // Mail kept in the top folder is not listed, and the listing says so.
    QTest::newRow("mail only in the top folder")
        << "testPST.pst" << QStringList{} << "Done.\n\nhong-thai.nguyen: 7 messages in its top folder are not listed";
    QTest::newRow("one mail in the top folder")
        << "attachAndInline.pst" << QStringList{}
        << "Done.\n\nattachAndInline: 1 message in its top folder is not listed";
    QTest::newRow("profile with a store that cannot be opened")
        << "profile" << QStringList{"Inbox|tmp x4"}
        << "Done.\n\nLeft out: The store \"/nonexistent/gone.pst\" does not exist.";
}

void TestSampleStores::listsTheMailOfASampleStore()
{
    QFETCH(QString, file);
    QFETCH(QStringList, groups);
    QFETCH(QString, closing);
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("profile.txt"));
    if (file == u"profile")
    {
        QFile out(profile);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("/nonexistent/gone.pst\n" + sample(QStringLiteral("testPST_variousBodyTypes.pst")).toUtf8() + '\n');
    }
    Listed listed(sample(file), file == u"profile" ? profile : QString());
    QCOMPARE(listed.groups(), groups);
    QCOMPARE(listed.dialogs.texts(), QStringList{closing});
    for (int row = 0; row < listed.grid.rowCount(); ++row)
    {
        QVERIFY(!listed.grid.text(row, Column::Root).isEmpty());
        QVERIFY(!listed.grid.text(row, Column::ID).isEmpty());
        QVERIFY(!listed.grid.text(row, Column::Date).isEmpty());
    }
}

void TestSampleStores::printsTickedRowsOnTheChosenQueue()
{
    VT_REQUIRE_CUPS();
    Listed listed(sample(QStringLiteral("testPST_variousBodyTypes.pst")));
    QCOMPARE(listed.grid.rowCount(), 4);
    listed.grid.setChecked(2, true); // the RTF-only message
    listed.grid.setChecked(3, true); // plain text only
    TestSupport::setUserDefaultPrinter(QStringLiteral("pdf1"));
    const int before = int(TestSupport::printedJobs(QStringLiteral("pdf2")).size());

    QueueWindow window(QStringLiteral("pdf2"));
    QList<int> failedLines;
    LineSteps steps([&](int line, std::exception_ptr) { failedLines << line; });
    MailStore::EngineFactory engine(QStringLiteral("/nonexistent/profile.txt"));
    Outlook::PrintRun run(engine, listed.dialogs, listed.grid, window, steps);
    run.Run(QStringLiteral("User Checked Items"));

    QVERIFY(failedLines.isEmpty());
    QCOMPARE(listed.dialogs.texts().last(), QStringLiteral("Done."));
    CupsPrinterSystem printers;
    QCOMPARE(printers.defaultPrinter().name, QStringLiteral("pdf2"));
    const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf2"), before, 2);
    QCOMPARE(jobs.size(), 2);
    for (int i = 0; i < 2; ++i)
    {
        const int row = 2 + i;
        QCOMPARE(jobs[i].title, listed.grid.text(row, Column::Subject));
        const QString text = TestSupport::pdfText(jobs[i].pdfPath).simplified();
        QVERIFY2(text.contains(listed.grid.text(row, Column::Subject)), qPrintable(text));
        QVERIFY2(text.contains(listed.grid.text(row, Column::FromTo)), qPrintable(text));
        // The body came along: its first words, as a fresh session reads them by entry ID.
        const QString body = engine.create()
                                 ->GetNamespace(QStringLiteral("MAPI"))
                                 ->GetItemFromID(listed.grid.text(row, Column::ID))
                                 ->Body()
                                 .simplified();
        QVERIFY(!body.isEmpty());
        const QString firstWords = body.section(u' ', 0, 3);
        QVERIFY2(text.contains(firstWords), qPrintable(firstWords + QStringLiteral(" / ") + text));
    }
}

QTEST_MAIN(TestSampleStores)
#include "tst_samplestores.moc"
