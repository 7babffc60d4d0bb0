// The vellumtide-render command line: files to PDFs or print jobs, exit codes, failure lines.

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class tst_RenderTool : public QObject
{
    Q_OBJECT

private:
    static QString tool() { return QDir(TestSupport::binDir()).filePath(QStringLiteral("vellumtide-render")); }
    static QString sample(const char* name)
    {
        return TestSupport::testData(QStringLiteral("eml/") + QLatin1String(name));
    }

private Q_SLOTS:
    void rendersEachFileToPdf()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        QTemporaryDir out;
        QTemporaryDir in;
        const QString mht = in.filePath(QStringLiteral("german.eml.mht"));
        QVERIFY(QFile::copy(sample("mimetools_german.eml"), mht));
        QByteArray err;
        QCOMPARE(TestSupport::run(tool(),
                                  {QStringLiteral("--outdir"), out.path(), mht, sample("tika_testRFC822_quoted.eml")},
                                  nullptr, &err),
                 0);
        QVERIFY2(err.trimmed().isEmpty() || !err.contains("vellumtide-render:"), err.constData());
        QVERIFY(TestSupport::pdfText(out.filePath(QStringLiteral("german.eml.mht.pdf")))
                    .contains(QStringLiteral("Verfügung")));
        QVERIFY(TestSupport::pdfText(out.filePath(QStringLiteral("tika_testRFC822_quoted.eml.pdf")))
                    .contains(QStringLiteral("Düsseldorf")));

        // --stats: one line per file with its time and the memory left after it (the benchmark reads them).
        QByteArray stats;
        QCOMPARE(
            TestSupport::run(tool(), {QStringLiteral("--stats"), QStringLiteral("--outdir"), out.path(), mht}, &stats),
            0);
        static const QRegularExpression line(QStringLiteral("^stats: german\\.eml\\.mht \\d+ ms [1-9]\\d* KiB$"),
                                             QRegularExpression::MultilineOption);
        QVERIFY2(line.match(QString::fromUtf8(stats)).hasMatch(), stats.constData());
    }

    void eastAsianLettersReachThePaper()
    {
        // Readable only when a font with these letters is installed; missing glyphs
        // would come out as empty boxes that pdftotext cannot read back.
        QTemporaryDir dir;
        QFile eml(dir.filePath(QStringLiteral("japanese.eml")));
        QVERIFY(eml.open(QIODevice::WriteOnly));
        eml.write("From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nTo: a@example.org\r\n"
                  "Subject: =?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=\r\nMIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                  "\x1b\x24\x42\x46\x7c\x4b\x5c\x38\x6c\x1b\x28\x42\r\n");
        eml.close();
        QCOMPARE(TestSupport::run(tool(), {QStringLiteral("--outdir"), dir.path(), eml.fileName()}), 0);
        const QString text = TestSupport::pdfText(dir.filePath(QStringLiteral("japanese.eml.pdf")));
        QVERIFY2(text.contains(QStringLiteral("日本語")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("山田")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("てすと")), qPrintable(text));
    }

    void failuresAreReportedPerFile()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        QTemporaryDir out;
        QByteArray err;
        const QString missing = out.filePath(QStringLiteral("missing.eml"));
        QCOMPARE(TestSupport::run(
                     tool(),
                     {QStringLiteral("--outdir"), out.path(), missing, sample("mime4j_basic-plain.eml"), out.path()},
                     nullptr, &err),
                 1);
        const QStringList lines =
            QString::fromUtf8(err).split(u'\n', Qt::SkipEmptyParts).filter(QStringLiteral("vellumtide-render:"));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains(missing));
        QVERIFY(lines[1].contains(out.path()));
        QVERIFY(
            QFile::exists(out.filePath(QStringLiteral("mime4j_basic-plain.eml.pdf")))); // the good one still rendered

        // What is not mail is refused, stores pointed to the tool that reads them; and no Qt
        // notes about the missing runtime folder.
        const QString binary = out.filePath(QStringLiteral("image.bin"));
        QFile file(binary);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)) > 0);
        file.close();
        const QString store = TestSupport::testData(QStringLiteral("pst/sample1.pst"));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(TestSupport::run(tool(), {QStringLiteral("--outdir"), out.path(), binary, store}, nullptr, &err), 1);
        const QStringList refused = QString::fromUtf8(err).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(refused.size(), QFile::exists(store) ? 2 : 1);
        for (const QString& line : refused)
            QVERIFY2(line.startsWith(QStringLiteral("vellumtide-render: ")) &&
                         line.contains(QStringLiteral("is not a mail message")) &&
                         line.contains(QStringLiteral("vellumtide-print --store")),
                     qPrintable(line));
        QVERIFY(QDir(out.path()).entryList({QStringLiteral("*.bin.pdf"), QStringLiteral("*.pst*.pdf")}).isEmpty());

        QCOMPARE(TestSupport::run(tool(), {}), 2);
        QCOMPARE(TestSupport::run(tool(), {QStringLiteral("--no-such-option"), sample("mime4j_basic-plain.eml")}), 2);
    }

    // Each message of the call gets its own output, whatever the names of the inputs.
    void outputsOfOneCall_data()
    {
        using Files = QList<QPair<QString, QByteArray>>;
        QTest::addColumn<Files>("inputs");
        QTest::addColumn<Files>("outputs");  // PDF name and a text it must hold
        QTest::addColumn<Files>("existing"); // already in the output folder; must stay as it is
        QByteArray nested = "Subject: deep\nContent-Type: multipart/mixed; boundary=b0\n\n--b0\n"
                            "Content-Type: text/plain\n\nouter words\n";
        for (int i = 0; i < 60; ++i)
            nested +=
                QStringLiteral("--b%1\nContent-Type: multipart/mixed; boundary=b%2\n\n").arg(i).arg(i + 1).toUtf8();
        nested += "--b60\nContent-Type: text/plain\n\ninnermost\n";
        QTest::newRow("same name in two folders")
            << Files{{"a/1.eml", "Subject: first\n\nbody of a\n"}, {"b/1.eml", "Subject: second\n\nbody of b\n"}}
            << Files{{"1.eml.pdf", "body of a"}, {"1.eml-2.pdf", "body of b"}} << Files{};
        QTest::newRow("an earlier run's pdf is kept")
            << Files{{"1.eml", "Subject: new\n\nnew body\n"}} << Files{{"1.eml-2.pdf", "new body"}}
            << Files{{"1.eml.pdf", "earlier output"}};
        QTest::newRow("mbox gives one pdf per message")
            << Files{{"in.mbox", "From a@x Tue Dec  8 10:00:00 2026\nSubject: one\n\nfirst message\n>From here\n\n"
                                 "From b@x Tue Dec  8 11:00:00 2026\nSubject: two\n\nsecond message\n"}}
            << Files{{"in.mbox-1.pdf", "first message"},
                     {"in.mbox-1.pdf", "From here"},
                     {"in.mbox-2.pdf", "second message"}}
            << Files{};
        QTest::newRow("nesting too deep says so")
            << Files{{"deep.eml", nested}}
            << Files{{"deep.eml.pdf", "outer words"}, {"deep.eml.pdf", "content nested too deeply was left out"}}
            << Files{};
        QTest::newRow("NUL in a header keeps the rest")
            << Files{{"nul.eml", QByteArray("Subject: left") + '\0' + QByteArray("right part\n\nbody\n")}}
            << Files{{"nul.eml.pdf", "right part"}} << Files{};
    }

    void outputsOfOneCall()
    {
        using Files = QList<QPair<QString, QByteArray>>;
        QFETCH(Files, inputs);
        QFETCH(Files, outputs);
        QFETCH(Files, existing);
        QTemporaryDir in;
        QTemporaryDir out;
        for (const auto& [name, bytes] : existing)
        {
            QFile file(out.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            outputs << qMakePair(name, QByteArray());
        }
        QStringList args{QStringLiteral("--outdir"), out.path()};
        for (const auto& [name, bytes] : inputs)
        {
            const QString path = in.filePath(name);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            args << path;
        }
        QByteArray err;
        QCOMPARE(TestSupport::run(tool(), args, nullptr, &err), 0);
        QSet<QString> expectedFiles;
        for (const auto& [pdf, word] : outputs)
        {
            expectedFiles << pdf;
            if (word.isEmpty())
                continue;
            const QString text = TestSupport::pdfText(out.filePath(pdf)).simplified();
            QVERIFY2(text.contains(QString::fromUtf8(word)), qPrintable(pdf + QStringLiteral(": ") + text));
        }
        const QStringList written = QDir(out.path()).entryList(QDir::Files);
        QCOMPARE(QSet<QString>(written.begin(), written.end()), expectedFiles);
        for (const auto& [name, bytes] : existing)
        {
            QFile file(out.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
        }
    }

    void printsOneJobPerFile()
    {
        VT_REQUIRE_CUPS();
        VT_REQUIRE_TESTDATA(QStringLiteral("eml"));
        const int before1 = TestSupport::printedJobs(QStringLiteral("pdf1")).size();
        const int before2 = TestSupport::printedJobs(QStringLiteral("pdf2")).size();
        // No per-user default here: the server's default, pdf1.
        QCOMPARE(TestSupport::run(tool(), {QStringLiteral("--printer"), sample("mimetools_german.eml"),
                                           sample("mime4j_basic-plain.eml")}),
                 0);
        const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before1, 2);
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs[0].title, QStringLiteral("Re: 34Mbit/s Netz"));
        QCOMPARE(jobs[1].title, QStringLiteral("Simple Subject"));

        QCOMPARE(TestSupport::run(
                     tool(), {QStringLiteral("--printer"), QStringLiteral("pdf2"), sample("mime4j_basic-plain.eml")}),
                 0);
        QCOMPARE(TestSupport::waitForJobs(QStringLiteral("pdf2"), before2, 1).size(), 1);
        QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf1")).size(), before1 + 2);
    }
};

QTEST_MAIN(tst_RenderTool)
#include "tst_RenderTool.moc"
