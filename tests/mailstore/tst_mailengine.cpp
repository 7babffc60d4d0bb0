// The built-in engine against real sample stores and stores the test writes itself.

#include "AppError.h"
#include "EntryId.h"
#include "FileMessage.h"
#include "MailDate.h"
#include "MailEngine.h"
#include "MailTree.h"
#include "MboxFormat.h"
#include "MimeReader.h"
#include "Profile.h"
#include "StoreNode.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailStore;

namespace
{

// Per folder path below the root ("" = the root itself): "items/mails".
using FolderCounts = QMap<QString, QString>;
using FileMap = QMap<QString, QByteArray>;

void walk(Outlook::Folder& folder, const QString& path, FolderCounts& counts, int depth = 0)
{
    auto items = folder.Items();
    int mails = 0;
    for (int j = 1; j <= items->Count(); ++j)
        mails += items->Item(j)->Class() == Outlook::olMail;
    if (items->Count() > 0)
        counts[path] = QStringLiteral("%1/%2").arg(items->Count()).arg(mails);
    auto folders = folder.Folders();
    for (int i = 1; i <= folders->Count() && depth < 20; ++i)
    {
        auto sub = folders->Item(i);
        walk(*sub, path.isEmpty() ? sub->Name() : path + QLatin1Char('/') + sub->Name(), counts, depth + 1);
    }
}

QStringList folderNames(Outlook::Folder& folder)
{
    QStringList names;
    auto folders = folder.Folders();
    for (int i = 1; i <= folders->Count(); ++i)
        names << folders->Item(i)->Name();
    return names;
}

std::unique_ptr<Outlook::Namespace> session(const QString& profile = QStringLiteral("/nonexistent/profile"))
{
    return EngineFactory(profile).create()->GetNamespace(QStringLiteral("MAPI"));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray mail(int n, const QByteArray& from = "Ann Example <ann@example.org>")
{
    return "From: " + from + "\nSubject: message " + QByteArray::number(n) +
           "\nDate: Tue, 01 Dec 2026 10:00:00 +0000\n\nbody " + QByteArray::number(n) + "\n";
}

// A message as Thunderbird keeps it, with its status flags.
QByteArray thunderbird(int n, const QByteArray& status)
{
    return "From - Tue Dec  1 10:00:00 2026\n" + status + "\n" + mail(n) + "\n";
}

QByteArray mbox(int first, int count)
{
    QByteArray out;
    for (int n = first; n < first + count; ++n)
        out += "From sender@example.org Tue Dec  1 10:00:00 2026\n" + mail(n) + "\n";
    return out;
}

} // namespace

class tst_MailEngine : public QObject
{
    Q_OBJECT

private:
    QString pst(const char* name)
    {
        const QString folder = TestSupport::testData(QStringLiteral("pst"));
        if (!QFileInfo(folder).isDir())
            return {};
        return folder + QLatin1Char('/') + QLatin1String(name);
    }

private Q_SLOTS:
    void sampleStoreCounts_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<FolderCounts>("expected");
        // Item and mail counts from MANIFEST.txt; contacts, appointments and reports are items, not mail.
        QTest::newRow("Outlook") << "pst/Outlook.pst"
                                 << FolderCounts{{"Calendar", "1/0"},
                                                 {"Contacts", "1/0"},
                                                 {"Inbox", "8/8"},
                                                 {"Sent Items", "6/6"}};
        QTest::newRow("variousBodyTypes") << "pst/testPST_variousBodyTypes.pst" << FolderCounts{{"Inbox/tmp", "4/4"}};
        QTest::newRow("mails in the root") << "pst/testPST.pst" << FolderCounts{{"", "7/7"}};
        QTest::newRow("Japanese root") << "pst/attachAndInline.pst" << FolderCounts{{"", "1/1"}};
        QTest::newRow("dist-list") << "pst/dist-list.pst" << FolderCounts{{"Calendar", "1/0"}, {"Contacts", "2/0"}};
        QTest::newRow("ANSI appointment") << "pst/32-bit.pst" << FolderCounts{{"Calendar", "1/0"}};
        QTest::newRow("Unicode twin") << "pst/sample1.pst" << FolderCounts{{"Sample1", "1/1"}};
        QTest::newRow("ANSI twin") << "pst/sample2.pst" << FolderCounts{{"Sample2", "1/1"}};
        QTest::newRow("embedded message") << "pst/submessage.pst" << FolderCounts{{"submessage", "1/1"}};
        QTest::newRow("contacts only") << "pst/SampleContacts.pst" << FolderCounts{{"Contacts", "6/0"}};
        QTest::newRow("ost named, pst inside") << "pst/test.ost" << FolderCounts{{"myInbox", "18/0"}};
        QTest::newRow("empty store") << "pst/PersonalStorage_New.pst" << FolderCounts{};
        QTest::newRow("mbox complex") << "mbox/tika_complex.mbox" << FolderCounts{{"tika_complex.mbox", "3/3"}};
        QTest::newRow("mbox single") << "mbox/tika_single_mail.mbox" << FolderCounts{{"tika_single_mail.mbox", "1/1"}};
        QTest::newRow("mbox simple") << "mbox/mimekit_simple.mbox" << FolderCounts{{"mimekit_simple.mbox", "3/3"}};
    }

    void sampleStoreCounts()
    {
        QFETCH(QString, file);
        QFETCH(FolderCounts, expected);
        const QString path = TestSupport::testData(file);
        VT_REQUIRE_TESTDATA(QFileInfo(file).path());
        auto ns = session();
        ns->AddStore(path);
        auto root = ns->Folders()->GetLast();
        FolderCounts counts;
        walk(*root, QString(), counts);
        QCOMPARE(counts, expected);
    }

    void mailTreeChoice_data()
    {
        // One top folder per entry, "name|flags": s search or views, t holds a standard folder, + has subfolders.
        QTest::addColumn<QStringList>("tops");
        QTest::addColumn<int>("chosen");
        QTest::newRow("cached-mode ost: search folders first")
            << QStringList{"Common Views|+", "Drizzle|",        "Finder|s+",
                           "IPM_SUBTREE|t+", "ItemProcSearch|", "SPAM Search Folder 2|+"}
            << 3;
        QTest::newRow("German pst") << QStringList{"Suchstamm|+", "Oberste Ebene der persönlichen Ordner|+"} << 1;
        QTest::newRow("by its standard folders") << QStringList{"Finder|+", "Unnamed|+", "Mailbox|t+"} << 2;
        QTest::newRow("first with subfolders") << QStringList{"Finder|+", "Empty|", "Mail|+"} << 2;
        QTest::newRow("search flag beats the name") << QStringList{"IPM_SUBTREE|s+", "Root|+"} << 1;
        QTest::newRow("only search and views") << QStringList{"Finder|+", "Common Views|+", "Views|+"} << -1;
    }

    void mailTreeChoice()
    {
        QFETCH(QStringList, tops);
        QFETCH(int, chosen);
        std::vector<TopFolder> folders;
        for (const QString& top : tops)
        {
            const QString flags = top.section(QLatin1Char('|'), 1);
            folders.push_back({top.section(QLatin1Char('|'), 0, 0), flags.contains(QLatin1Char('s')),
                               flags.contains(QLatin1Char('t')), flags.contains(QLatin1Char('+')) ? 2 : 0});
        }
        QCOMPARE(chooseMailTree(folders), chosen);
    }

    void rootAndFolderNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("rootName");
        QTest::addColumn<QStringList>("folders");
        // The root is named with the store's display name, its folders in the store's order.
        // Hidden, search and view folders never show; localised names stay as stored.
        QTest::newRow("Outlook") << "pst/Outlook.pst"
                                 << "Outlook"
                                 << QStringList{"Deleted Items",   "Inbox",          "Outbox",    "Sent Items",
                                                "Calendar",        "Contacts",       "Journal",   "Notes",
                                                "Tasks",           "Drafts",         "RSS Feeds", "Junk E-mail",
                                                "Custom Folder 1", "Custom Folder 2"};
        QTest::newRow("French") << "pst/testPST.pst"
                                << "hong-thai.nguyen" << QStringList{QString::fromUtf8("Éléments supprimés")};
        QTest::newRow("Japanese") << "pst/attachAndInline.pst"
                                  << "attachAndInline" << QStringList{QString::fromUtf8("削除済みアイテム")};
    }

    void rootAndFolderNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, rootName);
        QFETCH(QStringList, folders);
        const QString path = TestSupport::testData(file);
        VT_REQUIRE_TESTDATA(QFileInfo(file).path());
        auto ns = session();
        ns->AddStore(path);
        auto root = ns->Folders()->GetLast();
        QCOMPARE(root->Name(), rootName);
        QCOMPARE(folderNames(*root), folders);
    }

    void mailMembersOfSamples()
    {
        const QString path = pst("testPST_variousBodyTypes.pst");
        if (path.isEmpty())
            VT_REQUIRE_TESTDATA(QStringLiteral("pst"));
        auto ns = session();
        ns->AddStore(path);
        auto root = ns->Folders()->GetLast();
        const int inbox = int(folderNames(*root).indexOf(QStringLiteral("Inbox"))) + 1;
        QVERIFY(inbox > 0);
        auto tmp = root->Folders()->Item(inbox)->Folders()->Item(1);
        QCOMPARE(tmp->Name(), QStringLiteral("tmp"));
        auto items = tmp->Items();
        QCOMPARE(items->Count(), 4);
        // The fourth holds only attachments under a blank HTML body.
        for (int j = 1; j <= 3; ++j)
        {
            auto item = items->Item(j);
            QVERIFY2(item->Subject().contains(QLatin1String("original email")), qPrintable(item->Subject()));
            QVERIFY(!item->SenderName().isEmpty());
            QVERIFY(!item->SenderEmailType().isEmpty());
            QVERIFY(item->ReceivedTime().isValid());
            QVERIFY2(item->ReceivedTime().date().year() >= 2000, qPrintable(item->ReceivedTime().toString()));
            // Every one of the four body kinds gives text, the RTF-only one included.
            QVERIFY2(item->Body().trimmed().size() > 10, qPrintable(QString::number(j)));
        }
    }

    void uncompressedRtfBodiesGiveText()
    {
        // Its Inbox holds RTF-only bodies stored uncompressed, which libpff does not decompress.
        const QString path = pst("passwordprotectedPST.pst");
        if (path.isEmpty())
            QSKIP("sample folder pst is absent");
        auto ns = session();
        ns->AddStore(path);
        auto root = ns->Folders()->GetLast();
        const int inbox = int(folderNames(*root).indexOf(QStringLiteral("Inbox"))) + 1;
        QVERIFY(inbox > 0);
        auto items = root->Folders()->Item(inbox)->Items();
        QCOMPARE(items->Count(), 4);
        // The fourth holds only attachments under a blank HTML body.
        for (int j = 1; j <= 3; ++j)
            QVERIFY2(!items->Item(j)->Body().trimmed().isEmpty(), qPrintable(items->Item(j)->Subject()));
    }

    void nonMailMembersThrow()
    {
        const QString path = pst("dist-list.pst");
        if (path.isEmpty())
            VT_REQUIRE_TESTDATA(QStringLiteral("pst"));
        auto ns = session();
        ns->AddStore(path);
        auto root = ns->Folders()->GetLast();
        QMap<int, int> classes;
        auto folders = root->Folders();
        for (int i = 1; i <= folders->Count(); ++i)
        {
            auto items = folders->Item(i)->Items();
            for (int j = 1; j <= items->Count(); ++j)
            {
                auto item = items->Item(j);
                ++classes[item->Class()];
                try
                {
                    item->Subject();
                    QFAIL("a non-mail item answered Subject");
                }
                catch (const AppError& e)
                {
                    QCOMPARE(e.number(), 438L);
                }
            }
        }
        const QMap<int, int> expected{
            {Outlook::olAppointment, 1}, {Outlook::olContact, 1}, {Outlook::olDistributionList, 1}};
        QCOMPARE(classes, expected);
    }

    void generatedTrees_data()
    {
        QTest::addColumn<FileMap>("files");
        QTest::addColumn<QString>("store");
        QTest::addColumn<FolderCounts>("expected");
        QTest::addColumn<QStringList>("topFolders");
        QTest::addColumn<QStringList>("notCovered");
        const auto notMail = [](const char* file) {
            return QStringLiteral("\"%1\" is not mail and is not listed").arg(file);
        };

        QTest::newRow("mbox tree with .sbd") << FileMap{{"Local Folders/Inbox", mbox(0, 3)},
                                                        {"Local Folders/Inbox.msf", "not a folder"},
                                                        {"Local Folders/Inbox.sbd/Work", mbox(10, 2)},
                                                        {"Local Folders/Inbox.sbd/Work.sbd/Deep", mbox(20, 1)},
                                                        {"Local Folders/Archive.sbd/2025", mbox(30, 4)},
                                                        {"Local Folders/Trash", QByteArray()}}
                                             << "Local Folders"
                                             << FolderCounts{{"Inbox", "3/3"},
                                                             {"Inbox/Work", "2/2"},
                                                             {"Inbox/Work/Deep", "1/1"},
                                                             {"Archive/2025", "4/4"}}
                                             << QStringList{"Archive", "Inbox", "Trash"} << QStringList();
        QTest::newRow("Maildir++") << FileMap{{"md/cur/1000.a.host:2,S", mail(1)},
                                              {"md/new/1001.b.host", mail(2)},
                                              {"md/tmp/1002.c.host", mail(3)},
                                              {"md/.Sent/cur/2000.a.host:2,S", mail(4)},
                                              {"md/.Work.Projects/new/3000.a.host", mail(5)},
                                              {"md/.Work.Projects/cur/.hidden", mail(6)},
                                              {"md/.Entw&APw-rfe/cur/4000.a.host", mail(7)},
                                              {"md/.Caf&AOk-&-Bar.&ZeVnLIqe-/new/5000.a.host", mail(8)},
                                              {"md/.Bad&name/new/6000.a.host", mail(9)}}
                                   << "md" << FolderCounts{{"Inbox", "2/2"},           {"Sent", "1/1"},
                                                           {"Work/Projects", "1/1"},   {"Entwürfe", "1/1"},
                                                           {"Café&Bar/日本語", "1/1"}, {"Bad&name", "1/1"}}
                                   << QStringList{"Inbox", "Bad&name", "Café&Bar", "Entwürfe", "Sent", "Work"}
                                   << QStringList();
        QTest::newRow("nested Maildir") << FileMap{{"mail/Inbox/cur/1.x:2,", mail(1)},
                                                   {"mail/Inbox/new/2.x", ""},
                                                   {"mail/Inbox/Lists/cur/3.x:2,", mail(3)},
                                                   {"mail/Inbox/Lists/new/.keep", ""},
                                                   {"mail/Projects/Alpha/cur/4.x", mail(4)},
                                                   {"mail/Projects/Alpha/new/5.x", mail(5)},
                                                   {"mail/notes.txt", "not mail"}}
                                        << "mail"
                                        << FolderCounts{{"Inbox", "2/2"},
                                                        {"Inbox/Lists", "1/1"},
                                                        {"Projects/Alpha", "2/2"}}
                                        << QStringList{"Inbox", "Projects"} << QStringList{notMail("notes.txt")};
        // Each file one message of the folder it lies in; a leading mbox separator is not a header.
        QTest::newRow(".eml folder") << FileMap{{"Export/b.eml", mail(2)},
                                                {"Export/a.EML",
                                                 "From x@example.org Tue Dec  1 10:00:00 2026\n" + mail(1)},
                                                {"Export/2019/c.eml", mail(3)},
                                                {"Export/2019/Q1/d.eml", mail(4)},
                                                {"Export/2019/Q1/scan.pdf", "%PDF-1.4"},
                                                {"Export/notes/todo.txt", "no mail here"},
                                                {"Export/.directory", "hidden"}}
                                     << "Export" << FolderCounts{{"Export", "2/2"}, {"2019", "1/1"}, {"2019/Q1", "1/1"}}
                                     << QStringList{"Export", "2019"} << QStringList{notMail("2019/Q1/scan.pdf")};
        QTest::newRow("Thunderbird deleted")
            << FileMap{{"LF/Inbox",
                        thunderbird(1, "X-Mozilla-Status: 0001") + thunderbird(2, "X-Mozilla-Status: 0009") +
                            thunderbird(3, "x-mozilla-status:   0008") + thunderbird(4, "X-Mozilla-Status2: 00080008") +
                            thunderbird(5, "X-Mozilla-Status: 00z8")},
                       {"LF/Inbox.sbd/Work", thunderbird(6, "X-Mozilla-Status: 0008")},
                       {"LF/Inbox.sbd/old.eml", mail(7)},
                       {"LF/msgFilterRules.dat", "version=\"9\""},
                       {"LF/Inbox.msf", "// <!-- <mdb:mork"}}
            << "LF" << FolderCounts{{"Inbox", "4/4"}} << QStringList{"Inbox"}
            << QStringList{"2 messages of \"Inbox\" were deleted in Thunderbird and are not listed",
                           "1 message of \"Inbox/Work\" was deleted in Thunderbird and is not listed"};
    }

    void generatedTrees()
    {
        QFETCH(FileMap, files);
        QFETCH(QString, store);
        QFETCH(FolderCounts, expected);
        QFETCH(QStringList, topFolders);
        QFETCH(QStringList, notCovered);
        QTemporaryDir dir;
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(dir.filePath(it.key()), it.value());
        QDir().mkpath(dir.filePath(QStringLiteral("mail/Inbox/tmp")));
        auto ns = session();
        ns->AddStore(dir.filePath(store));
        auto root = ns->Folders()->GetLast();
        QCOMPARE(root->Name(), store);
        QCOMPARE(folderNames(*root), topFolders);
        FolderCounts counts;
        walk(*root, QString(), counts);
        QCOMPARE(counts, expected);
        QCOMPARE(openStore(dir.filePath(store))->notCovered(), notCovered);
    }

    void mboxSplit_data()
    {
        // The file, then each message as read back, after its "From " line.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QByteArray>>("messages");
        const QByteArray sep = "From - Tue Dec  1 10:00:00 2026\n";
        const QByteArray head = "From: a@example.org\nSubject: s\n\n";
        QTest::newRow("unescaped From in a body: header-like lines without a common field")
            << sep + head + "movie:\n\nFrom Russia with love\nYear: 1963\n\nend\n\n" + sep + head + "two\n"
            << QList<QByteArray>{head + "movie:\n\nFrom Russia with love\nYear: 1963\n\nend\n", head + "two\n"};
        QTest::newRow("From line right after a body line")
            << sep + head + "text\nFrom x\nFrom: b@example.org\nSubject: t\n\nmore\n"
            << QList<QByteArray>{head + "text\nFrom x\nFrom: b@example.org\nSubject: t\n\nmore\n"};
        const QByteArray full = "From: b@example.org\nDate: Tue, 1 Dec 2026 10:00:00 +0000\nSubject: t\n\n";
        QTest::newRow("no blank line before a full header block")
            << sep + head + "text\n" + sep + full + "more\n"
            << QList<QByteArray>{head + "text\n", full + "more\n"};
        QTest::newRow("From line before a body line") << sep + head + "a\n\nFrom here on\nwe go\n"
                                                      << QList<QByteArray>{head + "a\n\nFrom here on\nwe go\n"};
        QTest::newRow("escaped From and CRLF")
            << QByteArray("From x\r\nSubject: c\r\n\r\n>From y\r\n>>From z\r\n\r\n"
                          "From x\r\nDate: Tue, 1 Dec 2026 10:00:00 +0000\r\n\r\nb\r\n")
            << QList<QByteArray>{QByteArray("Subject: c\r\n\r\nFrom y\r\n>From z\r\n"),
                                 QByteArray("Date: Tue, 1 Dec 2026 10:00:00 +0000\r\n\r\nb\r\n")};
        const QByteArray inner = "x\n\nFrom y\nSubject: quoted\n\nz\n";
        const QByteArray counted = "Subject: counted\nContent-Length: " + QByteArray::number(inner.size()) + "\n\n";
        QTest::newRow("Content-Length ending at the next From") << sep + counted + inner + "\n" + sep + head + "after\n"
                                                                << QList<QByteArray>{counted + inner, head + "after\n"};
        QTest::newRow("Content-Length ending at the end of the file")
            << sep + counted + inner << QList<QByteArray>{counted + inner};
        const QByteArray wrong = "Subject: counted\nContent-Length: 5\n\n";
        QTest::newRow("Content-Length off the mark is ignored")
            << sep + wrong + inner << QList<QByteArray>{wrong + "x\n", "Subject: quoted\n\nz\n"};
        QTest::newRow("the first line starts a message whatever follows")
            << QByteArray("From nobody\njust text\n\nFrom x\nbody\n")
            << QList<QByteArray>{QByteArray("just text\n\nFrom x\nbody\n")};
    }

    void mboxSplit()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QByteArray>, messages);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QList<QByteArray> read;
        Render::MboxFormat::scan(buffer, [&](qint64 offset, const QByteArray&) { read << QByteArray::number(offset); });
        for (QByteArray& message : read)
            message = Render::MboxFormat::readMessage(buffer, message.toLongLong());
        QCOMPARE(read, messages);
    }

    void mboxSampleWithUnmungedFromLines()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("mbox"));
        auto ns = session();
        ns->AddStore(TestSupport::testData(QStringLiteral("mbox/mimekit_unmunged.mbox")));
        auto items = ns->Folders()->GetLast()->Folders()->Item(1)->Items();
        QCOMPARE(items->Count(), 2);
        QVERIFY(items->Item(1)->Body().contains(QStringLiteral("\nFrom Russia with love\n\nWhat does")));
        QVERIFY(items->Item(2)->Body().contains(QStringLiteral("\nFrom Russia with love\nYear: 1963\n")));
    }

    void mboxMessageFields()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("box"));
        writeFile(path, "From a@b Tue Dec  1 10:00:00 2026\n"
                        "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm@example.de>\n"
                        "Subject: =?UTF-8?B?R3LDvMOfZQ==?=\n"
                        "Date: Wed, 02 Dec 2026 23:30:00 +0100\n\n"
                        "line one\n>From the start\n>>From kept one quote\n\n"
                        "From c@d Tue Dec  1 10:00:00 2026\n"
                        "Subject: no sender, no date\n\nsecond\n");
        auto ns = session();
        ns->AddStore(path);
        auto items = ns->Folders()->GetLast()->Folders()->Item(1)->Items();
        QCOMPARE(items->Count(), 2);
        auto first = items->Item(1);
        QCOMPARE(first->Class(), int(Outlook::olMail));
        QCOMPARE(first->SenderName(), QString::fromUtf8("Jürgen Müller"));
        QCOMPARE(first->SenderEmailAddress(), QStringLiteral("jm@example.de"));
        QCOMPARE(first->SenderEmailType(), QStringLiteral("SMTP"));
        QCOMPARE(first->Subject(), QString::fromUtf8("Grüße"));
        QCOMPARE(first->ReceivedTime().toUTC(), QDateTime(QDate(2026, 12, 2), QTime(22, 30), Qt::UTC));
        QCOMPARE(first->Body().trimmed(), QStringLiteral("line one\nFrom the start\n>From kept one quote"));
        auto second = items->Item(2);
        QCOMPARE(second->Subject(), QStringLiteral("no sender, no date"));
        QVERIFY(second->SenderName().isEmpty());
        QVERIFY(!second->ReceivedTime().isValid());
        QCOMPARE(second->Body().trimmed(), QStringLiteral("second"));
    }

    // Rule: the list and the printed page read a message's sender, subject and date alike.
    void headerFieldsAgree_data()
    {
        QTest::addColumn<QByteArray>("header");
        // The page's From line | the list's sender name | its address | the subject | the end
        // of the page's date line | the instant.
        QTest::addColumn<QString>("expected");
        QTest::newRow("zone comment before the offset")
            << QByteArray("From: Ann <ann@x.org>\nSubject: s\nDate: Tue, 5 Mar 1996 10:00:00 (EST) -0500\n")
            << "Ann <ann@x.org>|Ann|ann@x.org|s|10:00:00 -0500 (EST)|1996-03-05T15:00:00Z";
        QTest::newRow("sender without a domain, then a field; zone only in a comment, obsolete year")
            << QByteArray("From: user2\r\nTo: user0\r\nDate: 11 Feb 98 11:51 (EST)\r\n")
            << "user2|user2|user2||11:51:00 -0500 (EST)|1998-02-11T16:51:00Z";
        QTest::newRow("8-bit raw header, zone words after a positive offset")
            << QByteArray("From: J\xf6rg M\xfcller <jm@x.de>\nSubject: Gr\xc3\xbc\xc3\x9f"
                          "e 5 \x80\n"
                          "Date: Tue, 8 Dec 2026 23:30:00 +0530 (IST)\n")
            << "Jörg Müller <jm@x.de>|Jörg Müller|jm@x.de|Grüße 5 €|23:30:00 +0530 (IST)|2026-12-08T18:00:00Z";
        QTest::newRow("folded subject, the C library's date")
            << QByteArray("From: a@x\nSubject: a long\n   folded   subject\nDate: Tue Dec  1 10:00:00 2026\n")
            << "a@x|a@x|a@x|a long folded subject|10:00:00 (no time zone given)|2026-12-01T10:00:00Z";
        QTest::newRow("bang path, unknown zone printed as written and placed as UTC")
            << QByteArray("From: host!user@relay@domain.example\nDate: Tue, 8 Dec 2026 09:15:00 XYZT\n")
            << "host!user@relay@domain.example|host!user@relay@domain.example|host!user@relay@domain.example||"
               "Tue, 8 Dec 2026 09:15:00 XYZT|2026-12-08T09:15:00Z";
        QTest::newRow("encoded display name, quoted name")
            << QByteArray(
                   "From: =?UTF-8?Q?M=C3=BCller=2C_J=C3=BCrgen?= <jm@x.de>, b@y\nSubject: =?UTF-8?B?R3LDvMOfZQ==?=\n")
            << "\"Müller, Jürgen\" <jm@x.de>; b@y|Müller, Jürgen|jm@x.de|Grüße||";
    }

    void headerFieldsAgree()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, expected);
        const MessageSummary summary = MessageSummary::fromHeader(header);
        Render::Message page;
        QVERIFY(Render::MimeReader::readBytes(header + "\nbody\n", page));
        const QString pageDate = Render::formatMailDate(page);
        QCOMPARE(Render::formatMailDate(summary.dateText), pageDate);
        QCOMPARE(summary.date, page.date);
        QCOMPARE(summary.subject, page.subject);
        const QString dateEnd = pageDate.right(expected.section(u'|', 4, 4).size());
        QCOMPARE(QStringList({page.from, summary.senderName, summary.senderAddress, summary.subject, dateEnd,
                              summary.date.toUTC().toString(Qt::ISODate)})
                     .join(u'|'),
                 expected);
    }

    void itemFromIdAfterDetach_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pst") << "pst";
        QTest::newRow("mbox") << "mbox";
        QTest::newRow("maildir") << "maildir";
        QTest::newRow("eml") << "eml";
    }

    void itemFromIdAfterDetach()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path;
        if (kind == QLatin1String("pst"))
        {
            path = pst("testPST_variousBodyTypes.pst");
            if (path.isEmpty())
                VT_REQUIRE_TESTDATA(QStringLiteral("pst"));
        }
        else if (kind == QLatin1String("mbox"))
        {
            path = dir.filePath(QString::fromUtf8("with space 'quoted' ü/box"));
            writeFile(path, mbox(0, 5));
        }
        else if (kind == QLatin1String("eml"))
        {
            path = dir.filePath(QStringLiteral("eml"));
            for (int n = 0; n < 5; ++n)
                writeFile(dir.filePath(QString::fromUtf8("eml/sub/%1 'ü'.eml").arg(n)), mail(n));
        }
        else
        {
            path = dir.filePath(QStringLiteral("md"));
            for (int n = 0; n < 5; ++n)
                writeFile(dir.filePath(QStringLiteral("md/cur/%1.x:2,S").arg(1000 + n)), mail(n));
        }
        QStringList ids, subjects;
        {
            auto ns = session();
            ns->AddStore(path);
            auto root = ns->Folders()->GetLast();
            std::function<void(Outlook::Folder&)> collect = [&](Outlook::Folder& folder) {
                auto items = folder.Items();
                for (int j = 1; j <= items->Count(); ++j)
                {
                    ids << items->Item(j)->EntryID();
                    subjects << items->Item(j)->Subject();
                }
                auto folders = folder.Folders();
                for (int i = 1; i <= folders->Count(); ++i)
                    collect(*folders->Item(i));
            };
            collect(*root);
            ns->RemoveStore(*root);
            QCOMPARE(ns->Folders()->Count(), 0);
        }
        QVERIFY(ids.size() >= 4);
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
        if (kind == QLatin1String("maildir")) // a flag change renames the file
            QVERIFY(QFile::rename(dir.filePath(QStringLiteral("md/cur/1002.x:2,S")),
                                  dir.filePath(QStringLiteral("md/cur/1002.x:2,RS"))));
        auto fresh = session();
        for (int k = 0; k < ids.size(); ++k)
            QCOMPARE(fresh->GetItemFromID(ids[k])->Subject(), subjects[k]);
    }

    void idsFollowTheirMessages_data()
    {
        // After the change, the subject each listed ID fetches ("gone" when the fetch fails), or
        // each row shows when the change comes while the folder is listed.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"message 0", "message 1", "message 2"};
        QTest::newRow("mbox compacted") << "mbox"
                                        << "compact" << QStringList{"gone", "message 1", "message 2"};
        QTest::newRow("mbox message added before") << "mbox"
                                                   << "insert" << all;
        QTest::newRow("mbox status rewritten in place") << "mbox"
                                                        << "status" << all;
        QTest::newRow("mbox other messages at the same offsets") << "mbox"
                                                                 << "replace" << QStringList{"gone", "gone", "gone"};
        QTest::newRow("maildir flags changed") << "maildir"
                                               << "flags" << all;
        QTest::newRow("maildir new to cur") << "maildir"
                                            << "seen" << all;
        QTest::newRow("maildir deleted") << "maildir"
                                         << "delete" << QStringList{"message 0", "gone", "message 2"};
        QTest::newRow("mbox compacted while listed")
            << "mbox"
            << "compact listing" << QStringList{"gone", "message 1", "message 2"};
        QTest::newRow("mbox status rewritten while listed") << "mbox"
                                                            << "status listing" << all;
        QTest::newRow("mbox others while listed") << "mbox"
                                                  << "replace listing" << QStringList{"gone", "gone", "gone"};
    }

    void idsFollowTheirMessages()
    {
        QFETCH(QString, kind);
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind);
        const auto box = [](QList<int> numbers, const QByteArray& status) {
            QByteArray out;
            for (int n : numbers)
                out += "From - Tue Dec  1 10:00:00 2026\nX-Mozilla-Status: " + status + "\n" + mail(n) + "\n";
            return out;
        };
        const auto md = [&](const char* name) {
            return dir.filePath(QStringLiteral("maildir/") + QLatin1String(name));
        };
        if (kind == u"mbox")
            writeFile(path, box({0, 1, 2}, "0000"));
        else
        {
            writeFile(md("cur/1000.x:2,S"), mail(0));
            writeFile(md("cur/1001.x:2,S"), mail(1));
            writeFile(md("new/1002.x"), mail(2));
        }
        const bool whileListed = change.endsWith(u" listing");
        change = change.section(u' ', 0, 0);
        const auto makeChange = [&] {
            if (change == u"compact")
                writeFile(path, box({1, 2}, "0000"));
            else if (change == u"insert")
                writeFile(path, box({7, 0, 1, 2}, "0000"));
            else if (change == u"status")
                writeFile(path, box({0, 1, 2}, "0001"));
            else if (change == u"replace")
                writeFile(path, box({5, 6, 7}, "0000"));
            else if (change == u"flags")
                QVERIFY(QFile::rename(md("cur/1000.x:2,S"), md("cur/1000.x:2,RS")));
            else if (change == u"seen")
                QVERIFY(QFile::rename(md("new/1002.x"), md("cur/1002.x:2,S")));
            else
                QVERIFY(QFile::remove(md("cur/1001.x:2,S")));
        };
        QStringList ids, shown;
        {
            auto ns = session();
            ns->AddStore(path);
            auto items = ns->Folders()->GetLast()->Folders()->Item(1)->Items();
            const int count = items->Count();
            if (whileListed)
                makeChange();
            for (int j = 1; j <= count; ++j)
                try
                {
                    const auto item = items->Item(j);
                    ids << item->EntryID();
                    shown << item->Subject();
                }
                catch (const AppError&)
                {
                    shown << QStringLiteral("gone");
                }
        }
        if (whileListed)
        {
            QCOMPARE(shown, expected); // and each row shown is fetched again by its ID
            expected.removeAll(QStringLiteral("gone"));
        }
        else
            makeChange();
        auto fresh = session();
        QStringList fetched;
        for (const QString& id : ids)
        {
            try
            {
                auto item = fresh->GetItemFromID(id);
                fetched << item->Subject();
                QVERIFY(
                    item->Body().contains(item->Subject().replace(QLatin1String("message"), QLatin1String("body"))));
            }
            catch (const AppError&)
            {
                fetched << QStringLiteral("gone");
            }
        }
        QCOMPARE(fetched, expected);
    }

    void badEntryIdsFail_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("empty") << "";
        QTest::newRow("foreign") << "00000000DEADBEEF";
        QTest::newRow("missing store") << EntryId{EntryId::Kind::Pst, "/nonexistent/x.pst", "2097188"}.toString();
        QTest::newRow("mbox offset not at a message") << "mbox-offset";
        QTest::newRow("maildir path escape")
            << EntryId{EntryId::Kind::Maildir, "/tmp", QString::fromLatin1(QByteArray("../etc/passwd").toHex())}
                   .toString();
        QTest::newRow(".eml path escape")
            << EntryId{EntryId::Kind::Eml, "/etc", QString::fromLatin1(QByteArray("../etc/passwd").toHex())}.toString();
    }

    void badEntryIdsFail()
    {
        QFETCH(QString, id);
        QTemporaryDir dir;
        if (id == QLatin1String("mbox-offset"))
        {
            writeFile(dir.filePath(QStringLiteral("box")), mbox(0, 2));
            id = EntryId{EntryId::Kind::Mbox, dir.filePath(QStringLiteral("box")), QStringLiteral("7")}.toString();
        }
        auto ns = session();
        QVERIFY_THROWS_EXCEPTION(AppError, ns->GetItemFromID(id));
    }

    void addStoreRejectsNonStores_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text file") << QByteArray("hello, not mail\n") << "is not a mail store";
        QTest::newRow("missing") << QByteArray() << "does not exist";
        QTest::newRow("pst header only") << QByteArray("!BDN\0\0\0\0", 8) << "cannot be opened";
    }

    void addStoreRejectsNonStores()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("store.pst"));
        if (!content.isEmpty())
            writeFile(path, content);
        auto ns = session();
        try
        {
            ns->AddStore(path);
            QFAIL("AddStore accepted a non-store");
        }
        catch (const AppError& e)
        {
            QVERIFY2(e.description().contains(expected), qPrintable(e.description()));
            QVERIFY2(e.description().contains(path), qPrintable(e.description()));
        }
        QCOMPARE(ns->Folders()->Count(), 0);
    }

    void damagedPstGivesWhatCanBeRead_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("flipEvery");
        for (int keep : {4096, 65536, 200000, 1000000, 3000000})
            QTest::addRow("truncated to %d", keep) << keep << 0;
        for (int every : {509, 4093})
            QTest::addRow("bytes flipped every %d", every) << 0 << every;
    }

    void damagedPstGivesWhatCanBeRead()
    {
        QFETCH(int, keep);
        QFETCH(int, flipEvery);
        const QString source = pst("Outlook.pst");
        if (source.isEmpty())
            VT_REQUIRE_TESTDATA(QStringLiteral("pst"));
        QFile in(source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        if (keep)
            bytes.truncate(keep);
        for (qsizetype i = 1024; flipEvery && i < bytes.size(); i += flipEvery)
            bytes[i] = char(~bytes[i]);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.pst"));
        writeFile(path, bytes);
        auto ns = session();
        try
        {
            ns->AddStore(path);
        }
        catch (const AppError& e)
        {
            QVERIFY(!e.description().isEmpty());
            return;
        }
        // Whatever opens can be walked to the end, item members included, without a crash.
        int read = 0;
        std::function<void(Outlook::Folder&, int)> visit = [&](Outlook::Folder& folder, int depth) {
            try
            {
                folder.Name();
                auto items = folder.Items();
                for (int j = 1; j <= items->Count(); ++j)
                {
                    auto item = items->Item(j);
                    if (item->Class() == Outlook::olMail)
                    {
                        item->Subject();
                        item->SenderName();
                        item->EntryID();
                        item->ReceivedTime();
                        item->Body();
                        ++read;
                    }
                }
                auto folders = folder.Folders();
                for (int i = 1; i <= folders->Count() && depth < 16; ++i)
                    visit(*folders->Item(i), depth + 1);
            }
            catch (const AppError&)
            {
            }
        };
        visit(*ns->Folders()->GetLast(), 0);
        QVERIFY(read <= 14);
    }

    void profileOrderAndAddedStores()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("b.mbox")), mbox(0, 1));
        writeFile(dir.filePath(QStringLiteral("a.mbox")), mbox(0, 2));
        writeFile(dir.filePath(QStringLiteral("c.mbox")), mbox(0, 3));
        const QString profile = dir.filePath(QStringLiteral("profile.txt"));
        writeFile(profile, "# my stores\n\n" + dir.filePath(QStringLiteral("b.mbox")).toUtf8() + "\r\n  " +
                               dir.filePath(QStringLiteral("a.mbox")).toUtf8() + "\n#" +
                               dir.filePath(QStringLiteral("c.mbox")).toUtf8() + "\n" +
                               dir.filePath(QStringLiteral("gone.mbox")).toUtf8() + "\n");
        auto ns = session(profile);
        auto roots = ns->Folders();
        QCOMPARE(roots->Count(), 2);
        QCOMPARE(roots->Item(1)->Name(), QStringLiteral("b.mbox"));
        QCOMPARE(roots->Item(2)->Name(), QStringLiteral("a.mbox"));
        ns->AddStore(dir.filePath(QStringLiteral("c.mbox")));
        auto last = ns->Folders()->GetLast();
        QCOMPARE(last->Name(), QStringLiteral("c.mbox"));
        // Objects outlive the namespace that handed them out.
        ns.reset();
        QCOMPARE(last->Folders()->Item(1)->Items()->Count(), 3);
    }

    void profileParsing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("comments and blanks") << QByteArray("# a\n\n   \n  # b\n/x/y\n") << QStringList{"/x/y"};
        QTest::newRow("CRLF and trailing blank kept") << QByteArray("/a b \r\n/c\r\n") << QStringList{"/a b ", "/c"};
        QTest::newRow("UTF-8") << QByteArray("/m\xc3\xa4il/box") << QStringList{QString::fromUtf8("/mäil/box")};
        QTest::newRow("hash inside a path") << QByteArray("/a#b\n") << QStringList{"/a#b"};
    }

    void profileParsing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, paths);
        QCOMPARE(Profile::parse(text), paths);
    }

    void defaultProfilePlace()
    {
        const QString path = Profile::defaultPath();
        QVERIFY(path.endsWith(QLatin1String("/Quillmark/Vellumtide-profile.txt")));
        QVERIFY(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
        // Missing: an empty profile, not an error.
        QCOMPARE(EngineFactory().create()->GetNamespace(QStringLiteral("MAPI"))->Folders()->Count(), 0);
        QVERIFY(EngineFactory().create()->Version().section(QLatin1Char('.'), 0, 0).toInt() >= 10);
    }
};

QTEST_MAIN(tst_MailEngine)
#include "tst_mailengine.moc"
