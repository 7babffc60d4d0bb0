// Extraction through the real converter and printing on the private CUPS server.

#include "ExpressFixture.h"
#include "WebBrowser.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>

using namespace ExpressTest;

namespace
{

// The Date lines MANIFEST.txt lists for one .dbx file.
QStringList manifestDates(const QString& manifest, const QString& file)
{
    QFile text(manifest);
    if (!text.open(QIODevice::ReadOnly))
        return {};
    QStringList dates;
    bool inFile = false;
    for (const QString& line : QString::fromUtf8(text.readAll()).split(u'\n'))
    {
        if (line.startsWith(u"FILE: "))
            inFile = line.mid(6).trimmed() == file;
        const qsizetype at = line.indexOf(u"| Date: ");
        if (inFile && at >= 0)
            dates.append(line.mid(at + 8).trimmed());
    }
    return dates;
}

QString headerOf(const QString& path, const QString& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression line(u"^"_qs + name + u": *([^\r\n]*?) *\r$"_qs, QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(file.readAll())).captured(1);
}

} // namespace

class TestExtraction : public QObject
{
    Q_OBJECT

private:
    QString m_inbox;
    QString m_small;

    // The window with the given .dbx files added through the file dialog and ticked.
    Form2& openWith(Fixture& f, const QStringList& dbx)
    {
        Form2& form = f.open();
        f.dialogs.fileAnswers.enqueue(dbx);
        form.PushButton1_Click();
        form.PushButton5_Click();
        return form;
    }

private Q_SLOTS:
    void initTestCase()
    {
        VT_REQUIRE_CUPS();
        QVERIFY(QFile::exists(TestSupport::binDir() + QStringLiteral("/DBXToEML")));
        m_inbox = sample(QStringLiteral("dbx/test_OutlookDBX.dbx"));
        m_small = sample(QStringLiteral("dbx/test.dbx"));
    }

    void init()
    {
        QFile::remove(SettingsStore().fileName());
        QFile::remove(qEnvironmentVariable("CUPS_SERVERROOT") + QStringLiteral("/lpoptions"));
        QFile::remove(QDir::homePath() + QStringLiteral("/.cups/lpoptions"));
    }

    void extractionListsEveryMessage()
    {
        if (m_inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        Form2& form = openWith(f, {m_inbox});
        // Leftovers of an earlier run go first.
        QVERIFY(writeFile(f.work.path() + QStringLiteral("/old.eml"), "Date: old\r\n"));
        form.messageGrid().addRow({u"old row"_qs});
        form.PushButton2_Click();

        QCOMPARE(f.dialogs.texts(), QStringList{u"Done."_qs});
        const QStringList dates = manifestDates(QFileInfo(m_inbox).path() + QStringLiteral("/MANIFEST.txt"),
                                                QStringLiteral("test_OutlookDBX.dbx"));
        QCOMPARE(dates.size(), 28);
        ReportListModel& grid = form.messageGrid();
        QCOMPARE(grid.rowCount(), 28);
        QCOMPARE(f.state.EmlFileNames.size(), 28);
        QStringList listed;
        for (int row = 0; row < grid.rowCount(); ++row)
        {
            const QString path = f.work.path() + u'/' + f.state.EmlFileNames[row];
            listed.append(grid.text(row, 3));
            QCOMPARE(grid.text(row, 3), headerOf(path, u"Date"_qs));
            QCOMPARE(grid.text(row, 0), headerOf(path, u"From"_qs));
            QCOMPARE(grid.text(row, 1), headerOf(path, u"To"_qs));
            QCOMPARE(grid.text(row, 2), headerOf(path, u"Subject"_qs));
            QVERIFY(!grid.isChecked(row));
        }
        listed.sort();
        QStringList expected = dates;
        expected.sort();
        QCOMPARE(listed, expected);
        QVERIFY(!QFile::exists(f.work.path() + QStringLiteral("/old.eml")));
        QCOMPARE(form.pointer(), Form2::Pointer::Default);
    }

    void twoFilesListEachMessageOnce()
    {
        if (m_inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        // A path with blanks, quotes and other letters reaches the converter whole.
        const QString odd = f.dir.filePath(QStringLiteral("a \"quoted\" földer/test copy.dbx"));
        QVERIFY(QDir().mkpath(QFileInfo(odd).path()));
        QVERIFY(QFile::copy(m_small, odd));
        Form2& form = openWith(f, {m_inbox, odd});
        form.PushButton2_Click();
        QCOMPARE(f.dialogs.texts(), QStringList{u"Done."_qs});
        QCOMPARE(form.messageGrid().rowCount(), 29);
        QCOMPARE(f.state.EmlFileNames.size(), 29);
        QCOMPARE(QSet<QString>(f.state.EmlFileNames.begin(), f.state.EmlFileNames.end()).size(), 29);
        QCOMPARE(form.messageGrid().text(28, 2), u"Please read you won't be sorry........"_qs);

        // A second run starts afresh.
        form.PushButton2_Click();
        QCOMPARE(form.messageGrid().rowCount(), 29);
    }

    void failedConversionsAreNamed()
    {
        if (m_inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        QFile source(m_inbox);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString damaged = f.dir.filePath(QStringLiteral("damaged.dbx"));
        QVERIFY(writeFile(damaged, source.read(200000)));
        const QString notDbx = f.dir.filePath(QStringLiteral("text.dbx"));
        QVERIFY(writeFile(notDbx, "just text"));
        const QString missing = f.dir.filePath(QStringLiteral("gone.dbx"));
        Form2& form = openWith(f, {missing, damaged, notDbx, m_small});
        form.PushButton2_Click();
        QCOMPARE(f.dialogs.texts(),
                 QStringList{u"Done.\r\n"_qs + missing + u": the file is missing or cannot be read\r\n"_qs + damaged +
                             u": the file is damaged; the messages that could be recovered are listed\r\n"_qs + notDbx +
                             u": not an Outlook Express folder file"_qs});
        QVERIFY(form.messageGrid().rowCount() > 1); // the recovered messages and the good file's one
        QCOMPARE(f.state.EmlFileNames.size(), form.messageGrid().rowCount());
    }

    void missingConverterLeavesTheRunGoing()
    {
        Fixture f(QDir::tempPath() + QStringLiteral("/vellumtide-no-converter-here"));
        Form2& form = openWith(f, {u"/x/a.dbx"_qs, u"/x/b.dbx"_qs});
        form.fileGrid().setChecked(0, false);
        form.PushButton2_Click();
        QCOMPARE(f.dialogs.texts(), QStringList{u"Done.\r\n/x/b.dbx: the converter DBXToEML could not be started"_qs});
        QCOMPARE(form.messageGrid().rowCount(), 0);

        // No ticked row: still a clean slate and "Done.".
        f.dialogs.shown.clear();
        form.PushButton3_Click();
        form.messageGrid().addRow({u"x"_qs});
        form.PushButton2_Click();
        QCOMPARE(f.dialogs.texts(), QStringList{u"Done."_qs});
        QCOMPARE(form.messageGrid().rowCount(), 0);
    }

    void printRunPrintsTickedMessagesInOrder()
    {
        if (m_inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        QVERIFY(f.printers.setDefaultPrinter(u"pdf1"_qs, nullptr));
        Form2& form = openWith(f, {m_inbox});
        form.PushButton2_Click();
        ReportListModel& grid = form.messageGrid();
        // Three rows whose subjects are plain text, ticked from the bottom up.
        QList<int> rows;
        for (int row = grid.rowCount() - 1; row >= 0 && rows.size() < 3; --row)
        {
            const QString subject = grid.text(row, 2);
            if (!subject.isEmpty() && !subject.contains(u"=?"))
                rows.prepend(row);
        }
        QCOMPARE(rows.size(), 3);
        for (int row : rows)
            grid.setChecked(row, true);
        auto* combo = f.child<QComboBox>("Combo1");
        combo->setCurrentIndex(combo->findText(u"pdf2"_qs));
        const int before = TestSupport::printedJobs(u"pdf2"_qs).size();
        f.dialogs.shown.clear();

        QElapsedTimer clock;
        clock.start();
        form.PushButton7_Click();
        QVERIFY(clock.elapsed() >= 30000);
        QCOMPARE(f.dialogs.texts(), QStringList{u"Done."_qs});
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf2"_qs);
        QCOMPARE(f.state.SavedPrinter, u"pdf1"_qs);
        QCOMPARE(QDir(f.work.path()).entryList({u"*.mht"_qs}, QDir::Files), QStringList());
        QCOMPARE(QDir(f.work.path()).entryList({u"*.eml"_qs}, QDir::Files).size(), 28);

        const QList<TestSupport::PrintedJob> jobs = TestSupport::waitForJobs(u"pdf2"_qs, before, 3);
        QCOMPARE(jobs.size(), 3);
        for (int i = 0; i < 3; ++i)
        {
            const QString text = TestSupport::pdfText(jobs[i].pdfPath).simplified();
            QVERIFY2(text.contains(grid.text(rows[i], 2).simplified()), qPrintable(text.left(300)));
        }

        form.close();
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf1"_qs);
        QCOMPARE(QDir(f.work.path()).entryList({u"*.eml"_qs}, QDir::Files), QStringList());
    }

    void printRunWithoutTicksSwitchesThePrinterOnly()
    {
        Fixture f;
        Form2& form = f.open();
        f.state.EmlFileNames = {u"a.eml"_qs};
        form.messageGrid().addRow({u"a"_qs});
        auto* combo = f.child<QComboBox>("Combo1");
        combo->setCurrentIndex(1);
        form.PushButton7_Click();
        QCOMPARE(f.dialogs.texts(), QStringList{u"Done."_qs});
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf2"_qs);
        QVERIFY(f.child<QPushButton>("PushButton7")->isEnabled()); // the run gave the buttons back
        form.close();
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf1"_qs);
    }

    void closingDuringARunEndsItAfterTheCurrentMessage_data()
    {
        QTest::addColumn<bool>("printing");
        QTest::newRow("extraction") << false;
        QTest::newRow("printing") << true;
    }

    void closingDuringARunEndsItAfterTheCurrentMessage()
    {
        QFETCH(bool, printing);
        if (m_inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        QVERIFY(f.printers.setDefaultPrinter(u"pdf1"_qs, nullptr));
        Form2& form = openWith(f, {m_inbox, m_small});
        if (printing)
        {
            form.PushButton2_Click();
            for (int row = 0; row < 3; ++row)
                form.messageGrid().setChecked(row, true);
            f.child<QComboBox>("Combo1")->setCurrentIndex(1);
        }
        f.dialogs.shown.clear();
        const int before = TestSupport::printedJobs(u"pdf2"_qs).size();
        // During the run: a second click is refused where it shows, the pointer is busy,
        // and the page printed is the copy; then the user closes the window.
        QStringList seen;
        QTimer::singleShot(printing ? 1500 : 0, &form, [&] {
            for (const char* name : {"PushButton2", "PushButton7", "PushButton14", "PushButton1"})
                seen << QString::fromLatin1(name) + (f.child<QPushButton>(name)->isEnabled() ? u" on"_qs : u" off"_qs);
            seen << (form.pointer() == Form2::Pointer::Busy ? u"busy"_qs : u"not busy"_qs);
            seen << QFileInfo(form.browser().LocationURL()).suffix();
            form.close();
        });
        QElapsedTimer clock;
        clock.start();
        printing ? form.PushButton7_Click() : form.PushButton2_Click();
        QVERIFY(clock.elapsed() < 9000);
        QCOMPARE(seen, (QStringList{u"PushButton2 off"_qs, u"PushButton7 off"_qs, u"PushButton14 off"_qs,
                                    u"PushButton1 off"_qs, u"busy"_qs, printing ? u"mht"_qs : QString()}));
        QVERIFY(!form.isVisible());
        QCOMPARE(f.dialogs.texts(), QStringList()); // no "Done." for a run the user stopped
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf1"_qs);
        QCOMPARE(QDir(f.work.path()).entryList({u"*.eml"_qs, u"*.mht"_qs}, QDir::Files | QDir::Hidden), QStringList());
        if (!printing)
            QCOMPARE(form.messageGrid().rowCount(), 0); // stopped before listing
        // The message being printed came out; no other, and no "Cannot show" page.
        QTest::qWait(3000);
        const QList<TestSupport::PrintedJob> jobs = TestSupport::printedJobs(u"pdf2"_qs).mid(before);
        QCOMPARE(jobs.size(), printing ? 1 : 0);
        for (const TestSupport::PrintedJob& job : jobs)
            QVERIFY(!TestSupport::pdfText(job.pdfPath).contains(u"Cannot show"));
    }

    void withoutAWorkFolderNothingIsExtractedPrintedOrDeleted_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("why");
        QTest::newRow("not a folder") << "/dev/null/vellumtide"
                                      << "Not a directory";
        QTest::newRow("relative") << "vellumtide"
                                  << "it is not an absolute path";
    }

    void withoutAWorkFolderNothingIsExtractedPrintedOrDeleted()
    {
        QFETCH(QString, base);
        QFETCH(QString, why);
        if (m_small.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f(TestSupport::binDir(), base);
        QCOMPARE(f.work.path(), QString());
        // Where an empty work folder would have listed and deleted (the current folder).
        const QString planted = f.dir.filePath(u"x.eml"_qs);
        QVERIFY(writeFile(planted, "Date: planted\r\n"));
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        Form2& form = openWith(f, {m_small});
        const int before = TestSupport::printedJobs(u"pdf1"_qs).size();
        form.PushButton2_Click();
        QCOMPARE(form.messageGrid().rowCount(), 0);
        f.state.EmlFileNames = {u"x.eml"_qs};
        form.messageGrid().addRow({u"x"_qs});
        form.messageGrid().setChecked(0, true);
        form.PushButton7_Click();
        form.close();
        QDir::setCurrent(cwd);
        const QString problem = u"the work folder \""_qs + base + u"\" cannot be made: "_qs + why + u'.';
        QCOMPARE(f.dialogs.texts(), (QStringList{u"Cannot extract the messages: "_qs + problem,
                                                 u"Cannot print the messages: "_qs + problem}));
        QVERIFY(QFile::exists(planted));
        QCOMPARE(TestSupport::printedJobs(u"pdf1"_qs).size(), before);
    }

    void theUsersSavedDefaultIsPutBack_data()
    {
        QTest::addColumn<QByteArray>("variable"); // set to pdf2 while the window runs
        QTest::newRow("PRINTER") << QByteArray("PRINTER");
        QTest::newRow("LPDEST") << QByteArray("LPDEST");
        QTest::newRow("neither") << QByteArray();
    }

    void theUsersSavedDefaultIsPutBack()
    {
        QFETCH(QByteArray, variable);
        VT_REQUIRE_ISOLATION();
        QVERIFY(TestSupport::setUserDefaultPrinter(u"pdf1"_qs));
        Fixture f;
        if (!variable.isEmpty())
            qputenv(variable.constData(), "pdf2");
        Form2& form = f.open();
        f.child<QComboBox>("Combo1")->setCurrentIndex(1);
        form.PushButton7_Click();
        form.PushButton7_Click(); // a second run records nothing new
        QCOMPARE(f.state.SavedPrinter, u"pdf1"_qs);
        form.close();
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        QCOMPARE(f.printers.defaultPrinter().name, u"pdf1"_qs);
    }
};

QTEST_MAIN(TestExtraction)
#include "tst_extraction.moc"
