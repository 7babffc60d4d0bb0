// Starting real programs and waiting for them; short names.

#include "PosixProcessLauncher.h"
#include "ProcessLaunch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ProcessLaunch;

Q_DECLARE_METATYPE(std::optional<int>)

namespace
{

// Records what it was asked to start; starts nothing and ends at once.
class RecordingLauncher : public ProcessLauncher
{
public:
    std::variant<Handle, int> start(const QStringList& arguments, int windowStyle) override
    {
        startedWith = arguments;
        style = windowStyle;
        return Handle(1);
    }
    std::optional<int> exitCode(Handle) override { return 3; }

    QStringList startedWith;
    int style = -100;
};

} // namespace

class TestProcessLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingProgramFailsAtOnce_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("no such program") << "\"/nonexistent/DBXToEML\" \"a\" \"b\"" << kErrorBase + 53;
        QTest::newRow("empty program name") << "\"\" \"a.dbx\" \"/tmp\"" << kErrorBase + 53;
        QTest::newRow("empty line") << "" << kErrorBase + 53;
        QTest::newRow("a folder") << "/tmp" << kErrorBase + 70;
    }

    void missingProgramFailsAtOnce()
    {
        QFETCH(QString, commandLine);
        QFETCH(qint32, expected);
        PosixProcessLauncher launcher;
        QElapsedTimer clock;
        clock.start();
        const qint32 result = ShellAndWait(launcher, commandLine, 0);
        QCOMPARE(result, expected);
        QVERIFY(result < 0);
        QVERIFY2(clock.elapsed() < 100, "a failed start does not wait");
    }

    void waitsForTheEndAndKeepsEventsGoing()
    {
        PosixProcessLauncher launcher;
        int timerFired = 0;
        QTimer::singleShot(50, this, [&] { ++timerFired; });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ShellAndWait(launcher, u"sleep 0.25"_qs, 0), 0);
        const qint64 elapsed = clock.elapsed();
        // The end is seen at the first poll after it, then one pause follows.
        QVERIFY2(elapsed >= 350 && elapsed < 700, qPrintable(QString::number(elapsed)));
        QCOMPARE(timerFired, 1);
    }

    void exitCodesComeBack_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("zero") << "exit 0" << 0;
        QTest::newRow("seven") << "exit 7" << 7;
        QTest::newRow("259 is a code like any other") << "exit 259" << 259 % 256;
        QTest::newRow("killed") << "kill -9 $$" << 128 + 9;
    }

    void exitCodesComeBack()
    {
        QFETCH(QString, script);
        QFETCH(qint32, expected);
        PosixProcessLauncher launcher;
        QCOMPARE(ShellAndWait(launcher, u"/bin/sh -c \""_qs + script + u'"', 0), expected);
    }

    void argumentsWithBlanksAndQuotesArriveWhole()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"a b \"c\" d\\"_qs);
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + u"/show args"_qs;
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$(dirname \"$0\")/out.txt\"\nexit 4\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        const QStringList arguments{
            program,   u"plain"_qs, u"with blank"_qs, u"quote\"inside"_qs, u"ends\\"_qs, u"\\\\server\\share"_qs,
            QString(), u"ünï"_qs};
        QStringList quoted;
        for (const QString& argument : arguments)
            quoted.append(QuoteArgument(argument));
        QCOMPARE(SplitCommandLine(quoted.join(u' ')), arguments);

        PosixProcessLauncher launcher;
        QCOMPARE(ShellAndWait(launcher, quoted.join(u' '), 0), 4);
        QFile out(folder + u"/out.txt"_qs);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()),
                 u"[plain]\n[with blank]\n[quote\"inside]\n[ends\\]\n[\\\\server\\share]\n[]\n[ünï]\n"_qs);
    }

    void commandLinesSplitByQuotingRules_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("blanks and tabs") << "a  b\tc " << QStringList{u"a"_qs, u"b"_qs, u"c"_qs};
        QTest::newRow("quotes group") << "\"a b\"c d" << QStringList{u"a bc"_qs, u"d"_qs};
        QTest::newRow("empty quoted") << "\"\" x" << QStringList{QString(), u"x"_qs};
        QTest::newRow("backslashes without quote") << "a\\\\b\\" << QStringList{u"a\\\\b\\"_qs};
        QTest::newRow("escaped quote") << "a\\\"b" << QStringList{u"a\"b"_qs};
        QTest::newRow("even backslashes then quote") << "\"a\\\\\" b" << QStringList{u"a\\"_qs, u"b"_qs};
        QTest::newRow("doubled quote inside quotes") << "\"a\"\"b\"" << QStringList{u"a\"b"_qs};
        QTest::newRow("unclosed quote") << "\"a b" << QStringList{u"a b"_qs};
    }

    void commandLinesSplitByQuotingRules()
    {
        QFETCH(QString, commandLine);
        QFETCH(QStringList, arguments);
        QCOMPARE(SplitCommandLine(commandLine), arguments);
    }

    void windowStyleOutsideTheRangeIsSix_data()
    {
        QTest::addColumn<std::optional<int>>("given");
        QTest::addColumn<int>("used");
        QTest::newRow("hidden") << std::optional<int>(0) << 0;
        QTest::newRow("normal") << std::optional<int>(1) << 1;
        QTest::newRow("six") << std::optional<int>(6) << 6;
        QTest::newRow("seven") << std::optional<int>(7) << 6;
        QTest::newRow("minus one") << std::optional<int>(-1) << 6;
        QTest::newRow("not given") << std::optional<int>() << 6;
    }

    void windowStyleOutsideTheRangeIsSix()
    {
        QFETCH(std::optional<int>, given);
        QFETCH(int, used);
        RecordingLauncher launcher;
        QCOMPARE(ShellAndWait(launcher, u"prog \"x y\""_qs, given), 3);
        QCOMPARE(launcher.style, used);
        QCOMPARE(launcher.startedWith, (QStringList{u"prog"_qs, u"x y"_qs}));
    }

    void shortNamesAreThePathItself()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"long name with blanks.dbx"_qs);
        QFile(file).open(QIODevice::WriteOnly);
        QCOMPARE(GetShortFileName(file), file);
        QCOMPARE(GetShortFileName(dir.path()), dir.path());
        QCOMPARE(GetShortFileName(dir.filePath(u"missing.dbx"_qs)), QString());
        QCOMPARE(GetShortFileName(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(TestProcessLaunch)
#include "tst_processlaunch.moc"
