// The DBXToEML executable as the program starts it: output equal to undbx's on the
// public samples, the naming and no-overwrite rules, odd paths, and the exit codes.
#include "DbxWriter.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QString converter()
{
    return TestSupport::binDir() + QStringLiteral("/DBXToEML");
}

// Contents of every .eml file below a folder (undbx writes into a subfolder), sorted.
QList<QByteArray> emlContents(const QString& folder)
{
    QList<QByteArray> out;
    QDirIterator it(folder, {QStringLiteral("*.eml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            out.append(f.readAll());
    }
    std::sort(out.begin(), out.end());
    return out;
}

QStringList emlNames(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Message count of each sample file, as the sample folder's MANIFEST.txt records it.
QHash<QString, int> manifestCounts()
{
    QHash<QString, int> counts;
    QFile f(TestSupport::testData(QStringLiteral("dbx/MANIFEST.txt")));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return counts;
    QString file;
    const QRegularExpression fileLine(QStringLiteral("^FILE: (\\S+)"));
    const QRegularExpression countLine(QStringLiteral("^messages extracted by undbx: (\\d+)"));
    while (!f.atEnd())
    {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (const auto m = fileLine.match(line); m.hasMatch())
            file = m.captured(1);
        else if (const auto c = countLine.match(line); c.hasMatch())
            counts.insert(file, c.captured(1).toInt());
    }
    return counts;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestDbxToEml : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameAsUndbx_data();
    void sameAsUndbx();
    void namesAndReruns();
    void exitCodes_data();
    void exitCodes();
    void damagedFileRecovers();
};

void TestDbxToEml::sameAsUndbx_data()
{
    QTest::addColumn<QString>("dbx");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("sample"); // the sample a row needs
    QTest::newRow("generated") << QString() << 700 << QString();
    const QString manifest = QStringLiteral("dbx/MANIFEST.txt");
    if (!TestSupport::missingTestData(manifest).isEmpty())
    {
        QTest::newRow("samples") << QString() << 0 << manifest; // skips, naming the folder
        return;
    }
    const QDir samples(TestSupport::testData(QStringLiteral("dbx")));
    const QStringList files = samples.entryList({QStringLiteral("*.dbx")}, QDir::Files, QDir::Name);
    const QHash<QString, int> counts = manifestCounts();
    QVERIFY2(!files.isEmpty() && counts.size() == files.size(), "sample .dbx files and MANIFEST.txt do not match");
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << samples.filePath(name) << counts.value(name, -1) << manifest;
}

void TestDbxToEml::sameAsUndbx()
{
    QFETCH(QString, dbx);
    QFETCH(int, count);
    QFETCH(QString, sample);
    if (!sample.isEmpty())
        VT_REQUIRE_TESTDATA(sample);
    const QString undbx = QStandardPaths::findExecutable(QStringLiteral("undbx"));
    QVERIFY2(!undbx.isEmpty(), "undbx is the oracle here; scripts/deps.sh --test installs it");
    QTemporaryDir work;
    if (dbx.isEmpty())
    {
        // Sizes around the 0x200 chunk room, a three-level index and an empty message.
        DbxWriter writer;
        for (int i = 0; i < count - 1; ++i)
            writer.addMessage(DbxWriter::sampleMessage(std::size_t(i) + 1, std::size_t(400 + (i * 37) % 1400)));
        writer.addMessage(std::string());
        dbx = work.filePath(QStringLiteral("Generated.dbx"));
        QVERIFY(writer.save(dbx.toStdString()));
    }
    QDir(work.path()).mkpath(QStringLiteral("ours"));
    QDir(work.path()).mkpath(QStringLiteral("theirs"));
    QByteArray out;
    QByteArray err;
    QCOMPARE(TestSupport::run(converter(), {dbx, work.filePath(QStringLiteral("ours"))}, &out, &err), 0);
    QVERIFY2(err.isEmpty(), err.constData());
    // Safe mode: undbx's names carry raw subject bytes otherwise, which are no valid file names here.
    QCOMPARE(TestSupport::run(undbx, {QStringLiteral("--safe-mode"), dbx, work.filePath(QStringLiteral("theirs"))}), 0);
    const QList<QByteArray> ours = emlContents(work.filePath(QStringLiteral("ours")));
    QCOMPARE(ours.size(), count);
    QCOMPARE(emlNames(work.filePath(QStringLiteral("ours"))).size(), count); // directly in the folder
    QVERIFY(ours == emlContents(work.filePath(QStringLiteral("theirs"))));
    if (count == 0)
        QVERIFY(out.contains("written"));
}

void TestDbxToEml::namesAndReruns()
{
    QTemporaryDir work;
    // Blanks, quotes and non-ASCII in both the .dbx path and the output folder.
    const QString inDir = work.filePath(QStringLiteral("Mail \"Sachen\" 'ü'"));
    const QString outDir = work.filePath(QStringLiteral("Aus gabe ç"));
    QVERIFY(QDir().mkpath(inDir) && QDir().mkpath(outDir));
    const QString inbox = inDir + QStringLiteral("/Posteingang ü.DBX");
    const QString sent = inDir + QStringLiteral("/Sent.dbx");
    DbxWriter a;
    for (int i = 1; i <= 3; ++i)
        a.addMessage(DbxWriter::sampleMessage(std::size_t(i), 900));
    QVERIFY(a.save(inbox.toStdString()));
    DbxWriter b;
    b.addMessage(DbxWriter::sampleMessage(77, 500));
    QVERIFY(b.save(sent.toStdString()));

    QCOMPARE(TestSupport::run(converter(), {inbox, outDir}), 0);
    const QStringList first = {QStringLiteral("Posteingang ü-00001.eml"), QStringLiteral("Posteingang ü-00002.eml"),
                               QStringLiteral("Posteingang ü-00003.eml")};
    QCOMPARE(emlNames(outDir), first);
    QCOMPARE(readFile(outDir + QStringLiteral("/Posteingang ü-00002.eml")),
             QByteArray::fromStdString(DbxWriter::sampleMessage(2, 900)));

    // A second folder into the same place adds its own files; a rerun changes nothing.
    QCOMPARE(TestSupport::run(converter(), {sent, outDir}), 0);
    QCOMPARE(TestSupport::run(converter(), {inbox, outDir}), 0);
    QCOMPARE(emlNames(outDir), first + QStringList{QStringLiteral("Sent-00001.eml")});

    // A file we did not write keeps its bytes; the message goes beside it.
    const QString foreign = outDir + QStringLiteral("/Posteingang ü-00001.eml");
    QVERIFY(writeFile(foreign, "not ours\n"));
    QByteArray out;
    QCOMPARE(TestSupport::run(converter(), {inbox, outDir}, &out), 0);
    QCOMPARE(readFile(foreign), QByteArray("not ours\n"));
    QCOMPARE(readFile(outDir + QStringLiteral("/Posteingang ü-00001_2.eml")),
             QByteArray::fromStdString(DbxWriter::sampleMessage(1, 900)));
    QCOMPARE(emlNames(outDir).size(), 5);
    QVERIFY(out.contains("identical files already there"));

    // A symlink planted under our name is neither followed nor replaced.
    const QString target = work.filePath(QStringLiteral("target"));
    QVERIFY(writeFile(target, "precious"));
    QVERIFY(QFile::link(target, outDir + QStringLiteral("/Sent-00001_2.eml")));
    QVERIFY(writeFile(outDir + QStringLiteral("/Sent-00001.eml"), "changed"));
    QCOMPARE(TestSupport::run(converter(), {sent, outDir}), 0);
    QCOMPARE(readFile(target), QByteArray("precious"));
    QCOMPARE(readFile(outDir + QStringLiteral("/Sent-00001_3.eml")),
             QByteArray::fromStdString(DbxWriter::sampleMessage(77, 500)));
}

void TestDbxToEml::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments"); // %D: a generated .dbx, %O: an empty folder, %T: a temp folder
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("files");
    const QString folders = TestSupport::testData(QStringLiteral("dbx/Folders.dbx"));
    QTest::newRow("ok") << QStringList{"%D", "%O"} << 0 << 2;
    if (TestSupport::missingTestData(QStringLiteral("dbx/Folders.dbx")).isEmpty())
        QTest::newRow("folder list writes nothing") << QStringList{folders, "%O"} << 0 << 0;
    QTest::newRow("too few arguments") << QStringList{"%D"} << 1 << 0;
    QTest::newRow("too many arguments") << QStringList{"%D", "%O", "x"} << 1 << 0;
    QTest::newRow("empty .dbx path") << QStringList{"", "%O"} << 2 << 0;
    QTest::newRow("missing .dbx") << QStringList{"%T/gone.dbx", "%O"} << 2 << 0;
    QTest::newRow(".dbx is a folder") << QStringList{"%T", "%O"} << 2 << 0;
    QTest::newRow("not a .dbx") << QStringList{"%T/text.dbx", "%O"} << 3 << 0;
    QTest::newRow("empty file") << QStringList{"%T/zero.dbx", "%O"} << 3 << 0;
    QTest::newRow("output folder missing") << QStringList{"%D", "%T/nowhere"} << 5 << 0;
    QTest::newRow("output is a file") << QStringList{"%D", "%T/text.dbx"} << 5 << 0;
    QTest::newRow("empty output path") << QStringList{"%D", ""} << 5 << 0;
    QTest::newRow("damaged") << QStringList{"%T/damaged.dbx", "%O"} << 4 << 2;
}

void TestDbxToEml::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(int, files);
    QTemporaryDir work;
    const QString outDir = work.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(outDir));
    DbxWriter writer;
    writer.addMessage(DbxWriter::sampleMessage(1, 700));
    writer.addMessage(DbxWriter::sampleMessage(2, 700));
    const QString dbx = work.filePath(QStringLiteral("Inbox.dbx"));
    QVERIFY(writer.save(dbx.toStdString()));
    QVERIFY(writeFile(work.filePath(QStringLiteral("text.dbx")), "From: a@b\r\n\r\nhello\r\n"));
    QVERIFY(writeFile(work.filePath(QStringLiteral("zero.dbx")), QByteArray()));
    // Damaged: the index root points nowhere, so both messages come from the scan.
    QByteArray damaged = readFile(dbx);
    damaged[0xE4] = char(0xFF);
    damaged[0xE7] = char(0x7F);
    QVERIFY(writeFile(work.filePath(QStringLiteral("damaged.dbx")), damaged));

    for (QString& a : arguments)
        a = a == QLatin1String("%D") ? dbx
                                     : a.replace(QLatin1String("%O"), outDir).replace(QLatin1String("%T"), work.path());
    QByteArray out;
    QByteArray err;
    QCOMPARE(TestSupport::run(converter(), arguments, &out, &err), code);
    QCOMPARE(emlNames(outDir).size(), files);
    if (code != 0)
    {
        // The reason is the last line on standard error.
        QVERIFY(err.startsWith("DBXToEML: ") || err.contains("\nDBXToEML: "));
        QVERIFY(err.endsWith('\n') && err.count('\n') == 1);
    }
    else
        QVERIFY(err.isEmpty());
}

void TestDbxToEml::damagedFileRecovers()
{
    QTemporaryDir work;
    DbxWriter writer;
    std::vector<std::string> messages;
    for (int i = 1; i <= 200; ++i)
    {
        messages.push_back(DbxWriter::sampleMessage(std::size_t(i), std::size_t(300 + i * 11)));
        writer.addMessage(messages.back());
    }
    const std::vector<std::uint8_t> bytes = writer.build();
    // Cut off the index at the end and half the last message's data: 199 survive.
    const std::size_t cut = writer.firstChunk(199) + 0x300;
    const QString dbx = work.filePath(QStringLiteral("Cut.dbx"));
    QVERIFY(writeFile(dbx, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(cut))));
    QByteArray err;
    QCOMPARE(TestSupport::run(converter(), {dbx, work.path()}, nullptr, &err), 4);
    QVERIFY(err.contains("damaged"));
    const QList<QByteArray> got = emlContents(work.path());
    QCOMPARE(got.size(), 200); // 199 whole and the start of the last
    for (std::size_t i = 0; i < 199; ++i)
        QVERIFY(got.contains(QByteArray::fromStdString(messages[i])));
}

QTEST_GUILESS_MAIN(TestDbxToEml)
#include "tst_dbxtoeml.moc"
