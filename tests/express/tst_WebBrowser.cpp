// The message browser: loads without blocking, always reaches ready state 4, prints on command.

#include "MessageDocument.h"
#include "TestSupport.h"
#include "WebBrowser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class tst_WebBrowser : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

private Q_SLOTS:
    void readyStateReachesComplete_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // in the page text
        QTest::addColumn<QString>("sample");   // the sample file the row is made from
        QVERIFY(m_dir.isValid());
        const QString german = QStringLiteral("eml/mimetools_german.eml");
        // The print run loads a copy named x.eml.mht.
        QFile::copy(TestSupport::testData(german), m_dir.filePath(QStringLiteral("german.eml.mht")));
        QTest::newRow("good") << m_dir.filePath(QStringLiteral("german.eml.mht")) << "Verfügung" << german;
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("gone.eml.mht")) << "file not found" << QString();
        QTest::newRow("folder") << m_dir.path() << "is a folder" << QString();
        QByteArray noise(64 * 1024, 0);
        QRandomGenerator gen(42);
        for (char& c : noise)
            c = static_cast<char>(gen.bounded(256));
        QTest::newRow("binary noise") << writeFile(QStringLiteral("noise.mht"), noise) << "" << QString();
        const QString nodemailer = QStringLiteral("eml/mailparser_nodemailer.eml");
        QFile sample(TestSupport::testData(nodemailer));
        const QByteArray truncated = sample.open(QIODevice::ReadOnly) ? sample.readAll().left(5000) : QByteArray();
        QTest::newRow("truncated multipart")
            << writeFile(QStringLiteral("cut.mht"), truncated) << "unicode friendly" << nodemailer;
        QTest::newRow("empty") << writeFile(QStringLiteral("empty.mht"), QByteArray()) << "" << QString();
    }

    void readyStateReachesComplete()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QFETCH(QString, sample);
        if (!sample.isEmpty())
            VT_REQUIRE_TESTDATA(sample);
        WebBrowser browser;
        QCOMPARE(browser.ReadyState(), WebBrowser::ReadyStateUninitialized);
        QSignalSpy completed(&browser, &WebBrowser::DocumentComplete);
        browser.Navigate(path);
        QCOMPARE(browser.ReadyState(), WebBrowser::ReadyStateLoading); // never completes inside Navigate
        QTRY_COMPARE_WITH_TIMEOUT(browser.ReadyState(), WebBrowser::ReadyStateComplete, 20000);
        QCOMPARE(completed.size(), 1);
        QVERIFY(browser.document());
        const QString text = browser.document()->toPlainText();
        QVERIFY2(text.contains(expected), qPrintable(text.left(400)));
        if (expected == u"file not found" || expected == u"is a folder")
            QVERIFY(text.contains(path));
    }

    // While a large message loads, the window's timers and events keep running.
    void eventsFlowWhileLoading()
    {
        QByteArray big = "Subject: big\nContent-Type: text/plain\n\n";
        const QByteArray line = "The quick brown fox jumps over the lazy dog, again and again and again.\n";
        while (big.size() < 12 * 1024 * 1024)
            big += line;
        const QString path = writeFile(QStringLiteral("big.eml.mht"), big);
        WebBrowser browser;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(1);
        QElapsedTimer clock;
        clock.start();
        browser.Navigate(path);
        const qint64 navigateMs = clock.elapsed();
        int ticksWhileLoading = 0;
        while (browser.ReadyState() != WebBrowser::ReadyStateComplete && clock.elapsed() < 60000)
        {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (browser.ReadyState() != WebBrowser::ReadyStateComplete)
                ticksWhileLoading = ticks;
        }
        QCOMPARE(browser.ReadyState(), WebBrowser::ReadyStateComplete);
        QVERIFY2(ticksWhileLoading > 0, qPrintable(QStringLiteral("Navigate took %1 ms").arg(navigateMs)));
    }

    void navigateAgainShowsTheLastFile()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        WebBrowser browser;
        browser.Navigate(TestSupport::testData(QStringLiteral("eml/mimetools_german.eml")));
        browser.Navigate(TestSupport::testData(QStringLiteral("eml/tika_testRFC822_quoted.eml")));
        QTRY_COMPARE_WITH_TIMEOUT(browser.ReadyState(), WebBrowser::ReadyStateComplete, 20000);
        QTest::qWait(100); // a stale completion of the first load must not replace the page
        QVERIFY(browser.document()->toPlainText().contains(QStringLiteral("Düsseldorf")));
        QCOMPARE(browser.LocationURL(), TestSupport::testData(QStringLiteral("eml/tika_testRFC822_quoted.eml")));
    }

    void unknownCommandFails()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        WebBrowser browser;
        QVERIFY(!browser.ExecWB(WebBrowser::CommandPrint, WebBrowser::OptionDontPromptUser)); // nothing loaded
        browser.Navigate(TestSupport::testData(QStringLiteral("eml/mimetools_german.eml")));
        QVERIFY(!browser.ExecWB(17, 0));
        QVERIFY(!browser.lastError().isEmpty());
    }

    void printsOnTheDefaultPrinter()
    {
        VT_REQUIRE_CUPS();
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf2")));
        const int before = TestSupport::printedJobs(QStringLiteral("pdf2")).size();
        WebBrowser browser;
        // Printing right after Navigate waits for the page instead of printing half of it.
        browser.Navigate(TestSupport::testData(QStringLiteral("eml/mimetools_german.eml")));
        QVERIFY2(browser.ExecWB(WebBrowser::CommandPrint, WebBrowser::OptionDontPromptUser),
                 qPrintable(browser.lastError()));
        const QString missing = m_dir.filePath(QStringLiteral("missing.eml.mht"));
        browser.Navigate(missing);
        QTRY_COMPARE(browser.ReadyState(), WebBrowser::ReadyStateComplete);
        QVERIFY(browser.ExecWB(WebBrowser::CommandPrint, WebBrowser::OptionDontPromptUser));
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf2"), before, 2);
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs[0].title, QStringLiteral("Re: 34Mbit/s Netz"));
        QVERIFY(TestSupport::pdfText(jobs[0].pdfPath).contains(QStringLiteral("Verfügung")));
        QVERIFY(TestSupport::pdfText(jobs[1].pdfPath).simplified().contains(missing));
    }
};

QTEST_MAIN(tst_WebBrowser)
#include "tst_WebBrowser.moc"
