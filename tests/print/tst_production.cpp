// A court production through vellumtide-print: attachments on paper, production numbers,
// outline, citing list and load file, read back with poppler's and qpdf's own tools.
#include "TestSupport.h"
#include "Version.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QByteArray run(const QString& program, const QStringList& arguments, int* code = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(300000);
    if (code)
        *code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

QByteArray pdfWithText(const QString& text)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("Arial"), 14));
    painter.drawText(QPointF(200, 400), text);
    painter.end();
    return buffer.data();
}

QByteArray png()
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray part(const char* type, const char* name, const QByteArray& content)
{
    return QByteArray("--BOUNDARY\nContent-Type: ") + type + "\nContent-Disposition: attachment; filename=\"" + name +
           "\"\nContent-Transfer-Encoding: base64\n\n" + content.toBase64() + "\n";
}

QByteArray message(const QString& subject, const QString& body, const QByteArray& parts)
{
    return "From sender@example.org Mon Jan  6 09:00:00 2025\nFrom: Alice <alice@example.org>\n"
           "To: Bob <bob@example.org>\nSubject: " +
           subject.toUtf8() + "\nMessage-ID: <" + subject.toUtf8() +
           "@example.org>\nDate: Mon, 6 Jan 2025 09:00:00 +0100\nMIME-Version: 1.0\n"
           "Content-Type: multipart/mixed; boundary=BOUNDARY\n\n--BOUNDARY\nContent-Type: text/plain\n\n" +
           body.toUtf8() + "\n" + parts + "--BOUNDARY--\n\n";
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Two stores, the first message with a PDF, an image, a text, an office file and a blob;
// returns the blob.
QByteArray writeStores(const QTemporaryDir& dir)
{
    const QByteArray blob = QByteArray("\x00\x01\x02binary", 9).repeated(20);
    const QByteArray rtf = "{\\rtf1\\ansi Office words here\\par}";
    write(dir.filePath(QStringLiteral("one/Inbox")),
          message(QStringLiteral("Exhibit"), QStringLiteral("Message body one."),
                  part("application/pdf", "scan.pdf", pdfWithText(QStringLiteral("Words inside the PDF"))) +
                      part("image/png", "photo.png", png()) +
                      part("application/octet-stream", "notes.txt", "First line of notes\nSecond line of notes\n") +
                      part("application/rtf", "memo.rtf", rtf) + part("application/x-thing", "data.bin", blob)));
    write(dir.filePath(QStringLiteral("two/Sent")),
          message(QStringLiteral("Reply"), QStringLiteral("Message body two."), QByteArray()));
    return blob;
}

// Text of page `page` (from 1) of a PDF.
QString pageText(const QString& pdf, int page)
{
    return QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
}

int pageCount(const QString& pdf)
{
    const QJsonObject json =
        QJsonDocument::fromJson(run(QStringLiteral("qpdf"), {QStringLiteral("--json"), pdf})).object();
    return int(json.value(QStringLiteral("pages")).toArray().size());
}

QList<QStringList> csvRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    // Our fields hold no line breaks; quoted commas are read as RFC 4180 says.
    static const QRegularExpression field(QStringLiteral("(?:^|,)(\"(?:[^\"]|\"\")*\"|[^,]*)"));
    for (const QByteArray& line : file.readAll().split('\n'))
    {
        if (line.trimmed().isEmpty())
            continue;
        QStringList fields;
        for (auto it = field.globalMatch(QString::fromUtf8(line).chopped(1)); it.hasNext();)
        {
            QString value = it.next().captured(1);
            if (value.startsWith(u'"'))
                value = value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
            fields << value;
        }
        rows << fields;
    }
    return rows;
}

} // namespace

class TestProduction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void production_data();
    void production();
    void printerGetsOneJobWithTheAttachments();
    void programsSayTheirVersion_data();
    void programsSayTheirVersion();
};

void TestProduction::printerGetsOneJobWithTheAttachments()
{
    VT_REQUIRE_CUPS();
    QTemporaryDir dir;
    writeStores(dir);
    const int before = int(TestSupport::printedJobs(QStringLiteral("pdf1")).size());
    int code = -1;
    const QByteArray said = run(TestSupport::binDir() + QStringLiteral("/vellumtide-print"),
                                {QStringLiteral("--store"), dir.filePath(QStringLiteral("one")),
                                 QStringLiteral("--attachments"), QStringLiteral("--bates"), QStringLiteral("P-"),
                                 QStringLiteral("--printer"), QStringLiteral("pdf1"), QStringLiteral("--quiet")},
                                &code);
    QVERIFY2(code == 0, said.constData());
    const auto jobs = TestSupport::waitForJobs(QStringLiteral("pdf1"), before, 1);
    QCOMPARE(jobs.size(), 1);
    const QString text = TestSupport::pdfText(jobs[0].pdfPath);
    for (const char* expected : {"Message body one.", "Words inside the PDF", "Second line of notes", "P-000001"})
        QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(text));
    QTest::qWait(1000); // a second job would show now
    QCOMPARE(TestSupport::printedJobs(QStringLiteral("pdf1")).size(), before + 1);
}

void TestProduction::programsSayTheirVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("says");
    for (const char* program : {"vellumtide-print", "vellumtide-render", "DBXToEML", "vellumtide"})
        QTest::newRow(program) << program << "--version" << QStringLiteral("%1 %2\n").arg(program, VELLUMTIDE_VERSION);
    QTest::newRow("the window's usage instead of the window") << "vellumtide"
                                                              << "--help"
                                                              << "usage: vellumtide";
}

void TestProduction::programsSayTheirVersion()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(QString, says);
    QProcess process;
    process.start(TestSupport::binDir() + u'/' + program, {argument});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(process.readAllStandardOutput().startsWith(says.toUtf8()), qPrintable(program));
}

void TestProduction::production_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("one combined PDF") << "--combined";
    QTest::newRow("one PDF per message") << "--outdir";
}

void TestProduction::production()
{
    QFETCH(QString, output);
    QTemporaryDir dir;
    const bool office = !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
    if (!office)
        qInfo("soffice is not installed: the office attachment must give its placeholder page");
    const QByteArray blob = writeStores(dir);

    const QString target =
        output == u"--combined" ? dir.filePath(QStringLiteral("all.pdf")) : dir.filePath(QStringLiteral("out"));
    const QString load = dir.filePath(QStringLiteral("load.csv"));
    int code = -1;
    const QByteArray said =
        run(TestSupport::binDir() + QStringLiteral("/vellumtide-print"),
            {QStringLiteral("--store"), dir.filePath(QStringLiteral("one")), QStringLiteral("--store"),
             dir.filePath(QStringLiteral("two")), QStringLiteral("--attachments"), QStringLiteral("--bates"),
             QStringLiteral("ACME-"), QStringLiteral("--bates-start"), QStringLiteral("41"),
             QStringLiteral("--bates-digits"), QStringLiteral("5"), output, target, QStringLiteral("--load-file"), load,
             QStringLiteral("--quiet")},
            &code);
    QVERIFY2(code == 0, said.constData());

    // The load file: one row per message, whose files and pages carry its numbers in order.
    const QList<QStringList> rows = csvRows(load);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].mid(0, 6), (QStringList{"bates_begin", "bates_end", "file", "first_page", "last_page", "date"}));
    QCOMPARE(rows[1].value(5), QStringLiteral("2025-01-06T09:00:00+01:00"));
    QCOMPARE(rows[1].value(11), QStringLiteral("Exhibit@example.org"));
    QCOMPARE(rows[1].value(15), QStringLiteral("scan.pdf; photo.png; notes.txt; memo.rtf; data.bin"));
    QCOMPARE(rows[2].value(13), QStringLiteral("two"));
    QString texts; // every page of the production, in order
    qint64 number = 41;
    QStringList files;
    for (const QStringList& row : rows.mid(1))
        if (!files.contains(row[2]))
            files << row[2];
    for (const QString& file : files)
        for (int page = 1, pages = pageCount(file); page <= pages; ++page, ++number)
        {
            const QString text = pageText(file, page);
            QVERIFY2(text.contains(QStringLiteral("ACME-%1").arg(number, 5, 10, QLatin1Char('0'))),
                     qPrintable(QStringLiteral("%1 page %2: %3").arg(file).arg(page).arg(text)));
            texts += text;
            for (const QStringList& row : rows.mid(1))
                if (row[2] == file && row[3].toInt() == page)
                    QCOMPARE(row[0], QStringLiteral("ACME-%1").arg(number, 5, 10, QLatin1Char('0')));
        }
    QCOMPARE(rows[2][1], QStringLiteral("ACME-%1").arg(number - 1, 5, 10, QLatin1Char('0')));

    // Attachments after their message, each under its header, the next message after them.
    const QStringList order{"Message body one.",
                            "Attachment 1 of 5 to: Exhibit",
                            "Words inside the PDF",
                            "Attachment 3 of 5",
                            "Second line of notes",
                            office ? "Office words here" : "not installed",
                            "This attachment is not shown",
                            QCryptographicHash::hash(blob, QCryptographicHash::Sha256).toHex(),
                            "Message body two."};
    qsizetype at = 0;
    for (const QString& expected : order)
    {
        const qsizetype found = texts.indexOf(expected, at);
        QVERIFY2(found >= 0, qPrintable(expected + u'\n' + texts));
        at = found;
    }
    const QByteArray images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), files[0]});
    QVERIFY2(images.contains(" 120    80 "), images.constData());

    // The outline: one entry per message, one child per attachment.
    const QJsonObject json =
        QJsonDocument::fromJson(run(QStringLiteral("qpdf"), {QStringLiteral("--json"), files.last()})).object();
    const QJsonArray outline = json.value(QStringLiteral("outlines")).toArray();
    QCOMPARE(outline.size(), output == u"--combined" ? 2 : 1);
    QCOMPARE(outline[0][QStringLiteral("title")].toString(),
             output == u"--combined"
                 ? QStringLiteral("2025-01-06 09:00 \u00b7 Alice <alice@example.org> \u00b7 Exhibit")
                 : QStringLiteral("2025-01-06 09:00 \u00b7 Alice <alice@example.org> \u00b7 Reply"));
    if (output == u"--combined")
    {
        QCOMPARE(outline[0][QStringLiteral("kids")].toArray().size(), 5);
        // The list cites where each message starts.
        const QString list = pageText(files[0], 1);
        QVERIFY2(list.contains(rows[1][0]) && list.contains(rows[2][0]) && list.contains(QStringLiteral("Sent")),
                 qPrintable(list));
        QVERIFY(texts.contains(QStringLiteral("Document page 2")));
    }
    const QByteArray info = run(QStringLiteral("pdfinfo"), {files[0]});
    QVERIFY2(info.contains("vellumtide-print " VELLUMTIDE_VERSION), info.constData());

    // The same messages give the same hashes on another run.
    const QString again = dir.filePath(QStringLiteral("again.csv"));
    run(TestSupport::binDir() + QStringLiteral("/vellumtide-print"),
        {QStringLiteral("--store"), dir.filePath(QStringLiteral("one")), QStringLiteral("--store"),
         dir.filePath(QStringLiteral("two")), QStringLiteral("--combined"), dir.filePath(QStringLiteral("again.pdf")),
         QStringLiteral("--load-file"), again, QStringLiteral("--quiet")});
    const QList<QStringList> againRows = csvRows(again);
    QCOMPARE(againRows.size(), 3);
    QCOMPARE(againRows[1][12], rows[1][12]);
    QCOMPARE(againRows[2][12], rows[2][12]);
    QVERIFY(rows[1][12] != rows[2][12]);
}

QTEST_MAIN(TestProduction)
#include "tst_production.moc"
