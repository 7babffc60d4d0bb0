#include "ProcProcessTable.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class TestProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executableName_data();
    void executableName();
    void snapshotSeesARunningProcess();
};

void TestProcesses::executableName_data()
{
    QTest::addColumn<QByteArray>("cmdline");
    QTest::addColumn<QByteArray>("comm");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unix path") << QByteArray("/usr/bin/sleep\0"
                                             "60\0",
                                             18)
                               << QByteArray("sleep\n") << "sleep";
    QTest::newRow("wine keeps the windows path")
        << QByteArray("C:\\Program Files\\Microsoft Office\\Office16\\OUTLOOK.EXE\0/safe\0", 61)
        << QByteArray("OUTLOOK.EXE\n") << "OUTLOOK.EXE";
    QTest::newRow("bare name") << QByteArray("outlook.exe\0", 12) << QByteArray("outlook.exe") << "outlook.exe";
    QTest::newRow("kernel thread has no argv") << QByteArray() << QByteArray("kworker/0:1\n") << "kworker/0:1";
    QTest::newRow("argv0 ending in a slash") << QByteArray("/opt/x/\0", 8) << QByteArray("x\n") << "x";
}

void TestProcesses::executableName()
{
    QFETCH(QByteArray, cmdline);
    QFETCH(QByteArray, comm);
    QFETCH(QString, expected);
    QCOMPARE(ProcProcessTable::executableName(cmdline, comm), expected);
}

void TestProcesses::snapshotSeesARunningProcess()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vt proc é XXXXXX"));
    const QString link = dir.filePath(QStringLiteral("Vellumtide-Probe.exe"));
    QVERIFY(QFile::link(QStringLiteral("/bin/sleep"), link));
    QProcess probe;
    probe.start(link, {QStringLiteral("30")});
    QVERIFY(probe.waitForStarted());

    ProcProcessTable table;
    bool found = false;
    for (const ProcessTable::Entry& entry : table.snapshot())
    {
        QVERIFY(entry.pid != QCoreApplication::applicationPid());
        if (entry.pid == probe.processId())
        {
            QCOMPARE(entry.executableName, QStringLiteral("Vellumtide-Probe.exe"));
            found = true;
        }
    }
    QVERIFY(found);
    QVERIFY(table.terminate(static_cast<pid_t>(probe.processId())));
    QVERIFY(probe.waitForFinished(5000));
    QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
    QVERIFY(!table.terminate(static_cast<pid_t>(QCoreApplication::applicationPid())));
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
