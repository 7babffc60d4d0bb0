#include "AppError.h"
#include "FailingFactory.h"
#include "FakeProcessTable.h"
#include "MailEngine.h"
#include "OutlookApplication.h"
#include "ProcProcessTable.h"
#include "SharedProcedures.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <ctime>

namespace
{

double processCpuSeconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

} // namespace

class TestSharedProcedures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileExists();
    void applicationTitle_data();
    void applicationTitle();
    void outlookInstalledAsksTheFactory();
    void waitSecondsSleepsWhileEventsFlow_data();
    void waitSecondsSleepsWhileEventsFlow();
    void waitSecondsCopesWithMidnight();
    void skinOnlyWithTheSkinFile();
    void terminateMatchesTheEndOfTheName_data();
    void terminateMatchesTheEndOfTheName();
    void terminateEndsRealProcesses();
    void stoppedProgramLeavesNoWorkFolder_data();
    void stoppedProgramLeavesNoWorkFolder();
};

void TestSharedProcedures::fileExists()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vt files \"quoted\" é XXXXXX"));
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("HAND-M.CUR"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    QVERIFY(Main::FileExists(file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
    QVERIFY(Main::FileExists(file)); // whatever its attributes
    QVERIFY(Main::FileExists(dir.path()));
    QVERIFY(!Main::FileExists(QString()));
    QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("missing.cur"))));
    QVERIFY(!Main::FileExists(QStringLiteral("/nonexistent/folder/file")));
}

void TestSharedProcedures::applicationTitle_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("one word stays whole") << "Vellumtide"
                                          << "Vellumtide";
    QTest::newRow("last word cut") << "Vellumtide Mail Printer"
                                   << "Vellumtide Mail";
    QTest::newRow("cut until 40 or shorter") << "Vellumtide Printer For Very Many Messages Of Every Kind"
                                             << "Vellumtide Printer For Very Many";
    QTest::newRow("long word without blanks") << QString(50, u'x') << QString(50, u'x');
}

void TestSharedProcedures::applicationTitle()
{
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(Main::ApplicationTitleFor(product), title);
    Main::SetApplicationTitle();
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Vellumtide"));
}

void TestSharedProcedures::outlookInstalledAsksTheFactory()
{
    FailingFactory failing;
    QVERIFY(!Main::IsOutlookInstalled(failing));
    MailStore::EngineFactory engine;
    QVERIFY(Main::IsOutlookInstalled(engine));
}

void TestSharedProcedures::waitSecondsSleepsWhileEventsFlow_data()
{
    QTest::addColumn<bool>("quitRequested");
    QTest::newRow("plain") << false;
    // Nested event loops return at once then; a wait built on them spins.
    QTest::newRow("after a request to quit") << true;
}

void TestSharedProcedures::waitSecondsSleepsWhileEventsFlow()
{
    QFETCH(bool, quitRequested);
    if (quitRequested)
        QCoreApplication::exit(0);
    const auto clearQuit = qScopeGuard([&] {
        if (!quitRequested)
            return;
        // Running the application's loop once clears the request for the tests after this one.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    });
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = processCpuSeconds();
    Main::WaitSeconds(2);
    const double cpu = processCpuSeconds() - cpuBefore;
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1990, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks))); // the window kept processing its events
    // A wait that spins would burn one core for the whole two seconds.
    QVERIFY2(cpu < 0.2, qPrintable(QStringLiteral("%1 s of CPU").arg(cpu)));

    clock.restart();
    Main::WaitSeconds(0);
    Main::WaitSeconds(-3);
    QVERIFY(clock.elapsed() < 200);
}

void TestSharedProcedures::waitSecondsCopesWithMidnight()
{
    // A wall clock that starts five seconds before midnight and runs 25 times too fast.
    QElapsedTimer real;
    real.start();
    auto clock = [&] {
        const double t = 86395.0 + real.elapsed() / 1000.0 * 25.0;
        return t >= 86400.0 ? t - 86400.0 : t;
    };
    Main::WaitSeconds(10, clock);
    const double passed = real.elapsed() / 1000.0 * 25.0;
    QVERIFY2(passed >= 10.0 && passed < 14.0, qPrintable(QString::number(passed)));
}

void TestSharedProcedures::skinOnlyWithTheSkinFile()
{
    QWidget window;
    auto* frame = new QGroupBox(QStringLiteral("Source"), &window);
    auto* option = new QRadioButton(QStringLiteral("PST File:"), frame);
    auto* label = new QLabel(QStringLiteral("Find what:"), &window);
    auto* text = new QLineEdit(&window);
    auto* check = new QCheckBox(&window);
    auto* button = new QPushButton(QStringLiteral("Help"), &window);
    const QList<QWidget*> all{&window, frame, option, label, text, check, button};
    for (QWidget* widget : all)
    {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::Base, Qt::white);
        widget->setPalette(palette);
    }
    QTemporaryDir appFolder;
    Main::ApplySkin(window, appFolder.path()); // no skin file: nothing changes
    for (QWidget* widget : all)
        QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));

    QVERIFY(QDir(appFolder.path()).mkpath(QStringLiteral("x/o.cjs"))); // a folder is not a skin file
    Main::ApplySkin(window, appFolder.path());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(QDir(appFolder.path()).rmdir(QStringLiteral("x/o.cjs")));

    QFile skin(appFolder.filePath(QStringLiteral("x/o.cjs")));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.close();
    Main::ApplySkin(window, appFolder.path());
    const QColor face = window.palette().color(QPalette::Button);
    for (QWidget* widget : {&window, static_cast<QWidget*>(frame), static_cast<QWidget*>(option),
                            static_cast<QWidget*>(label), static_cast<QWidget*>(check)})
        QCOMPARE(widget->palette().color(QPalette::Window), face);
    // Text boxes and push buttons keep their own colours.
    QCOMPARE(text->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(text->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(button->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(face != QColor(Qt::white));
}

void TestSharedProcedures::terminateMatchesTheEndOfTheName_data()
{
    QTest::addColumn<QStringList>("running"); // executable names; process ids count from 100
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<pid_t>>("ended");
    const QStringList mix{"OUTLOOK.EXE",   "outlook.Exe",     "C:\\Program Files\\Office\\OUTLOOK.EXE",
                          "myoutlook.exe", "outlook.exe.bak", "LOOK.EXE",
                          "bash"};
    QTest::newRow("suffix in any case") << mix << "OUTLOOK.EXE" << QList<pid_t>{100, 101, 102, 103};
    QTest::newRow("shorter names never match") << mix << "MYOUTLOOK.EXE" << QList<pid_t>{103};
    QTest::newRow("empty name ends nothing") << mix << "" << QList<pid_t>{};
    QTest::newRow("none running") << QStringList{"bash", "sleep"} << "OUTLOOK.EXE" << QList<pid_t>{};
}

void TestSharedProcedures::terminateMatchesTheEndOfTheName()
{
    QFETCH(QStringList, running);
    QFETCH(QString, name);
    QFETCH(QList<pid_t>, ended);
    FakeProcessTable processes;
    for (const QString& executable : running)
        processes.entries.append({static_cast<pid_t>(100 + processes.entries.size()), executable});
    Main::TerminateProcessesByName(processes, name);
    QCOMPARE(processes.terminated, ended);
}

void TestSharedProcedures::terminateEndsRealProcesses()
{
    // Processes of our own under names that match and one that does not.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vt close é XXXXXX"));
    QProcess upper, mixed, spared, wine;
    for (auto [process, name] :
         {std::pair{&upper, "OUTLOOK.EXE"}, {&mixed, "outlook.Exe"}, {&spared, "outlook.exe.bak"}})
    {
        const QString link = dir.filePath(QString::fromLatin1(name));
        QVERIFY(QFile::link(QStringLiteral("/bin/sleep"), link));
        process->start(link, {QStringLiteral("60")});
        QVERIFY(process->waitForStarted());
    }
    // Wine keeps the Windows path of the program as argv[0].
    wine.start(
        QStringLiteral("bash"),
        {QStringLiteral("-c"), QStringLiteral("exec -a 'C:\\Program Files\\Microsoft Office\\OUTLOOK.EXE' sleep 60")});
    QVERIFY(wine.waitForStarted());
    QTest::qWait(200); // until bash has become the renamed sleep

    const QList<QProcess*> all{&upper, &mixed, &spared, &wine};
    QList<pid_t> own;
    for (QProcess* process : all)
        own.append(static_cast<pid_t>(process->processId()));
    OwnProcessTable<ProcProcessTable> processes(own);
    Main::TerminateProcessesByName(processes, QStringLiteral("OUTLOOK.EXE"));
    for (QProcess* ended : {&upper, &mixed, &wine})
    {
        QVERIFY(ended->waitForFinished(5000));
        QCOMPARE(ended->exitStatus(), QProcess::CrashExit);
    }
    QCOMPARE(spared.state(), QProcess::Running);
    spared.kill();
    spared.waitForFinished();
}

void TestSharedProcedures::stoppedProgramLeavesNoWorkFolder_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestSharedProcedures::stoppedProgramLeavesNoWorkFolder()
{
    // The program's own ending, as closing its window reaches it too.
    QFETCH(int, signal);
    const QString base = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/vellumtide");
    const QStringList pattern{QStringLiteral("work-*")};
    QVERIFY(QDir(base).entryList(pattern, QDir::Dirs).isEmpty());
    QProcess program;
    program.start(TestSupport::binDir() + QStringLiteral("/vellumtide"), QStringList());
    QVERIFY(program.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(QDir(base).entryList(pattern, QDir::Dirs).size(), 1, 20000);
    QTest::qWait(1000); // the main window is up
    QVERIFY(::kill(program.processId(), signal) == 0);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QDir(base).entryList(pattern, QDir::Dirs), QStringList());
}

QTEST_MAIN(TestSharedProcedures)
#include "tst_sharedprocedures.moc"
