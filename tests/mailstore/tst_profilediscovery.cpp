// The mail profile: the user's own profile file, else the mail the desktop's mail programs keep.

#include "Profile.h"
#include "StoreDiscovery.h"
#include "TestSupport.h"
#include "ThunderbirdProfiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace MailStore;

class tst_ProfileDiscovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thunderbirdDefaultFirst_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("expected"); // "name path"
        const QByteArray two = "[Profile0]\nName=a\nIsRelative=1\nPath=a.x\n\n"
                               "[Profile1]\nName=b\nPath=b.x\nDefault=1\n";
        QTest::newRow("Default=1") << two << QStringList{"b /tb/b.x", "a /tb/a.x"};
        QTest::newRow("the installation's default wins") << two + "[InstallABC]\nDefault=a.x\n"
                                                         << QStringList{"a /tb/a.x", "b /tb/b.x"};
        QTest::newRow("absolute path, CRLF, blanks")
            << QByteArray(
                   "[Profile0]\r\nName = c \r\nIsRelative=0\r\nPath=/abs/c\r\n[General]\r\nPath=/not/a/profile\r\n")
            << QStringList{"c /abs/c"};
        QTest::newRow("no path, garbage")
            << QByteArray("Path=/x\n[Profile0\nName=z\n[Profile1]\nName=n\n") << QStringList{};
    }

    void thunderbirdDefaultFirst()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, expected);
        QStringList found;
        for (const ProfileStore& profile : ThunderbirdProfiles::read(ini, QStringLiteral("/tb")))
            found << profile.origin + u' ' + profile.path;
        QCOMPARE(found, expected);
    }

    void discoversEachStoreOnceAndTheFileWins()
    {
        QTemporaryDir dir;
        const QString home = dir.path();
        TestSupport::writeDesktopMail(home);
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("MAIL"), home + QStringLiteral("/spool"));
        const StoreDiscovery discovery(home, environment);
        const auto tb = [&](const char* path) { return home + QStringLiteral("/.thunderbird/") + QLatin1String(path); };
        const std::vector<ProfileStore> expected = {
            {tb("rel.default-release/Mail/Local Folders"),
             "Thunderbird profile \"release\", account folder \"Local Folders\""},
            {tb("rel.default-release/ImapMail/imap.example.org"),
             "Thunderbird profile \"release\", account folder \"imap.example.org\""},
            {tb("old.default/Mail/Local Folders"), "Thunderbird profile \"old\", account folder \"Local Folders\""},
            {home + "/.local/share/evolution/mail/local", "Evolution's local mail"},
            {home + "/.local/share/local-mail", "KMail's local mail"},
            {home + "/spool", "the mail spool ($MAIL)"},
            {home + "/mbox", "the mbox in the home folder"},
        };
        const QString profile = home + QStringLiteral("/profile.txt");
        QCOMPARE(discovery.resolve(profile), expected);
        QVERIFY(discovery.resolve(QString()).empty());
        QVERIFY(StoreDiscovery(home + QStringLiteral("/nobody"), {}).stores().empty());

        // What --profile --stores writes is a profile file naming the same stores.
        QStringList paths;
        for (const ProfileStore& store : expected)
            paths << store.path;
        QCOMPARE(Profile::parse(Profile::format(expected)), paths);

        // Once written, the file is what the user chose, even when it names fewer stores.
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# mine\n/somewhere/archive.pst\n");
        file.close();
        const std::vector<ProfileStore> chosen = {{"/somewhere/archive.pst", "the profile file " + profile}};
        QCOMPARE(discovery.resolve(profile), chosen);
    }
};

QTEST_GUILESS_MAIN(tst_ProfileDiscovery)
#include "tst_profilediscovery.moc"
