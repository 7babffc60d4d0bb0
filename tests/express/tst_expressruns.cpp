// The Outlook Express print run without its window: a fake window and printer system
// fail and stop on demand, the real work folder holds the messages.

#include "AppError.h"
#include "EmlPrintRun.h"
#include "ExpressRunWindow.h"
#include "LineSteps.h"
#include "PrinterSystem.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"
#include "WorkFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// PRINTER says B for this process; the user saved A.
class OverriddenPrinters : public PrinterSystem
{
public:
    QStringList printerNames() override { return {u"A"_qs, u"B"_qs, u"C"_qs}; }
    DefaultPrinter defaultPrinter() override { return {current, 0, {}}; }
    DefaultPrinter savedDefaultPrinter() override { return {u"A"_qs, 0, {}}; }
    bool setDefaultPrinter(const QString& name, QString*) override
    {
        current = name;
        return printerNames().contains(name);
    }
    QString current = u"B"_qs;
};

class FakeWindow : public ExpressRunWindow
{
public:
    void setBusy(bool) override {}
    bool stopRequested() override { return printed.size() >= stopAfter; }
    void waitSeconds(double seconds) override { waited += seconds; }
    void printMessageFile(const QString& path) override
    {
        printed.append(QFileInfo(path).fileName());
        if (!QFile::exists(path))
            throw AppError(53, u"Vellumtide"_qs, u"File not found"_qs);
    }
    QStringList printed;
    qsizetype stopAfter = 100;
    double waited = 0;
};

} // namespace

class TestExpressRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printRunKeepsItsLinesAndStops_data()
    {
        QTest::addColumn<QStringList>("names"); // EmlFileNames; "-" is a row whose file is missing
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QList<int>>("failedLines");
        QTest::addColumn<bool>("done");
        QTest::newRow("all rows, copies printed")
            << QStringList{u"a.eml"_qs, u"b.eml"_qs} << 100 << QStringList{u"a.eml.mht"_qs, u"b.eml.mht"_qs}
            << QList<int>() << true;
        QTest::newRow("a missing message fails at 122 and the run goes on")
            << QStringList{u"-"_qs, u"b.eml"_qs} << 100 << QStringList{u"-.mht"_qs, u"b.eml.mht"_qs} << QList<int>{122}
            << true;
        QTest::newRow("a row past the names fails at 116")
            << QStringList{u"a.eml"_qs} << 100 << QStringList{u"a.eml.mht"_qs, u".mht"_qs} << QList<int>{116, 122}
            << true;
        QTest::newRow("stopped after the first message")
            << QStringList{u"a.eml"_qs, u"b.eml"_qs} << 1 << QStringList{u"a.eml.mht"_qs} << QList<int>() << false;
    }

    void printRunKeepsItsLinesAndStops()
    {
        QFETCH(QStringList, names);
        QFETCH(int, stopAfter);
        QFETCH(QStringList, printed);
        QFETCH(QList<int>, failedLines);
        QFETCH(bool, done);
        QTemporaryDir dir;
        WorkFolder work(dir.path());
        ReportListModel grid;
        grid.addColumn(u"From"_qs, 1);
        ExpressState state;
        for (const QString& name : names)
        {
            if (name != u"-")
                QVERIFY(QFile(work.path() + u'/' + name).open(QIODevice::WriteOnly));
            state.EmlFileNames.append(name);
        }
        for (int row = 0; row < 2; ++row)
            grid.addRow({QString::number(row)});
        grid.addRow({u"not ticked"_qs});
        grid.setChecked(0, true);
        grid.setChecked(1, true);

        OverriddenPrinters printers;
        ScriptedDialogs dialogs;
        FakeWindow window;
        window.stopAfter = stopAfter;
        QList<int> lines;
        LineSteps steps([&](int line, std::exception_ptr) { lines.append(line); });
        EmlPrintRun run(printers, dialogs, window, steps, grid, state, work);
        run.Run(u"C"_qs, true);
        run.Run(u"C"_qs, false); // a later run of the same opening keeps the first record

        QCOMPARE(window.printed.mid(0, printed.size()), printed);
        QCOMPARE(lines.mid(0, failedLines.size()), failedLines);
        QCOMPARE(state.SavedPrinter, u"A"_qs); // the user's own, not the environment's
        QCOMPARE(printers.current, u"C"_qs);
        QCOMPARE(dialogs.texts(), done ? (QStringList{u"Done."_qs, u"Done."_qs}) : QStringList());
        QCOMPARE(window.waited, done ? 10.0 * 2 * printed.size() : 10.0 * printed.size());
        // Stopped, the copies are left for the window's closing to remove.
        QCOMPARE(QDir(work.path()).entryList({u"*.mht"_qs}, QDir::Files).isEmpty(), done);
    }
};

QTEST_GUILESS_MAIN(TestExpressRuns)
#include "tst_expressruns.moc"
