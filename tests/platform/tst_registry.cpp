// The registry of a Wine prefix, read through modRegistry: the file format, the path
// syntax and the conversions by type.

#include "ScriptedDialogs.h"
#include "WinePrefix.h"
#include "WineRegistry.h"
#include "modRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QByteArray kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1\n\n#arch=win32\n\n";

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;

    // A prefix whose user.reg holds one key "Test" with the given lines.
    KeyedCollection valuesOf(const QByteArray& lines)
    {
        const QString prefix = m_dir.filePath(QStringLiteral("values"));
        if (!writeFile(prefix + QStringLiteral("/user.reg"), kHeader + "[Test] 1700000000\n#time=1d\n" + lines))
            qFatal("cannot write user.reg");
        WineRegistry registry{WinePrefix(prefix)};
        return modRegistry(registry, m_dialogs).EnumValues(QStringLiteral("HKEY_CURRENT_USER\\Test"));
    }

private Q_SLOTS:
    void init() { m_dialogs.shown.clear(); }

    void valuesConvertByType_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("string") << QByteArray("\"Name\"=\"Main Identity\"") << "Name" << QVariant(u"Main Identity"_qs);
        QTest::newRow("default value has no key") << QByteArray("@=\"x\"") << "" << QVariant(u"x"_qs);
        QTest::newRow("escapes") << QByteArray(R"("Quote \"q\""="C:\\a\\b \"c\" tab\tend\x00e9\101")") << "Quote \"q\""
                                 << QVariant(u"C:\\a\\b \"c\" tab\tend\u00e9A"_qs);
        QTest::newRow("expandable stays unexpanded")
            << QByteArray(R"("Store Root"=str(2):"%UserProfile%\\Local Settings\\OE")") << "Store Root"
            << QVariant(u"%UserProfile%\\Local Settings\\OE"_qs);
        QTest::newRow("expandable as hex") << QByteArray("\"Path\"=hex(2):25,00,55,00,25,00,5c,00,\\\n  78,00,00,00")
                                           << "Path" << QVariant(u"%U%\\x"_qs);
        QTest::newRow("number") << QByteArray("\"Count\"=dword:0000002a") << "Count" << QVariant(qint32(42));
        QTest::newRow("negative number") << QByteArray("\"Minus\"=dword:ffffffff") << "Minus" << QVariant(qint32(-1));
        QTest::newRow("number as hex(4)") << QByteArray("\"N\"=hex(4):01,01,00,00") << "N" << QVariant(qint32(257));
        QTest::newRow("binary with continuation")
            << QByteArray("\"Bin\"=hex:41,00,ff,\\\n  42,\\\n  43") << "Bin" << QVariant(u"A\u0000\u00ffBC"_qs);
        QTest::newRow("empty binary") << QByteArray("\"E\"=hex:") << "E" << QVariant(QString());
        QTest::newRow("CR LF lines") << QByteArray("\"W\"=\"dos\"\r") << "W" << QVariant(u"dos"_qs);
    }

    void valuesConvertByType()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        QFETCH(QVariant, expected);
        const KeyedCollection values = valuesOf(line + "\n");
        QCOMPARE(values.count(), 1);
        QCOMPARE(values.key(1), name);
        QCOMPARE(values.item(1), expected);
        QCOMPARE(values.item(1).typeId(), expected.typeId());
    }

    void damagedLinesAreSkipped()
    {
        // Whatever cannot be read leaves the lines around it readable.
        const KeyedCollection values = valuesOf("\"A\"=\"1\"\n"
                                                "\"Unterminated=\"x\"\n"
                                                "\"B\"=dword:zz\n"
                                                "\"C\"=str(2):\"open\n"
                                                "\"D\"=nonsense\n"
                                                "\"a\"=\"again\"\n"
                                                "\"E\"=hex:01,0\n"
                                                "\"F\"=\"2\"\n");
        QCOMPARE(values.count(), 3);
        QCOMPARE(values.item(u"A"_qs), QVariant(u"again"_qs)); // a repeated name takes the later data
        QCOMPARE(values.item(u"E"_qs), QVariant(u"\u0001"_qs));
        QCOMPARE(values.key(3), u"F"_qs);
    }

    void keysEnumerateSortedAndLookUpIgnoringCase()
    {
        const QString prefix = m_dir.filePath(QStringLiteral("order"));
        QVERIFY(writeFile(prefix + QStringLiteral("/user.reg"), kHeader + "[Identities\\\\zeta] 1\n"
                                                                          "[Identities\\\\Alpha] 1\n"
                                                                          "[Identities\\\\b_x] 1\n"
                                                                          "[Identities\\\\BB] 1\n"
                                                                          "[Identities\\\\br\\]acket] 1\n"
                                                                          "[Identities\\\\Alpha\\\\Deep\\\\Deeper] 1\n"
                                                                          "\"Z\"=\"last\"\n\"a\"=\"first\"\n"
                                                                          "[identities\\\\ALPHA\\\\deep\\\\deeper] 1\n"
                                                                          "\"m\"=\"merged\"\n"));
        WineRegistry registry{WinePrefix(prefix)};
        modRegistry reader(registry, m_dialogs);
        const KeyedCollection keys = reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER\\Identities"));
        QStringList names;
        for (int i = 1; i <= keys.count(); ++i)
            names.append(keys.item(i).toString());
        // Wine's order compares upper-case letters: "BB" before "B_X", "]" after letters.
        QCOMPARE(names, (QStringList{u"Alpha"_qs, u"BB"_qs, u"br]acket"_qs, u"b_x"_qs, u"zeta"_qs}));
        QCOMPARE(keys.item(u"ALPHA"_qs), QVariant(u"Alpha"_qs));

        const KeyedCollection values =
            reader.EnumValues(QStringLiteral("HKEY_CURRENT_USER\\identities\\alpha\\DEEP\\Deeper"));
        QCOMPARE(values.count(), 3);
        QCOMPARE(values.item(1), QVariant(u"last"_qs));
        QCOMPARE(values.item(u"M"_qs), QVariant(u"merged"_qs));
        QVERIFY_THROWS_EXCEPTION(std::exception, values.item(u"missing"_qs));

        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER\\Identities\\zeta")).count(), 0);
        QCOMPARE(reader.EnumValues(QStringLiteral("HKEY_CURRENT_USER\\Identities")).count(), 0);
        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER")).item(1), QVariant(u"Identities"_qs));
        QVERIFY(m_dialogs.shown.isEmpty());

        // The file is read once for many keys, and again once Wine has changed it.
        QVERIFY(writeFile(prefix + QStringLiteral("/user.reg"), kHeader + "[Identities\\\\Omega] 1\n"));
        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER\\Identities")).item(1), QVariant(u"Omega"_qs));
    }

    void pathsParseByTheirRootName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("wellFormed");
        QTest::addColumn<quint32>("root");
        QTest::addColumn<QString>("subKey");
        QTest::newRow("root alone") << "HKEY_CURRENT_USER" << true << 0x80000001u << "";
        QTest::newRow("nested") << "HKEY_LOCAL_MACHINE\\Software\\Wine" << true << 0x80000002u << "Software\\Wine";
        QTest::newRow("classes") << "HKEY_CLASSES_ROOT\\.eml" << true << 0x80000000u << ".eml";
        QTest::newRow("users") << "HKEY_USERS" << true << 0x80000003u << "";
        QTest::newRow("performance") << "HKEY_PERFORMANCE_DATA" << true << 0x80000004u << "";
        QTest::newRow("config") << "HKEY_CURRENT_CONFIG\\x" << true << 0x80000005u << "x";
        QTest::newRow("dyn data") << "HKEY_DYN_DATA\\x" << true << 0x80000006u << "x";
        QTest::newRow("unknown root") << "HKEY_NOWHERE\\x" << true << 0u << "x";
        QTest::newRow("no prefix") << "Software\\Microsoft\\Outlook Express" << false << 0u << "";
        QTest::newRow("lower-case root") << "hkey_current_user\\Identities" << false << 0u << "";
        QTest::newRow("trailing backslash") << "HKEY_CURRENT_USER\\Identities\\" << false << 0u << "";
        QTest::newRow("empty") << "" << false << 0u << "";
    }

    void pathsParseByTheirRootName()
    {
        QFETCH(QString, path);
        QFETCH(bool, wellFormed);
        QFETCH(quint32, root);
        QFETCH(QString, subKey);
        WineRegistry registry{WinePrefix(m_dir.filePath(QStringLiteral("none")))};
        modRegistry reader(registry, m_dialogs);
        QString parsed = path;
        quint32 handle = 1;
        QCOMPARE(reader.ParseKeyPath(parsed, handle), wellFormed);
        QCOMPARE(handle, root);
        if (wellFormed)
        {
            QCOMPARE(parsed, subKey);
            QVERIFY(m_dialogs.shown.isEmpty());
        }
        else
        {
            QCOMPARE(m_dialogs.texts(), QStringList{u"Incorrect Format:\n\n"_qs + path});
            QCOMPARE(m_dialogs.shown[0].icon, Dialogs::Icon::None);
        }
        // The enumerations parse a copy; a bad path gives one more message and nothing else.
        m_dialogs.shown.clear();
        QCOMPARE(reader.EnumSubKeys(path).count(), 0);
        QCOMPARE(reader.EnumValues(path).count(), 0);
        QCOMPARE(m_dialogs.shown.size(), wellFormed ? 0 : 2);
    }

    void missingPrefixIsAnEmptyRegistry()
    {
        const QString prefix = m_dir.filePath(QStringLiteral("absent"));
        WineRegistry registry{WinePrefix(prefix)};
        modRegistry reader(registry, m_dialogs);
        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER")).count(), 0);
        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER\\Identities")).count(), 0);
        QCOMPARE(reader.EnumValues(QStringLiteral("HKEY_LOCAL_MACHINE\\Software")).count(), 0);
        QVERIFY(!QFileInfo::exists(prefix)); // reading never creates anything
        // A file without the version line is no registry file.
        QVERIFY(writeFile(prefix + QStringLiteral("/user.reg"), "REGEDIT4\n[Identities]\n\"a\"=\"b\"\n"));
        QCOMPARE(reader.EnumSubKeys(QStringLiteral("HKEY_CURRENT_USER")).count(), 0);
    }

    void windowsPathsBecomeRealPaths_data()
    {
        QTest::addColumn<QString>("windowsPath");
        QTest::addColumn<QString>("expected"); // relative to the prefix; "=" means unchanged
        QTest::newRow("drive c") << "C:\\users\\me\\Mail\\"
                                 << "drive_c/users/me/Mail/";
        QTest::newRow("other letter case") << "c:\\USERS\\ME\\mail"
                                           << "drive_c/users/me/Mail";
        QTest::newRow("missing below an existing folder") << "C:\\users\\me\\New\\Sub"
                                                          << "drive_c/users/me/New/Sub";
        QTest::newRow("unknown drive") << "Q:\\x"
                                       << "=";
        QTest::newRow("not a path") << "%userprofile%\\Local Settings"
                                    << "=";
        QTest::newRow("registry text") << "HKEY_CURRENT_USER\\Identities"
                                       << "=";
        QTest::newRow("posix path") << "/tmp\\a b"
                                    << "/tmp/a b";
    }

    void windowsPathsBecomeRealPaths()
    {
        QFETCH(QString, windowsPath);
        QFETCH(QString, expected);
        const QString prefix = m_dir.filePath(QStringLiteral("paths"));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/drive_c/users/me/Mail")));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/dosdevices")));
        QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
        const WinePrefix wine(QDir(prefix).canonicalPath());
        const QString want = expected == u"="            ? windowsPath
                             : expected.startsWith(u'/') ? expected
                                                         : wine.folder() + u'/' + expected;
        QCOMPARE(wine.toRealPath(windowsPath), want);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
