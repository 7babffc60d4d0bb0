// Every public sample message rendered to PDF and read back with pdftotext.

#include "MessageDocument.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Render;

class tst_SampleRendering : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_out;
    QHash<QString, QString> m_subjects; // from the MANIFEST, measured by another parser
    QHash<QString, QString> m_texts;    // pdftotext of each rendered sample

    static QString squeeze(QString text) { return text.remove(QRegularExpression(QStringLiteral("\\s+"))); }

    QString pdfOf(const QString& name) const { return QDir(m_out.path()).filePath(name + QStringLiteral(".pdf")); }

    QString textOf(const QString& name)
    {
        if (!m_texts.contains(name))
            m_texts.insert(name, TestSupport::pdfText(pdfOf(name)));
        return m_texts.value(name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        VT_REQUIRE_TESTDATA(QStringLiteral("eml/MANIFEST.txt"));
        QVERIFY(m_out.isValid());
        QFile manifest(TestSupport::testData(QStringLiteral("eml/MANIFEST.txt")));
        QVERIFY2(manifest.open(QIODevice::ReadOnly), "the sample folder is not configured");
        static const QRegularExpression line(QStringLiteral(R"re(^(\S+\.eml) \|.*? \| subject="(.*)" \| [a-z]+/)re"));
        for (const QString& l : QString::fromUtf8(manifest.readAll()).split(u'\n'))
        {
            const auto m = line.match(l);
            if (m.hasMatch())
                m_subjects.insert(m.captured(1), m.captured(2));
        }
        QVERIFY(m_subjects.size() >= 60);
    }

    void everySample_data()
    {
        QTest::addColumn<QString>("name");
        const QDir dir(TestSupport::testData(QStringLiteral("eml")));
        for (const QString& name : dir.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << name;
    }

    // None fails, each PDF is readable and carries the subject as another parser decodes it.
    void everySample()
    {
        QFETCH(QString, name);
        Message message;
        QString error;
        QVERIFY2(MimeReader::readFile(TestSupport::testData(QStringLiteral("eml/") + name), message, &error),
                 qPrintable(error));
        QVERIFY2(MessagePrinter::toPdf(message, pdfOf(name), QPageSize(QPageSize::A4), &error), qPrintable(error));
        const QString text = textOf(name);
        QVERIFY2(text.contains(QStringLiteral("Page 1 of ")), qPrintable(text.left(300)));
        const QString subject = m_subjects.value(name);
        // The other parser left undecodable raw 8-bit subjects as U+FFFD; those are checked below.
        if (!subject.contains(QChar(0xFFFD)))
            QVERIFY2(squeeze(text).contains(squeeze(subject)),
                     qPrintable(subject + QStringLiteral(" not in\n") + text.left(500)));
        QVERIFY(!text.contains(QStringLiteral("Ã¤")) && !text.contains(QStringLiteral("Ã¼"))); // UTF-8 read as Latin-1
    }

    void bodies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, QStringList expected) {
            QTest::newRow(name) << QString::fromLatin1(name) << expected;
        };
        // Decoded letters: quoted-printable ISO-8859-1, base64, RFC 2047 headers, raw 8-bit headers.
        row("mimetools_german.eml", {QStringLiteral("Temme steht der POP schon zur Verfügung!")});
        row("tika_testRFC822_base64.eml", {QStringLiteral("with international characters, voilà!")});
        row("tika_testRFC822_quoted.eml", {QStringLiteral("Düsseldorf has non-ascii")});
        row("mailparser_spam.eml", {QStringLiteral("„asozialer Penner“"), QStringLiteral("Straße")});
        row("mimetools_intl.eml",
            {QStringLiteral("Keld Jørn Simonsen"), QStringLiteral("André Pirard"), QStringLiteral("How's this?")});
        row("mimetools_russian.eml", {QStringLiteral("Список.doc"), QStringLiteral("Salutations")});
        row("tika_testRFC822-ARC.eml", {QStringLiteral("Facture à regler"), QStringLiteral("Simple body")});
        row("tika_testRFC822_eml.eml", {QStringLiteral("Philipp Steinkrüger")});
        row("mimetools_attachment-filename-encoding-UTF8.eml", {QStringLiteral("attachment.äöü")});
        row("tika_testRFC822-mixed-with-pdf-inline.eml", {QStringLiteral("I don’t see any content on it")});
        // Attachment names in the header block.
        row("mailparser_nodemailer.eml",
            {QStringLiteral("Nodemailer is unicode friendly ✔"), QStringLiteral("nyan cat ✔.gif"),
             QStringLiteral("notes.txt"), QStringLiteral("Here's a nyan cat for you")});
        row("mimetools_multi-weirdspace.eml", {QStringLiteral("3d-compress.gif"), QStringLiteral("3d-eye.gif")});
        row("tika_testRFC822-mixed-simple.eml", {QStringLiteral("mary-coffee.jpg")});
        row("aspose_email-headers.eml", {QStringLiteral("License.txt")});
        // Plain, HTML, flowed and odd structures.
        row("mime4j_basic-plain.eml", {QStringLiteral("This is a very simple message")});
        row("aspose_Message.eml", {QStringLiteral("This line is in bold.")});
        row("tika_testEmailWithPNGAtt.eml", {QStringLiteral("This email has a PNG attachment included in it")});
        row("mimekit_epilogue.eml", {QStringLiteral("NeXTstep, NeXTSTEP, NEXTSTEP")});
        row("mime4j_misplaced-boundary.eml", {QStringLiteral("including the --boundary")});
        row("mimekit_delivery-status.eml", {QStringLiteral("Final-Recipient: RFC822; newsletter-request@imusic.com")});
        row("mimetools_bluedot-postcard.eml", {QStringLiteral("Having a wonderful time")});
        row("tika_testRFC822_dkim.eml", {QStringLiteral("We lost the game. Are you hungry yet?")});
        row("dzw_TestEmail.eml", {QStringLiteral("Does anyone have anything nice to say about FOMA?")});
        // Embedded messages follow the body, each with its own header block.
        row("mimetools_re-fwd.eml",
            {QStringLiteral("Subject: Fwd: hello world"), QStringLiteral("Subject: hello world"),
             QStringLiteral("This is the original message.")});
        row("mimekit_simple-embedded-message.eml",
            {QStringLiteral("This is the message body."), QStringLiteral("This is the embedded message body.")});
        // No body at all: headers and a note.
        row("mimekit_missing-subtype.eml", {QStringLiteral("Test of an invalid mime-type"),
                                            QStringLiteral("blah blah blah"), QStringLiteral("document.xml.gz")});
    }

    void bodies()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, expected);
        const QString text = textOf(name);
        QVERIFY2(!text.isEmpty(), "rendered by everySample");
        const QString flat = text.simplified();
        for (const QString& piece : expected)
            QVERIFY2(flat.contains(piece.simplified()), qPrintable(piece + QStringLiteral(" not in\n") + text));
    }

    void alternativePrintsOnePart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("once");
        QTest::addColumn<QString>("plainOnly");
        QTest::newRow("gmail") << "tika_testRFC822-mixed-simple.eml"
                               << "This is an email that will have some rich text"
                               << "*Because I've added";
        QTest::newRow("aspose") << "aspose_emlWithHeaders.eml"
                                << "View EULA Online"
                                << "";
        QTest::newRow("postcard") << "mimetools_bluedot-postcard.eml"
                                  << "Having a wonderful time"
                                  << "";
    }

    void alternativePrintsOnePart()
    {
        QFETCH(QString, name);
        QFETCH(QString, once);
        QFETCH(QString, plainOnly);
        const QString text = textOf(name).simplified();
        QCOMPARE(text.count(once), 1);
        if (!plainOnly.isEmpty())
            QVERIFY2(!text.contains(plainOnly), "the plain alternative was printed too");
    }

    void inlineImages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("size");
        QTest::newRow("cid png") << "mailparser_nodemailer.eml"
                                 << "16 16";
        QTest::newRow("cid gif") << "mailparser_nodemailer.eml"
                                 << "500 350";
        QTest::newRow("cid jpeg without brackets") << "mimetools_bluedot-postcard.eml"
                                                   << "";
    }

    void inlineImages()
    {
        QFETCH(QString, name);
        QFETCH(QString, size);
        QVERIFY(QFile::exists(pdfOf(name)));
        QByteArray out;
        QCOMPARE(TestSupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdfOf(name)}, &out), 0);
        const QStringList rows = QString::fromUtf8(out).split(u'\n').mid(2).filter(QStringLiteral(" image "));
        QVERIFY2(!rows.isEmpty(), out.constData());
        if (!size.isEmpty())
            QVERIFY2(rows.join(u'\n').simplified().contains(QStringLiteral("image ") + size), out.constData());
    }
};

QTEST_MAIN(tst_SampleRendering)
#include "tst_SampleRendering.moc"
