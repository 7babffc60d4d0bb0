#include "SettingsStore.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { VT_REQUIRE_ISOLATION(); }
    void roundTrip_data();
    void roundTrip();
    void missingKeyGivesDefault();
    void writesReachDiskAtOnce();
};

void TestSettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("path with blanks") << "PST File"
                                      << "/home/user/Mail Archive/2019 backup.pst";
    QTest::newRow("comma looks like a list") << "Text1"
                                             << "invoice, March";
    QTest::newRow("quotes and equals") << "Text1"
                                       << "a \"b\" = c; d";
    QTest::newRow("leading and trailing blanks kept") << "Text1"
                                                      << "  padded  ";
    QTest::newRow("non-ASCII") << "PST File" << QString::fromUtf8("/home/jürgen/Почта/存档.pst");
    QTest::newRow("empty text") << "Text1"
                                << "";
    QTest::newRow("backslashes") << "PST File"
                                 << "C:\\Mail\\archive.pst";
    QTest::newRow("Boolean text") << "Option3"
                                  << "True";
}

void TestSettingsStore::roundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    {
        SettingsStore store;
        store.write(key, value);
    }
    SettingsStore fresh;
    QCOMPARE(fresh.read(key, QStringLiteral("absent")), value);
}

void TestSettingsStore::missingKeyGivesDefault()
{
    SettingsStore store;
    QCOMPARE(store.read(QStringLiteral("Combo1"), QStringLiteral("0")), QStringLiteral("0"));
    QVERIFY(store.read(QStringLiteral("Combo2")).isNull() || store.read(QStringLiteral("Combo2")).isEmpty());
    store.write(QStringLiteral("Combo2"), QString());
    // A stored empty value is a value, not an absent key.
    QCOMPARE(store.read(QStringLiteral("Combo2"), QStringLiteral("7")), QString());
}

void TestSettingsStore::writesReachDiskAtOnce()
{
    SettingsStore store;
    store.write(QStringLiteral("Combo1"), QStringLiteral("5"));
    // The per-user file under the XDG config folder, section Vellumtide, without waiting for a save.
    const QString expected =
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Quillmark/Vellumtide.conf"));
    QCOMPARE(store.fileName(), expected);
    QFile file(expected);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("[Vellumtide]"), text.constData());
    QVERIFY2(text.contains("Combo1=5"), text.constData());

    // A second copy of the program sees the value at once; the last write wins.
    SettingsStore other;
    other.write(QStringLiteral("Combo1"), QStringLiteral("6"));
    QCOMPARE(store.read(QStringLiteral("Combo1")), QStringLiteral("6"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
