#include "AppError.h"
#include "FakeEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"

#include <QTimer>
#include <QtTest>

using Outlook::MailRow::Column;

namespace
{

// One listing over a fake engine into a real grid model.
struct Fixture
{
    Fake::World world;
    Fake::Factory factory{world};
    ScriptedDialogs dialogs;
    ReportListModel grid;
    Outlook::EventPump pump{0};
    Outlook::MailListing listing{factory, dialogs, grid, pump};
    QList<bool> busy;

    Fixture()
    {
        for (int column = 0; column < Column::ColumnCount; ++column)
            grid.addColumn(QString::number(column), 2000);
        listing.setBusy = [this](bool on) { busy.append(on); };
    }

    void list(Outlook::ListingSource source = {true, false, {}})
    {
        world.numberItems();
        listing.ListOutlookMail(source);
    }

    // "Root|Folder|Subfolder|Subject" per row.
    QStringList rows() const
    {
        QStringList result;
        for (int row = 0; row < grid.rowCount(); ++row)
            result << QStringList{grid.text(row, Column::Root), grid.text(row, Column::Folder),
                                  grid.text(row, Column::Subfolder), grid.text(row, Column::Subject)}
                          .join(u'|');
        return result;
    }
    QStringList subjects() const
    {
        QStringList result;
        for (int row = 0; row < grid.rowCount(); ++row)
            result << grid.text(row, Column::Subject);
        return result;
    }
};

// A small profile: one mailbox with nested folders.
void buildMailbox(Fake::World& world)
{
    Fake::FolderNode& root = world.store(QStringLiteral("Mailbox"));
    root.mail(QStringLiteral("in root"));
    Fake::FolderNode& inbox = root.folder(QStringLiteral("Inbox"));
    inbox.mail(QStringLiteral("inbox 1"));
    Fake::FolderNode& projects = inbox.folder(QStringLiteral("Projects"));
    projects.mail(QStringLiteral("project 1"));
    projects.folder(QStringLiteral("Reports")).mail(QStringLiteral("report 1"));
    root.folder(QStringLiteral("Sent Items")).mail(QStringLiteral("sent 1"));
}

using Setup = void (*)(Fake::World&);

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestMailListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkOrderAndFolderColumns();
    void silentFailuresInsideTheWalk_data();
    void silentFailuresInsideTheWalk();
    void emailColumnFollowsVersionAndType_data();
    void emailColumnFollowsVersionAndType();
    void dateText_data();
    void dateText();
    void majorVersion_data();
    void majorVersion();
    void findMatchRule_data();
    void findMatchRule();
    void findListingKeepsOnlyMatchesAndEnds();
    void storeFileIsAttachedForTheListingOnly_data();
    void storeFileIsAttachedForTheListingOnly();
    void rowsShowWhileTheListingRuns();
};

void TestMailListing::walkOrderAndFolderColumns()
{
    Fixture f;
    Fake::FolderNode& first = f.world.store(QStringLiteral("First"));
    first.mail(QStringLiteral("root item"));
    Fake::FolderNode& inbox = first.folder(QStringLiteral("Inbox"));
    inbox.mail(QStringLiteral("in1"));
    Fake::FolderNode& projects = inbox.folder(QStringLiteral("Projects"));
    projects.mail(QStringLiteral("p1"));
    projects.folder(QStringLiteral("Reports")).mail(QStringLiteral("r1"));
    inbox.folder(QStringLiteral("Inbox")).mail(QStringLiteral("deeper inbox"));
    inbox.mail(QStringLiteral("in2"));
    inbox.mail(QStringLiteral("a contact")).cls = Outlook::olContact;
    first.folder(QStringLiteral("Sent Items")).mail(QStringLiteral("s1"));
    Fake::FolderNode& publicFolders = first.folder(QStringLiteral("All Public Folders"));
    publicFolders.mail(QStringLiteral("public own"));
    publicFolders.folder(QStringLiteral("Deep")).mail(QStringLiteral("public deep"));
    Fake::FolderNode& news = first.folder(QStringLiteral("Internet Newsgroups"));
    news.folder(QStringLiteral("comp.lang")).mail(QStringLiteral("news deep"));
    first.folder(QStringLiteral("Calendar")).mail(QStringLiteral("meeting")).cls = Outlook::olMeetingRequest;
    f.world.store(QStringLiteral("Internet Newsgroups")).folder(QStringLiteral("Inbox")).mail(QStringLiteral("x"));
    f.world.store(QStringLiteral("Second")).folder(QStringLiteral("Inbox")).mail(QStringLiteral("second 1"));

    f.list();

    const QStringList expected{
        QStringLiteral("First|Inbox|Reports|r1"),
        QStringLiteral("First|Inbox|Projects|p1"),
        QStringLiteral("First|Inbox||deeper inbox"),
        QStringLiteral("First|Inbox||in1"),
        QStringLiteral("First|Inbox||in2"),
        QStringLiteral("First|Sent Items||s1"),
        QStringLiteral("First|All Public Folders||public own"),
        QStringLiteral("Second|Inbox||second 1"),
    };
    QCOMPARE(f.rows(), expected);
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    QCOMPARE(f.busy, (QList<bool>{true, false}));
    QVERIFY(!f.grid.isChecked(0));
    // Each row carries the ID of its own message.
    for (int row = 0; row < f.grid.rowCount(); ++row)
        QCOMPARE(f.world.find(f.grid.text(row, Column::ID))->subject, f.grid.text(row, Column::Subject));
    QCOMPARE(f.world.log.mid(f.world.log.size() - 2),
             (QStringList{QStringLiteral("release namespace"), QStringLiteral("release application")}));
}

void TestMailListing::silentFailuresInsideTheWalk_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("nothing fails") << Setup([](Fake::World&) {})
                                   << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1",
                                                  "Mailbox|Inbox||inbox 1", "Mailbox|Sent Items||sent 1"};
    QTest::newRow("a subfolder cannot be fetched: it and its tree give nothing")
        << Setup([](Fake::World& w) { w.profile[0]->folders[0]->folders[0]->failing << "Fetch"; })
        << QStringList{"Mailbox|Inbox||inbox 1", "Mailbox|Sent Items||sent 1"};
    QTest::newRow("subfolders cannot be counted: own items still listed")
        << Setup([](Fake::World& w) { w.profile[0]->folders[0]->failing << "FolderCount"; })
        << QStringList{"Mailbox|Inbox||inbox 1", "Mailbox|Sent Items||sent 1"};
    QTest::newRow("items cannot be read: subfolders still walked")
        << Setup([](Fake::World& w) { w.profile[0]->folders[0]->failing << "Items"; })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1",
                       "Mailbox|Sent Items||sent 1"};
    QTest::newRow("item count cannot be read")
        << Setup([](Fake::World& w) { w.profile[0]->folders[1]->failing << "ItemCount"; })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1", "Mailbox|Inbox||inbox 1"};
    // A message that cannot be read still gets a row, which says so.
    QTest::newRow("an item that cannot be fetched gets a row saying so")
        << Setup([](Fake::World& w) { w.profile[0]->folders[0]->items[0]->failing << "Item"; })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1",
                       "Mailbox|Inbox||(This message could not be read: The fake engine fails Item)",
                       "Mailbox|Sent Items||sent 1"};
    QTest::newRow("unreadable class counts as mail")
        << Setup([](Fake::World& w) { w.profile[0]->folders[0]->items[0]->failing << "Class"; })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1", "Mailbox|Inbox||inbox 1",
                       "Mailbox|Sent Items||sent 1"};
    QTest::newRow("unreadable subject says so, the other cells are filled")
        << Setup([](Fake::World& w) { w.profile[0]->folders[1]->items[0]->failing << "Subject"; })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1", "Mailbox|Inbox||inbox 1",
                       "Mailbox|Sent Items||(This message could not be read: The fake engine fails Subject)"};
    QTest::newRow("unreadable folder name: the folder is walked, its cells keep the last names")
        << Setup([](Fake::World& w) {
               auto& publicFolders = w.profile[0]->folder("All Public Folders");
               publicFolders.failing << "Name";
               publicFolders.folder("Deep").mail("deep");
           })
        << QStringList{"Mailbox|Inbox|Reports|report 1", "Mailbox|Inbox|Projects|project 1", "Mailbox|Inbox||inbox 1",
                       "Mailbox|Sent Items||sent 1", "Mailbox|Sent Items|Deep|deep"};
}

void TestMailListing::silentFailuresInsideTheWalk()
{
    QFETCH(Setup, setup);
    QFETCH(QStringList, rows);
    Fixture f;
    buildMailbox(f.world);
    setup(f.world);
    f.list();
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});
}

void TestMailListing::emailColumnFollowsVersionAndType_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("shown");
    QTest::newRow("current engine, SMTP") << "16.0.0.10000"
                                          << "SMTP" << true;
    QTest::newRow("version 10 exactly") << "10.0"
                                        << "SMTP" << true;
    QTest::newRow("Exchange address") << "16.0"
                                      << "EX" << false;
    QTest::newRow("type is compared exactly") << "16.0"
                                              << "smtp" << false;
    QTest::newRow("before version 10") << "9.0.0.2711"
                                       << "SMTP" << false;
}

void TestMailListing::emailColumnFollowsVersionAndType()
{
    QFETCH(QString, version);
    QFETCH(QString, type);
    QFETCH(bool, shown);
    Fixture f;
    f.world.version = version;
    Fake::Mail& mail = f.world.store("S").folder("Inbox").mail("m");
    mail.senderType = type;
    mail.senderAddress = QStringLiteral("/O=ORG/CN=someone or someone@example.org");
    f.list();
    QCOMPARE(f.grid.rowCount(), 1);
    QCOMPARE(f.grid.text(0, Column::Email), shown ? mail.senderAddress : QString());
    QCOMPARE(f.grid.text(0, Column::FromTo), mail.senderName);
    QCOMPARE(f.grid.text(0, Column::Date), Outlook::MailRow::DateText(mail.received));
}

void TestMailListing::dateText_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<bool>("hasTime");
    QTest::newRow("afternoon") << QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15)) << true;
    QTest::newRow("one second past midnight") << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1)) << true;
    QTest::newRow("midnight exactly") << QDateTime(QDate(2024, 3, 5), QTime(0, 0)) << false;
    QTest::newRow("the next day") << QDateTime(QDate(2024, 3, 6), QTime(9, 5, 7)) << true;
}

void TestMailListing::dateText()
{
    QFETCH(QDateTime, time);
    QFETCH(bool, hasTime);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(time.date(), QLocale::ShortFormat);
    const QString text = Outlook::MailRow::DateText(time);
    QVERIFY2(text.startsWith(date), qPrintable(text));
    QCOMPARE(text == date, !hasTime);
    if (hasTime)
    {
        QCOMPARE(text.mid(date.size(), 1), QStringLiteral(" "));
        QVERIFY2(text.contains(QString::number(time.time().second()).rightJustified(2, u'0')), qPrintable(text));
    }
    QCOMPARE(Outlook::MailRow::DateText(QDateTime()), QString());
}

void TestMailListing::majorVersion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("major"); // -1: overflow
    QTest::newRow("dotted") << "16.0.0.10000" << 16;
    QTest::newRow("old") << "9.0.0.2711" << 9;
    QTest::newRow("half rounds to even, down") << "10.5" << 10;
    QTest::newRow("half rounds to even, up") << "11.5" << 12;
    QTest::newRow("no number") << "engine" << 0;
    QTest::newRow("too large") << "70000.1" << -1;
}

void TestMailListing::majorVersion()
{
    QFETCH(QString, text);
    QFETCH(int, major);
    if (major < 0)
        QVERIFY_THROWS_EXCEPTION(AppError, Outlook::MailRow::MajorVersion(text));
    else
        QCOMPARE(Outlook::MailRow::MajorVersion(text), major);
}

void TestMailListing::findMatchRule_data()
{
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("matches");
    QTest::newRow("body, other letter case") << "invoice"
                                             << "16"
                                             << "" << true;
    QTest::newRow("sender name") << "ALICE"
                                 << "16"
                                 << "" << true;
    QTest::newRow("address, though not SMTP") << "exchange-box"
                                              << "16"
                                              << "" << true;
    QTest::newRow("address before version 10") << "exchange-box"
                                               << "9"
                                               << "" << false;
    QTest::newRow("date text") << "2024"
                               << "16"
                               << "" << true;
    QTest::newRow("subject is not searched") << "quarterly"
                                             << "16"
                                             << "" << false;
    QTest::newRow("nowhere") << "zebra"
                             << "16"
                             << "" << false;
    QTest::newRow("empty text passes") << ""
                                       << "16"
                                       << "" << true;
    QTest::newRow("unreadable body passes") << "zebra"
                                            << "16"
                                            << "Body" << true;
    QTest::newRow("unreadable date passes") << "zebra"
                                            << "16"
                                            << "ReceivedTime" << true;
    QTest::newRow("unreadable address counts as empty") << "zebra"
                                                        << "16"
                                                        << "SenderEmailAddress" << false;
}

void TestMailListing::findMatchRule()
{
    QFETCH(QString, find);
    QFETCH(QString, version);
    QFETCH(QString, failing);
    QFETCH(bool, matches);
    Fake::World world;
    auto mail = std::make_shared<Fake::Mail>();
    mail->subject = QStringLiteral("Quarterly figures");
    mail->body = QStringLiteral("Please find the INVOICE attached.");
    mail->senderName = QStringLiteral("Alice Example");
    mail->senderType = QStringLiteral("EX");
    mail->senderAddress = QStringLiteral("/o=corp/cn=exchange-box");
    mail->received = QDateTime(QDate(2024, 3, 5), QTime(9, 15));
    if (!failing.isEmpty())
        mail->failing << failing;
    Fake::Item item(world, mail);
    QCOMPARE(Outlook::MailListing::Matches(item, find.toUpper(), Outlook::MailRow::MajorVersion(version)), matches);
}

void TestMailListing::findListingKeepsOnlyMatchesAndEnds()
{
    Fixture f;
    buildMailbox(f.world);
    f.world.profile[0]->folders[1]->items[0]->body = QStringLiteral("the Invoice for March");
    f.listing.FindActive = true;
    f.listing.FindText = QStringLiteral("inVOICE");
    f.list();
    QCOMPARE(f.subjects(), QStringList{QStringLiteral("sent 1")});
    QVERIFY(!f.listing.FindActive);
    QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Done.")});

    // Without FindActive the text is not applied.
    f.grid.clear();
    f.list();
    QCOMPARE(f.grid.rowCount(), 4);
}

void TestMailListing::storeFileIsAttachedForTheListingOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("failing");  // a session member or "RootName"
    QTest::addColumn<QStringList>("rows"); // subjects
    QTest::addColumn<bool>("fails");
    QTest::addColumn<bool>("removed");
    QTest::newRow("attached, walked, detached") << "/data/my mail.pst"
                                                << "" << QStringList{"file 1"} << false << true;
    QTest::newRow("not a store") << "/data/none.pst"
                                 << "" << QStringList{} << true << false;
    QTest::newRow("root name unreadable: still detached") << "/data/my mail.pst"
                                                          << "RootName" << QStringList{} << true << true;
    QTest::newRow("no namespace") << "/data/my mail.pst"
                                  << "GetNamespace" << QStringList{} << true << false;
    QTest::newRow("no version") << "/data/my mail.pst"
                                << "Version" << QStringList{} << true << false;
}

void TestMailListing::storeFileIsAttachedForTheListingOnly()
{
    QFETCH(QString, path);
    QFETCH(QString, failing);
    QFETCH(QStringList, rows);
    QFETCH(bool, fails);
    QFETCH(bool, removed);
    Fixture f;
    buildMailbox(f.world); // the profile's own store is not walked for a store file
    Fake::FolderNode& file = f.world.storeFile(QStringLiteral("/data/my mail.pst"), QStringLiteral("Personal"));
    file.folder(QStringLiteral("Inbox")).mail(QStringLiteral("file 1"));
    if (failing == u"RootName")
        file.failing << QStringLiteral("Name");
    else if (!failing.isEmpty())
        f.world.failing << failing;
    f.listing.FindActive = true;
    f.listing.FindText = QString();

    bool threw = false;
    try
    {
        f.list({false, true, path});
    }
    catch (const AppError&)
    {
        threw = true;
    }
    QCOMPARE(threw, fails);
    QCOMPARE(f.subjects(), rows);
    QVERIFY(f.world.attached.empty());
    QCOMPARE(f.world.log.contains(QStringLiteral("RemoveStore Personal")), removed);
    QCOMPARE(f.dialogs.texts(), fails ? QStringList{} : QStringList{QStringLiteral("Done.")});
    QCOMPARE(f.busy, (QList<bool>{true, false}));
    QVERIFY(!f.listing.FindActive);
    QVERIFY(f.world.log.contains(QStringLiteral("release application")));
    QCOMPARE(f.world.log.contains(QStringLiteral("release namespace")),
             failing != u"GetNamespace" && failing != u"Version");
}

void TestMailListing::rowsShowWhileTheListingRuns()
{
    Fixture f;
    Fake::FolderNode& inbox = f.world.store(QStringLiteral("S")).folder(QStringLiteral("Inbox"));
    for (int i = 0; i < 200; ++i)
        inbox.mail(QStringLiteral("m%1").arg(i));
    QList<int> seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] { seen.append(f.grid.rowCount()); });
    watcher.start(0);
    f.list();
    watcher.stop();
    QCOMPARE(f.grid.rowCount(), 200);
    QVERIFY(!seen.isEmpty());
    const int largest = *std::max_element(seen.begin(), seen.end());
    QVERIFY2(largest > 0 && largest < 200, qPrintable(QString::number(largest)));
    for (int row = 0; row < 200; ++row)
        QCOMPARE(f.grid.text(row, Column::Subject), QStringLiteral("m%1").arg(row));
}

QTEST_GUILESS_MAIN(TestMailListing)
#include "tst_maillisting.moc"
