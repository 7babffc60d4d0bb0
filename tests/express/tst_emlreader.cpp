// The .eml header reader and the message list it fills.

#include "Express1.h"
#include "FileUtilities.h"
#include "ReportListModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace
{

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QList<QStringList> rowsOf(const ReportListModel& grid)
{
    QList<QStringList> rows;
    for (int row = 0; row < grid.rowCount(); ++row)
        rows.append({grid.text(row, 0), grid.text(row, 1), grid.text(row, 2), grid.text(row, 3)});
    return rows;
}

} // namespace

class TestEmlReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerValues_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        const QByteArray message = "From: Ann <ann@example.org>\r\nTo:   bob@example.org  \r\nSubject:\t Folded\r\n"
                                   " second line\r\nDate: Mon, 10 Feb 2025 16:23:52 -0300\r\n\r\nTo: body line\r\n";
        QTest::newRow("first match") << message << "From"
                                     << "Ann <ann@example.org>";
        QTest::newRow("blanks trimmed, tabs kept") << message << "Subject"
                                                   << "\t Folded";
        QTest::newRow("spaces trimmed") << message << "To"
                                        << "bob@example.org";
        QTest::newRow("folded header gives its first line") << message << "Date"
                                                            << "Mon, 10 Feb 2025 16:23:52 -0300";
        QTest::newRow("other letter case not found") << QByteArray("DATE: x\r\ndate: y\r\n") << "Date"
                                                     << "";
        QTest::newRow("body line supplies a missing header")
            << QByteArray("From: a\r\nDate: d\r\n\r\nTo: from the body\r\n") << "To"
            << "from the body";
        QTest::newRow("bare line feeds make one line") << QByteArray("Date: d\nFrom: a\n") << "Date"
                                                       << "d\nFrom: a\n";
        QTest::newRow("only the very first line can match") << QByteArray("X: 1\nDate: d\n") << "Date"
                                                            << "";
        QTest::newRow("blank value") << QByteArray("Subject:     \r\n") << "Subject"
                                     << "";
        QTest::newRow("name must be followed by the colon") << QByteArray("Dates: x\r\nDate : y\r\n") << "Date"
                                                            << "";
        QTest::newRow("empty text") << QByteArray() << "Date"
                                    << "";
        QTest::newRow("lone CR is no line end") << QByteArray("Date: a\rTo: b\r\n") << "To"
                                                << "";
    }

    void headerValues()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QCOMPARE(Express1::GetHeaderValue(QString::fromLatin1(text), name), value);
    }

    void readTextFileGivesOneCharacterPerByte()
    {
        QTemporaryDir dir;
        const QByteArray bytes("\xff\xfeSubject: \xe9t\xe9\r\n\x00\x80", 19);
        QVERIFY(writeFile(dir.filePath(u"bom.eml"_qs), bytes));
        QVERIFY(writeFile(dir.filePath(u"empty.eml"_qs), QByteArray()));
        const QString text = Express1::ReadTextFile(dir.filePath(u"bom.eml"_qs));
        QCOMPARE(text.size(), bytes.size());
        QCOMPARE(text, QString::fromLatin1(bytes));
        QCOMPARE(Express1::ReadTextFile(dir.filePath(u"empty.eml"_qs)), u"empty file"_qs);
        QCOMPARE(Express1::ReadTextFile(dir.filePath(u"missing.eml"_qs)), QString());
    }

    void listEmlFilesKeepsRowsAndNamesInStep()
    {
        QTemporaryDir dir;
        const QByteArray crlf =
            "From: Ann\r\nTo: Bob\r\nSubject: Hello\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\nbody\r\n";
        QVERIFY(writeFile(dir.filePath(u"a.eml"_qs), crlf));
        QVERIFY(writeFile(dir.filePath(u"b.eml"_qs), "From: Cy\r\nSubject: no date\r\n\r\n"));
        QVERIFY(writeFile(dir.filePath(u"c.eml"_qs), "DATE: upper case\r\nFrom: Di\r\n"));
        QVERIFY(writeFile(dir.filePath(u"d.eml"_qs), QByteArray()));
        QVERIFY(writeFile(dir.filePath(u"e.eml"_qs), "Date: first line\nFrom: lf only\n"));
        QVERIFY(writeFile(dir.filePath(u"f.eml"_qs), "From: Eve\r\nSubject:   \r\nDate: d\r\n\r\nTo: body\r\n"));
        // The work folder holds only the converter's files: a hidden one (from a .dbx whose
        // name starts with a dot) and one in capitals are messages too, as deletion takes them.
        QVERIFY(writeFile(dir.filePath(u".Saved-00001.eml"_qs), crlf));
        QVERIFY(writeFile(dir.filePath(u"UP.EML"_qs), crlf));
        QVERIFY(writeFile(dir.filePath(u"g.txt"_qs), crlf));

        ReportListModel grid;
        for (int i = 0; i < 4; ++i)
            grid.addColumn(QString::number(i), 1500);
        grid.addRow({u"earlier"_qs});
        QStringList names{u"earlier.eml"_qs};
        Express1::ListEmlFiles(dir.path(), grid, names);
        const QStringList ann{u"Ann"_qs, u"Bob"_qs, u"Hello"_qs, u"Mon, 1 Jan 2024 10:00:00 +0000"_qs};
        const QList<QStringList> expected{
            {u"earlier"_qs, QString(), QString(), QString()},
            ann,
            ann,
            ann,
            {QString(), QString(), QString(), u"first line\nFrom: lf only\n"_qs},
            {u"Eve"_qs, u"body"_qs, QString(), u"d"_qs},
        };
        QCOMPARE(rowsOf(grid), expected);
        QCOMPARE(names, (QStringList{u"earlier.eml"_qs, u".Saved-00001.eml"_qs, u"UP.EML"_qs, u"a.eml"_qs, u"e.eml"_qs,
                                     u"f.eml"_qs}));
        FileUtilities::DeleteFiles(dir.path(), u"*.eml"_qs);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"g.txt"_qs});

        // Listed again, a message already in the list is not added a second time.
        QVERIFY(writeFile(dir.filePath(u"b2.eml"_qs), crlf));
        QVERIFY(writeFile(dir.filePath(u"a.eml"_qs), crlf));
        Express1::ListEmlFiles(dir.path(), grid, names);
        QCOMPARE(names.size(), 7);
        QCOMPARE(names.last(), u"b2.eml"_qs);
        QCOMPARE(grid.rowCount(), 7);

        // Nothing from a missing folder, nor from the current one for an empty path.
        QTemporaryDir empty;
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        for (const QString& folder : {empty.path(), empty.filePath(u"missing"_qs), QString(), u"."_qs})
            Express1::ListEmlFiles(folder, grid, names);
        QDir::setCurrent(before);
        QCOMPARE(grid.rowCount(), 7);
    }

    void unreadableFileStopsTheListingButKeepsEarlierRows()
    {
        // A folder cannot be read as a message, not even by root.
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"a.eml"_qs), "Date: 1\r\n"));
        QVERIFY(QDir(dir.path()).mkdir(u"b.eml"_qs));
        QVERIFY(writeFile(dir.filePath(u"c.eml"_qs), "Date: 3\r\n"));
        ReportListModel grid;
        grid.addColumn(u"From"_qs, 1);
        QStringList names;
        QVERIFY_THROWS_EXCEPTION(std::exception, Express1::ListEmlFiles(dir.path(), grid, names));
        QCOMPARE(names, QStringList{u"a.eml"_qs});
        QCOMPARE(grid.rowCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestEmlReader)
#include "tst_emlreader.moc"
