// Printing through the private CUPS server: one job per message on the current
// default queue, titled with the subject, read back as PDF.

#include "MessagePrinter.h"
#include "MimeReader.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Render;

class tst_PrintToCups : public QObject
{
    Q_OBJECT

private:
    static Message sample(const char* name)
    {
        Message m;
        QString error;
        if (!MimeReader::readFile(TestSupport::testData(QStringLiteral("eml/") + QLatin1String(name)), m, &error))
            qWarning() << name << error;
        return m;
    }

private Q_SLOTS:
    void initTestCase()
    {
        VT_REQUIRE_CUPS();
        VT_REQUIRE_ISOLATION();
    }

    void oneJobPerMessageOnDefault()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf1")));
        QCOMPARE(MessagePrinter::defaultPrinter(), QStringLiteral("pdf1"));
        const QList<Message> messages = {sample("mimetools_german.eml"), sample("mailparser_nodemailer.eml"),
                                         sample("mime4j_basic-plain.eml")};
        const int before = TestSupport::printedJobs(QStringLiteral("pdf1")).size();
        const int before2 = TestSupport::printedJobs(QStringLiteral("pdf2")).size();
        for (const Message& m : messages)
        {
            QString error;
            QVERIFY2(MessagePrinter::toPrinter(m, QString(), &error), qPrintable(error));
        }
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 3);
        QCOMPARE(jobs.size(), 3);
        for (int i = 0; i < 3; ++i)
        {
            QCOMPARE(jobs[i].title, messages[i].subject);
            const QString text = TestSupport::pdfText(jobs[i].pdfPath).simplified();
            QVERIFY2(text.contains(messages[i].subject), qPrintable(text.left(400)));
            QVERIFY(text.contains(QStringLiteral("Page 1 of")));
        }
        QVERIFY(TestSupport::pdfText(jobs[0].pdfPath).contains(QStringLiteral("Verfügung")));
        QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf2")).size(), before2);
    }

    void followsTheDefaultAndNamedQueues()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf2")));
        QCOMPARE(MessagePrinter::defaultPrinter(), QStringLiteral("pdf2"));
        const Message m = sample("tika_testRFC822_quoted.eml");
        const int before1 = TestSupport::printedJobs(QStringLiteral("pdf1")).size();
        const int before2 = TestSupport::printedJobs(QStringLiteral("pdf2")).size();
        QString error;
        QVERIFY2(MessagePrinter::toPrinter(m, QString(), &error), qPrintable(error));
        const auto jobs2 = TestSupport::waitForJobs(QStringLiteral("pdf2"), before2, 1);
        QCOMPARE(jobs2.size(), 1);
        QCOMPARE(jobs2[0].title, QStringLiteral("Sample with Quoted Printable Text"));

        QVERIFY2(MessagePrinter::toPrinter(m, QStringLiteral("pdf1"), &error), qPrintable(error));
        QCOMPARE(TestSupport::waitForJobs(QStringLiteral("pdf1"), before1, 1).size(), 1);
        QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf2")).size(), before2 + 1);

        error.clear();
        QVERIFY(!MessagePrinter::toPrinter(m, QStringLiteral("no-such-queue"), &error));
        QVERIFY(error.contains(QStringLiteral("no-such-queue")));
    }

    void untitledMessageStillHasATitle()
    {
        QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf1")));
        const int before = TestSupport::printedJobs(QStringLiteral("pdf1")).size();
        Message m;
        m.textBody = QStringLiteral("no subject here");
        QVERIFY(MessagePrinter::toPrinter(m));
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 1);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].title, QStringLiteral("(no subject)"));
    }
};

QTEST_MAIN(tst_PrintToCups)
#include "tst_PrintToCups.moc"
