// PrintOut of real store items on the private CUPS server, read back from the PDFs.

#include "AppError.h"
#include "MailEngine.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_MailPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("pst"));
        VT_REQUIRE_CUPS();
        QVERIFY(TestSupport::setUserDefaultPrinter(QStringLiteral("pdf1")));
    }

    void printsPstMessages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("hasImage");
        QTest::newRow("attachments listed") << "Outlook.pst"
                                            << "Multiple attachments" << QStringList{"Multiple attachments"} << false;
        QTest::newRow("HTML with inline images") << "Outlook.pst"
                                                 << "HTML body" << QStringList{"HTML body"} << true;
        QTest::newRow("recipients with their addresses")
            << "Outlook.pst"
            << "Microsoft Outlook Test Message" << QStringList{"To: Saqib Razzaq <saqib.razzaq@xp.local>"} << false;
        QTest::newRow("reply-to of the transport headers, recipients joined")
            << "testPST.pst" << "Re: init tokenizer fails: \"Bad type in putfield/putstatic\""
            << QStringList{"Reply-To: users@opennlp.apache.org; Barry Olddog <oldcanine@yahoo.com>"} << false;
        QTest::newRow("no image") << "sample2.pst"
                                  << "Here is a sample message" << QStringList{} << false;
        QTest::newRow("RTF only") << "testPST_variousBodyTypes.pst"
                                  << "FW: original email" << QStringList{"FW: original email"} << false;
    }

    void printsPstMessages()
    {
        QFETCH(QString, file);
        QFETCH(QString, subject);
        QFETCH(QStringList, texts);
        QFETCH(bool, hasImage);
        auto ns = MailStore::EngineFactory(QStringLiteral("/nonexistent")).create()->GetNamespace("MAPI");
        ns->AddStore(TestSupport::testData(QStringLiteral("pst/") + file));
        // The first mail with that subject whose body needs the case's feature.
        std::unique_ptr<Outlook::Item> found;
        std::function<void(Outlook::Folder&)> search = [&](Outlook::Folder& folder) {
            auto items = folder.Items();
            for (int j = 1; j <= items->Count() && !found; ++j)
            {
                auto item = items->Item(j);
                if (item->Class() == Outlook::olMail && item->Subject() == subject)
                    found = std::move(item);
            }
            auto folders = folder.Folders();
            for (int i = 1; i <= folders->Count() && !found; ++i)
                search(*folders->Item(i));
        };
        search(*ns->Folders()->GetLast());
        QVERIFY(found);
        const QString body = found->Body().simplified();
        const QString sender = found->SenderName();
        const int before = int(TestSupport::printedJobs(QStringLiteral("pdf1")).size());
        found->PrintOut();
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 1);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs.first().title, subject);
        const QString text = TestSupport::pdfText(jobs.first().pdfPath).simplified();
        for (const QString& expected : texts + QStringList{sender, body.left(20)})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in: ") + text.left(400)));
        QByteArray images;
        QCOMPARE(
            TestSupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), jobs.first().pdfPath}, &images), 0);
        QCOMPARE(images.count('\n') > 2, hasImage);
    }

    void attachmentNamesPrinted()
    {
        auto ns = MailStore::EngineFactory(QStringLiteral("/nonexistent")).create()->GetNamespace("MAPI");
        ns->AddStore(TestSupport::testData(QStringLiteral("pst/attachAndInline.pst")));
        auto item = ns->Folders()->GetLast()->Items()->Item(1);
        const int before = int(TestSupport::printedJobs(QStringLiteral("pdf1")).size());
        item->PrintOut();
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 1);
        QCOMPARE(jobs.size(), 1);
        const QString text = TestSupport::pdfText(jobs.first().pdfPath);
        QVERIFY2(text.contains(QLatin1String("Attach and inline")), qPrintable(text.left(400)));
        QVERIFY2(text.contains(QLatin1String("Attachments")), qPrintable(text.left(400)));
    }

    void noPrinterFailsClearly()
    {
        QTemporaryDir dir;
        QFile box(dir.filePath(QStringLiteral("box")));
        QVERIFY(box.open(QIODevice::WriteOnly));
        box.write("From x\nSubject: hello\nFrom: a@b.c\n\nbody\n");
        box.close();
        qputenv("PRINTER", "no-such-queue-anywhere");
        auto ns = MailStore::EngineFactory(QStringLiteral("/nonexistent")).create()->GetNamespace("MAPI");
        ns->AddStore(box.fileName());
        auto item = ns->Folders()->GetLast()->Folders()->Item(1)->Items()->Item(1);
        try
        {
            item->PrintOut();
            qunsetenv("PRINTER");
            QFAIL("printing on a queue that does not exist succeeded");
        }
        catch (const AppError& e)
        {
            qunsetenv("PRINTER");
            QVERIFY2(e.description().contains(QLatin1String("hello")), qPrintable(e.description()));
        }
    }
};

QTEST_MAIN(tst_MailPrint)
#include "tst_mailprint.moc"
