// Store discovery from a Wine prefix the test writes, and the .dbx file grid it fills.

#include "DBXFiles.h"
#include "ErrorTrap.h"
#include "ExpressFixture.h"
#include "modRegistry.h"

#include <QPushButton>

using namespace ExpressTest;

namespace
{

QByteArray identity(const QByteArray& id, const QByteArray& storeRoot, const QByteArray& version = "5.0")
{
    return "[Identities\\\\" + id + "] 1\n\"Username\"=\"" + id + "\"\n[Identities\\\\" + id +
           "\\\\Software\\\\Microsoft\\\\Outlook Express\\\\" + version + "] 1\n\"Store Root\"=str(2):\"" + storeRoot +
           "\"\n\"LastStoreVersion\"=dword:00000005\n\n";
}

QString failureAt100()
{
    return ErrorTrap::messageText(QStringLiteral("DBXFiles component failure"),
                                  QStringLiteral("Express1.SearchIdentities"), 100);
}

} // namespace

class TestStoreDiscovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(SettingsStore().fileName()); }

    void searchFindsEveryIdentitysFiles_data()
    {
        QTest::addColumn<QByteArray>("userReg"); // "-" leaves the prefix out
        QTest::addColumn<QStringList>("files");  // below drive_c (the profile is "users/<login>")
        QTest::addColumn<QStringList>("found");  // FoundDbxFiles, below drive_c
        QTest::addColumn<bool>("fails");

        const QStringList fiveFiles{u"P/A/Inbox.dbx"_qs,       u"P/A/Outbox.dbx"_qs,    u"P/A/Sent Items.dbx"_qs,
                                    u"P/A/Folders.dbx"_qs,     u"Mail/B/Drafts.dbx"_qs, u"Mail/B/Deleted Items.dbx"_qs,
                                    u"Mail/B/pop3uidl.dbx"_qs, u"Mail/B/notes.txt"_qs};
        const QStringList fiveFound{u"P/A/Inbox.dbx"_qs,      u"P/A/Outbox.dbx"_qs,
                                    u"P/A/Sent Items.dbx"_qs, u"Mail/B/Deleted Items.dbx"_qs,
                                    u"Mail/B/Drafts.dbx"_qs,  QString()};
        const QByteArray a = identity("{A}", "%UserProfile%\\\\A");
        const QByteArray b = identity("{B}", "C:\\\\Mail\\\\B\\\\");

        QTest::newRow("two identities, three and two files") << a + b << fiveFiles << fiveFound << false;
        QTest::newRow("identity without Outlook Express before others")
            << "[Identities\\\\{0}] 1\n\"Username\"=\"plain\"\n\n" + a + b << fiveFiles << fiveFound << false;
        QTest::newRow("profile reference in other letter case")
            << identity("{A}", "%userprofile%\\\\A") << fiveFiles << QStringList{QString()} << false;
        QTest::newRow("only the folder index files, in capitals")
            << identity("{A}", "C:\\\\Only") << QStringList{u"Only/FOLDERS.DBX"_qs, u"Only/Pop3Uidl.dbx"_qs}
            << QStringList{QString()} << false;
        QTest::newRow("empty store between two")
            << identity("{A}", "C:\\\\S1") + identity("{B}", "C:\\\\S2") + identity("{C}", "C:\\\\S3")
            << QStringList{u"S1/One.dbx"_qs, u"S2/"_qs, u"S3/Three.DBX"_qs}
            << QStringList{u"S1/One.dbx"_qs, u"S3/Three.DBX"_qs, QString()} << false;
        QTest::newRow("first version key enumerated wins")
            << identity("{A}", "C:\\\\New", "6.0") + identity("{A}", "C:\\\\Old", "5.0")
            << QStringList{u"New/New.dbx"_qs, u"Old/Old.dbx"_qs} << QStringList{u"Old/Old.dbx"_qs, QString()} << false;
        QTest::newRow("escaped characters")
            << identity("{br\\]ck\\\"et}", "C:\\\\Mail \\\"q\\\" \\x00e9t\\u00e9")
            << QStringList{u"Mail \"q\" \u00e9tu00e9/In box.dbx"_qs}
            << QStringList{u"Mail \"q\" \u00e9tu00e9/In box.dbx"_qs, QString()} << false;
        QTest::newRow("store folder in other letter case on disk")
            << identity("{A}", "c:\\\\MAIL\\\\b") << fiveFiles
            << QStringList{u"Mail/B/Deleted Items.dbx"_qs, u"Mail/B/Drafts.dbx"_qs, QString()} << false;
        QTest::newRow("version key without values before others")
            << "[Identities\\\\{0}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1\n" + a + b << fiveFiles
            << fiveFound << false;
        QTest::newRow("no identities key")
            << QByteArray("[Software\\\\Wine] 1\n") << fiveFiles << QStringList{QString()} << true;
        QTest::newRow("blank identity names only")
            << QByteArray("[Identities\\\\ ] 1\n") << fiveFiles << QStringList{QString()} << true;
        QTest::newRow("version key without a store root")
            << QByteArray("[Identities\\\\{A}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1\n\"Other\"=\"x\"\n")
            << fiveFiles << QStringList{QString()} << true;
        QTest::newRow("missing prefix") << QByteArray("-") << QStringList() << QStringList{QString()} << true;
    }

    void searchFindsEveryIdentitysFiles()
    {
        QFETCH(QByteArray, userReg);
        QFETCH(QStringList, files);
        QFETCH(QStringList, found);
        QFETCH(bool, fails);
        Fixture f;
        if (userReg != "-")
            writePrefix(f.prefix, userReg);
        const QString profile = WinePrefix(f.prefix).profileFolder();
        QDir().mkpath(profile);
        // The profile folder holds the "P" stores.
        QFile::link(profile, f.prefix + QStringLiteral("/drive_c/P"));
        for (const QString& file : files)
        {
            const QString path = (file.startsWith(u"P/") ? profile + file.mid(1) : f.prefix + u"/drive_c/"_qs + file);
            QVERIFY(file.endsWith(u'/') ? QDir().mkpath(path) : writeFile(path, "dbx"));
        }
        const QString drive = QDir(f.prefix + QStringLiteral("/drive_c")).canonicalPath();
        QStringList expected;
        for (const QString& entry : found)
        {
            if (entry.isEmpty())
                expected.append(entry);
            else
                expected.append(entry.startsWith(u"P/") ? QDir(profile).canonicalPath() + entry.mid(1)
                                                        : drive + u'/' + entry);
        }

        f.express.FoundDbxFiles = QStringList{QString()};
        f.express.SearchIdentities();
        QCOMPARE(f.express.FoundDbxFiles, expected);
        QCOMPARE(f.dialogs.texts(), fails ? QStringList{failureAt100()} : QStringList());
        if (fails)
            QCOMPARE(f.dialogs.shown[0].title, ErrorTrap::title());
        QVERIFY(!f.express.StoreFolders.isEmpty() || fails);
    }

    void userProfileAsWineResolvesIt_data()
    {
        QTest::addColumn<QByteArray>("systemReg"); // the machine's profile list
        QTest::addColumn<QString>("store");        // the store folder on disk, below drive_c
        const QByteArray list = "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\ProfileList\\\\";
        const QByteArray jane =
            list + "S-1-5-18] 1\n\"ProfileImagePath\"=\"C:\\\\windows\\\\profile\"\n" + list +
            "S-1-5-21-0-0-0-1000] 1\n\"ProfileImagePath\"=str(2):\"%SystemDrive%\\\\users\\\\Jane\"\n";
        QTest::newRow("named by the registry") << jane << "users/Jane/Local/Mail";
        QTest::newRow("named by the registry, other case on disk") << jane << "users/JANE/local/MAIL";
        QTest::newRow("login name, other case on disk")
            << QByteArray() << u"users/"_qs + WinePrefix::loginName().toUpper() + u"/LOCAL/mail"_qs;
    }

    void userProfileAsWineResolvesIt()
    {
        QFETCH(QByteArray, systemReg);
        QFETCH(QString, store);
        Fixture f;
        writePrefix(f.prefix, identity("{A}", "%UserProfile%\\\\Local\\\\Mail"));
        QVERIFY(writeFile(f.prefix + u"/system.reg"_qs, "WINE REGISTRY Version 2\n\n" + systemReg));
        const QString folder = f.prefix + u"/drive_c/"_qs + store;
        QVERIFY(writeFile(folder + u"/Inbox.dbx"_qs, "dbx"));
        f.express.FoundDbxFiles = QStringList{QString()};
        f.express.SearchIdentities();
        QCOMPARE(f.express.FoundDbxFiles, (QStringList{QDir(folder).canonicalPath() + u"/Inbox.dbx"_qs, QString()}));
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void storeFoldersEndWithASeparatorAndABlank()
    {
        Fixture f;
        writePrefix(f.prefix, identity("{A}", "%UserProfile%\\\\Mail") + identity("{B}", "D:\\\\Nowhere"));
        QVERIFY(QDir().mkpath(WinePrefix(f.prefix).profileFolder() + QStringLiteral("/Mail")));
        modRegistry registry(f.registry, f.dialogs);
        DBXFiles files(registry, WinePrefix(f.prefix));
        const QStringList folders = files.GetStoreFolder();
        QCOMPARE(folders.size(), 3);
        QCOMPARE(folders[0], QDir(WinePrefix(f.prefix).profileFolder()).canonicalPath() + QStringLiteral("/Mail/"));
        QCOMPARE(folders[1], QStringLiteral("D:\\Nowhere")); // no such drive: the text stays and lists nothing
        QCOMPARE(folders[2], QString());
        QCOMPARE(files.GetDBXFilesInPath(folders[1]), QStringList());
        QCOMPARE(files.GetDBXFilesInPath(QStringLiteral("relative/")), QStringList());
    }

    // The window tests: its load reads the printers, and without a print server it says so in a box.
    void searchFillsTheGridWithSampleStores()
    {
        VT_REQUIRE_CUPS();
        const QString inbox = sample(QStringLiteral("dbx/test_OutlookDBX.dbx"));
        if (inbox.isEmpty())
            QSKIP(qPrintable(samplesAbsent()));
        Fixture f;
        writePrefix(f.prefix, identity("{A}", "C:\\\\Store"));
        const QString store = f.prefix + QStringLiteral("/drive_c/Store");
        QVERIFY(QDir().mkpath(store));
        for (const QString& name : QDir(QFileInfo(inbox).path()).entryList({u"*.dbx"_qs}, QDir::Files))
            QVERIFY(QFile::link(QFileInfo(inbox).path() + u'/' + name, store + u'/' + name));
        Form2& form = f.open();
        form.PushButton14_Click(); // rows found into an empty grid: nothing to say
        form.fileGrid().addRow({QStringLiteral("/by/hand.dbx")});
        form.PushButton14_Click();
        const QString real = QDir(store).canonicalPath() + u'/';
        const QStringList once{real + u"Outbox.dbx"_qs, real + u"test.dbx"_qs, real + u"test_OutlookDBX.dbx"_qs};
        QCOMPARE(f.column(form.fileGrid(), 0), once + QStringList{u"/by/hand.dbx"_qs} + once);
        QVERIFY(f.dialogs.shown.isEmpty());
        for (int row = 0; row < form.fileGrid().rowCount(); ++row)
            QVERIFY(!form.fileGrid().isChecked(row));
    }

    void searchWithoutStoresPointsToTheAddButton()
    {
        VT_REQUIRE_CUPS();
        Fixture f;
        Form2& form = f.open();
        form.PushButton14_Click();
        QCOMPARE(f.dialogs.texts(),
                 (QStringList{failureAt100(), u"You may be have no Outlook Express installed. \r\n"
                                              "Please try to use Add Outlook Express File button."_qs}));
        QCOMPARE(f.dialogs.shown[1].icon, Dialogs::Icon::None);
        QCOMPARE(QApplication::focusWidget(), f.child<QPushButton>("PushButton1"));

        // With rows already there the search says only what failed.
        f.dialogs.shown.clear();
        form.fileGrid().addRow({QStringLiteral("/x.dbx")});
        form.PushButton14_Click();
        QCOMPARE(f.dialogs.texts(), QStringList{failureAt100()});
    }

    void addedFilesAreAppended_data()
    {
        QTest::addColumn<QList<QStringList>>("answers");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("cancelled") << QList<QStringList>{QStringList()} << QStringList();
        QTest::newRow("one file as chosen")
            << QList<QStringList>{{u"/m//Inbox.dbx"_qs}} << QStringList{u"/m//Inbox.dbx"_qs};
        QTest::newRow("several, tidied, in order")
            << QList<QStringList>{{u"/m/b.dbx"_qs, u"//a.dbx"_qs, u"/m//c d.dbx"_qs}}
            << QStringList{u"/m/b.dbx"_qs, u"/a.dbx"_qs, u"/m/c d.dbx"_qs};
        QTest::newRow("twice the same") << QList<QStringList>{{u"/x.dbx"_qs}, {u"/x.dbx"_qs}}
                                        << QStringList{u"/x.dbx"_qs, u"/x.dbx"_qs};
    }

    void addedFilesAreAppended()
    {
        VT_REQUIRE_CUPS();
        QFETCH(QList<QStringList>, answers);
        QFETCH(QStringList, rows);
        Fixture f;
        Form2& form = f.open();
        for (const QStringList& answer : answers)
        {
            f.dialogs.fileAnswers.enqueue(answer);
            form.PushButton1_Click();
        }
        QCOMPARE(f.column(form.fileGrid(), 0), rows);
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.dialogs.fileRequests.size(), answers.size());
        QCOMPARE(f.dialogs.fileRequests[0].title, u"Add File(s) - Hold Ctrl or Shift to select multiple files"_qs);
        QCOMPARE(f.dialogs.fileRequests[0].filter, u"DBX Files (*.dbx)"_qs);
        QVERIFY(f.dialogs.fileRequests[0].multiSelect);
    }
};

QTEST_MAIN(TestStoreDiscovery)
#include "tst_storediscovery.moc"
