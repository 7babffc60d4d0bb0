// What the reader makes of mail that bends the rules: nothing the file holds may go missing
// between the file and the paper. Messages written here, and the public samples where one shows
// the fault.

#include "MessageDocument.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "ReadMessage.h"
#include "RtfText.h"
#include "TestSupport.h"
#include "TnefReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QtTest>
#include <numeric>

using namespace Render;

namespace
{

// Everything a printout shows of a message, attached messages included.
QString printedText(const Message& m)
{
    QString text;
    for (const auto& [label, value] : MessageDocument::headerFields(m))
        text += label + u':' + value + u'\n';
    text += m.textBody + u'\n' + m.htmlBody + u'\n' + m.rawText + u'\n' + m.notes.join(u'\n');
    for (const Message& sub : m.embedded)
        text += u'\n' + printedText(sub);
    return text;
}

// Empty when every word is in the text, else a line naming the first one missing.
QString missingWord(const QString& text, const QStringList& words)
{
    for (const QString& word : words)
        if (!text.contains(word))
            return word + QStringLiteral(" missing from\n") + text;
    return QString();
}

QString sampleOrSkip(const QString& name)
{
    const QString folder = TestSupport::testData(QStringLiteral("eml"));
    if (folder.isEmpty() || !QDir(folder).exists())
        return QString();
    return QDir(folder).filePath(name);
}

#define SKIP_WITHOUT_SAMPLES(path) VT_REQUIRE_TESTDATA(QStringLiteral("eml"))

QString pdfTextOf(const Message& m, const QTemporaryDir& dir, const QString& name)
{
    const QString pdf = dir.filePath(name + QStringLiteral(".pdf"));
    QString error;
    if (!MessagePrinter::toPdf(m, pdf, QPageSize(QPageSize::A4), &error))
        return QStringLiteral("toPdf failed: ") + error;
    return TestSupport::pdfText(pdf);
}

// `text` run through `openssl cms` with `args` (DER out), with a throw-away signer made once.
QByteArray opensslCms(const QStringList& args, const QByteArray& text)
{
    static QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("k.pem"));
    const QString cert = dir.filePath(QStringLiteral("c.pem"));
    auto run = [&](const QStringList& arguments, const QByteArray& input) {
        QProcess p;
        p.start(QStringLiteral("openssl"), arguments);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return p.readAllStandardOutput();
    };
    if (!QFile::exists(cert))
        run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=t", "-keyout", key, "-out", cert}, {});
    QStringList all{"cms", "-binary", "-outform", "DER"};
    all += args;
    all.replaceInStrings(QStringLiteral("CERT"), cert).replaceInStrings(QStringLiteral("KEY"), key);
    return run(all, text);
}

// Pieces of a TNEF stream: little-endian numbers, a MAPI property with one string or binary
// value (type 0x1F as UTF-16), an attribute with its checksum.
QByteArray le(quint32 value, int size = 4)
{
    const quint32 v = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&v), size);
}

QByteArray prop(quint16 type, quint16 id, QByteArray v)
{
    if (type == 0x1F)
        v = QByteArray(reinterpret_cast<const char*>(QString::fromLatin1(v).utf16()), v.size() * 2 + 1);
    v += '\0';
    return le(id << 16 | type) + le(1) + le(v.size()) + v + QByteArray(-v.size() & 3, '\0');
}

QByteArray attribute(char level, quint32 id, const QByteArray& data)
{
    const quint32 sum = std::accumulate(data.begin(), data.end(), 0u, [](quint32 s, char c) { return s + quint8(c); });
    return level + le(id) + le(data.size()) + data + le(sum, 2);
}

} // namespace

class tst_Reading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rule: text that does not follow the format is printed, structured where possible, raw otherwise.
    void malformedKeepsText_data()
    {
        QTest::addColumn<QByteArray>("mime");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("expectRaw");
        QTest::newRow("separator line holds a space")
            << QByteArray("From: a@x\r\nSubject: s\r\n \r\nfirst body line\r\n\r\nsecond body line\r\n")
            << QStringList{"first body line", "second body line"} << false;
        QTest::newRow("header runs into body")
            << QByteArray("Subject: s\nno colon in this line\nX-Later: v\n\nbody text\n")
            << QStringList{"body text", "no colon in this line"} << true;
        QTest::newRow("no header at all") << QByteArray("Dear Sir,\nplease find the contract.\n")
                                          << QStringList{"Dear Sir,", "please find the contract."} << false;
        QTest::newRow("multipart without boundary parameter")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed\n\n--q1\nContent-Type: text/plain\n\nonly "
                          "part\n--q1--\n")
            << QStringList{"only part"} << false;
        QTest::newRow("boundary folded across two lines")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=\"ab_\n cd\"\n\n--ab_cd\n"
                          "Content-Type: text/plain\n\nfolded text\n--ab_cd--\n")
            << QStringList{"folded text"} << false;
        QTest::newRow("mismatched boundary")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=\"zz\"\n\n--yy\n"
                          "Content-Type: text/plain\n\nmismatched text\n--yy--\n")
            << QStringList{"mismatched text"} << false;
        QTest::newRow("no boundary ever appears")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=\"zz\"\n\njust words here\n")
            << QStringList{"just words here"} << true;
        QTest::newRow("text after the closing boundary")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: "
                          "text/plain\n\ninside\n--b--\nafter the end\n")
            << QStringList{"inside", "after the end"} << false;
        QTest::newRow("text before the first part and after the last")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=b\n\nA preamble of words\n--b\n"
                          "Content-Type: text/plain\n\ninside\n--b--\nthe epilogue\n")
            << QStringList{"A preamble of words", "inside", "the epilogue"} << false;
        QTest::newRow("NUL byte inside a header")
            << QByteArray("From: a@x\nSubject: before") + '\0' + QByteArray("after\n\nbody\n")
            << QStringList{"before after"} << false;
    }

    void malformedKeepsText()
    {
        QFETCH(QByteArray, mime);
        QFETCH(QStringList, words);
        QFETCH(bool, expectRaw);
        const Message m = readMessage(mime);
        const QString text = printedText(m);
        const QString missing = missingWord(text, words);
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        for (qsizetype i = 1; i < words.size(); ++i) // in the order they stand
            QVERIFY2(text.indexOf(words[i - 1]) < text.indexOf(words[i]), qPrintable(text));
        QCOMPARE(!m.rawText.isEmpty(), expectRaw);
        QVERIFY(!m.hasNoBody());
        QVERIFY(!MessageDocument::composeHtml(m).contains(QStringLiteral("This message has no text body.")));
    }

    // A well-formed multipart with the usual note for old readers gets no raw-text section.
    void wellFormedHasNoRawText()
    {
        const Message m =
            readMessage("Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n"
                        "This is a multi-part message in MIME format.\n\n--b\nContent-Type: text/plain\n\n"
                        "body\n--b--\n");
        QCOMPARE(m.textBody, QStringLiteral("body"));
        QVERIFY2(m.rawText.isEmpty(), qPrintable(m.rawText));
    }

    // The samples that showed the faults, read back from paper.
    void samplesOnPaper_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("space in separator")
            << "mime4j_basic-plain-with-bad-header-separator.eml"
            << QStringList{"contains an additional space", "This results in a bogus header."};
        QTest::newRow("header without separator")
            << "mime4j_malformedHeader-nocrlfcrlf.eml" << QStringList{"This is an invalid header", "Body text"};
        QTest::newRow("text on boundary lines")
            << "mime4j_ending-boundaries.eml"
            << QStringList{"first part", "NOTE TO IMPLEMENTORS", "should be part of the epilogue, too."};
        QTest::newRow("bcc and reply-to")
            << "aspose_Attachments.eml" << QStringList{"Bcc: receiver3@receiver.com", "Reply-To: reply@reply.com"};
        QTest::newRow("encoded bcc") << "mimetools_intl.eml" << QStringList{"Bcc: Patrik Fältström <paf@nada.kth.se>"};
        QTest::newRow("tnef body and files")
            << "aspose_tnefEml1.eml" << QStringList{"This line is in bold.", "image001.jpg (6 KB)", "1.jpg (6 KB)"};
        QTest::newRow("type without subtype")
            << "mimekit_missing-subtype.eml" << QStringList{"blah blah blah", "document.xml.gz"};
    }

    void samplesOnPaper()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, words);
        const QString path = sampleOrSkip(name);
        SKIP_WITHOUT_SAMPLES(path);
        Message m;
        QString error;
        QVERIFY2(MimeReader::readFile(path, m, &error), qPrintable(error));
        QTemporaryDir dir;
        const QString text = pdfTextOf(m, dir, name).simplified();
        const QString missing = missingWord(text, words);
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        QVERIFY(!text.contains(QStringLiteral("This message has no text body.")));
    }

    // Rule: signed S/MIME content is printed from inside the signature; an encrypted part says why it is not.
    void smime_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QStringList>("cms");
        QTest::addColumn<QStringList>("words");
        const QStringList sign{"-sign", "-nodetach", "-signer", "CERT", "-inkey", "KEY"};
        const QStringList signedWords{"signed words", "attached.txt", "the signature was not checked"};
        QTest::newRow("opaque signed") << QByteArray("application/pkcs7-mime; smime-type=signed-data; name=smime.p7m")
                                       << sign << signedWords;
        QTest::newRow(".p7m without smime-type")
            << QByteArray("application/octet-stream; name=\"mail.p7m\"") << sign << signedWords;
        QTest::newRow("encrypted") << QByteArray("application/pkcs7-mime; smime-type=enveloped-data")
                                   << QStringList{"-encrypt", "CERT"}
                                   << QStringList{"This part is encrypted; it cannot be printed without the "
                                                  "recipient's key."};
    }

    void smime()
    {
        QFETCH(QByteArray, type);
        QFETCH(QStringList, cms);
        QFETCH(QStringList, words);
        const QByteArray der =
            opensslCms(cms, "Content-Type: multipart/mixed; boundary=in\r\n\r\n--in\r\nContent-Type: text/plain\r\n\r\n"
                            "signed words\r\n--in\r\nContent-Type: text/plain; name=attached.txt\r\n"
                            "Content-Disposition: attachment\r\n\r\nfile\r\n--in--\r\n");
        QVERIFY(!der.isEmpty());
        const Message m = readMessage("From: a@x\nContent-Type: " + type + "\nContent-Transfer-Encoding: base64\n\n" +
                                      der.toBase64() + "\n");
        QTemporaryDir dir;
        const QString text = pdfTextOf(m, dir, QStringLiteral("smime")).simplified();
        QVERIFY2(missingWord(text, words).isEmpty(), qPrintable(missingWord(text, words)));
        QVERIFY(!text.contains(QStringLiteral("This message has no text body.")));
        QVERIFY(!text.contains(QStringLiteral("smime.p7m")) && !text.contains(QStringLiteral("mail.p7m")));
    }

    // Rule: every attachment is named on paper: attached messages, parts without a blank line
    // after their header, uuencoded files (whose text is printed, never the uuencode).
    void attachmentsNamed_data()
    {
        QTest::addColumn<QByteArray>("mime");
        QTest::addColumn<QStringList>("words");
        const QByteArray head = "Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                                "Content-Type: text/plain\n\nouter\n--b\n";
        QTest::newRow("attached message")
            << head + "Content-Type: message/rfc822; name=\"test.eml\"\n\nSubject: inner\n\ninner body\n--b--\n"
            << QStringList{"Attachments: test.eml (26 B)", "Attached message: test.eml", "inner body"};
        QTest::newRow("attached message in base64, named by its disposition")
            << head +
                   "Content-Type: message/rfc822\nContent-Disposition: attachment; filename=fwd.eml\n"
                   "Content-Transfer-Encoding: base64\n\n" +
                   QByteArray("Subject: inner\n\ninner body\n").toBase64() + "\n--b--\n"
            << QStringList{"Attachments: fwd.eml (27 B)", "Attached message: fwd.eml", "inner body"};
        QTest::newRow("header runs into the data")
            << head + "Content-Type: application/octet-stream; name=\"data.bin\"\n"
                      "Content-Transfer-Encoding: base64\nAAECAwQFBgcICQ==\n--b--\n"
            << QStringList{"Attachments: data.bin (10 B)", "outer"};
        QTest::newRow("uuencoded text file")
            << QByteArray("Subject: s\n\nbefore\nbegin 644 notes.txt\n4=75E;F-O9&5D('1E>'0@9FEL90H`\n`\nend\n"
                          "after\n")
            << QStringList{"Attachments: notes.txt (20 B)", "before", "uuencoded text file", "after"};
    }

    void attachmentsNamed()
    {
        QFETCH(QByteArray, mime);
        QFETCH(QStringList, words);
        QTemporaryDir dir;
        const QString text = pdfTextOf(readMessage(mime), dir, QStringLiteral("a")).simplified();
        QVERIFY2(missingWord(text, words).isEmpty(), qPrintable(missingWord(text, words)));
        QVERIFY2(!text.contains(QStringLiteral("begin 644")), qPrintable(text));
    }

    // Rule: addresses print exactly as sent, recipients joined the same way for every source.
    void addressesAsSent_data()
    {
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("shown");
        QByteArray words;
        QString name;
        for (int i = 0; i < 150; ++i)
        {
            const QString piece = QStringLiteral("Jörg Müller %1 ").arg(i);
            words += "=?UTF-8?B?" + piece.toUtf8().toBase64() + "?=";
            name += piece;
        }
        QTest::newRow("long name of encoded words without blanks")
            << words + " <to@x>" << name.simplified() + QStringLiteral(" <to@x>");
    }

    void addressesAsSent()
    {
        QFETCH(QByteArray, to);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString text = pdfTextOf(readMessage("From: a@x\nTo: " + to + "\n\nbody\n"), dir, QStringLiteral("to"));
        QVERIFY2(text.simplified().contains(QStringLiteral("To: ") + shown), qPrintable(text.left(3000)));
    }

    // Rule: Bcc and Reply-To are printed when present, decoded like the other address lines.
    void investigatorHeaders_data()
    {
        QTest::addColumn<QByteArray>("mime");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        QTest::newRow("bcc") << QByteArray("From: a@x\nBcc: =?ISO-8859-1?Q?Patrik_F=E4ltstr=F6m?= <paf@x>\n\nb\n")
                             << "Bcc" << QStringLiteral("Patrik Fältström <paf@x>");
        QTest::newRow("reply-to") << QByteArray("From: a@x\nReply-To: answers@example.org\n\nb\n") << "Reply-To"
                                  << "answers@example.org";
        QTest::newRow("unparseable bcc kept as written")
            << QByteArray("From: a@x\nBcc: undisclosed list;;; <<\n\nb\n") << "Bcc"
            << "undisclosed list";
    }

    void investigatorHeaders()
    {
        QFETCH(QByteArray, mime);
        QFETCH(QString, label);
        QFETCH(QString, value);
        const auto fields = MessageDocument::headerFields(readMessage(mime));
        const auto it = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.first == label; });
        QVERIFY2(it != fields.end(), qPrintable(label));
        QVERIFY2(it->second.contains(value), qPrintable(it->second));
    }

    // Rule: containers are opened and text-like types printed as text.
    void containers_data()
    {
        QTest::addColumn<QByteArray>("mime");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("attachmentNames");
        const QByteArray inner = "From: inner@x\nSubject: inner subject\n\ninner body words\n";
        QTest::newRow("attached message in base64")
            << "Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nouter\n"
               "--b\nContent-Type: message/rfc822\nContent-Transfer-Encoding: base64\n\n" +
                   inner.toBase64() + "\n--b--\n"
            << QStringList{"outer", "inner subject", "inner body words"} << QStringList();
        QTest::newRow("attached message in quoted-printable")
            << QByteArray("Subject: s\nContent-Type: message/rfc822\nContent-Transfer-Encoding: quoted-printable\n\n"
                          "Subject: qp inner\n\ncaf=C3=A9 au lait\n")
            << QStringList{"qp inner", "café au lait"} << QStringList();
        QTest::newRow("rfc822-headers, feedback report and richtext")
            << QByteArray("Subject: s\nContent-Type: multipart/report; boundary=b\n\n"
                          "--b\nContent-Type: text/rfc822-headers\n\nX-Original: headers part\n"
                          "--b\nContent-Type: message/feedback-report\n\nFeedback-Type: abuse\n"
                          "--b\nContent-Type: text/richtext\n\n<bold>rich words</bold>\n--b--\n")
            << QStringList{"headers part", "Feedback-Type: abuse", "rich words"} << QStringList();
        QTest::newRow("type without subtype keeps its name")
            << QByteArray("Subject: s\nContent-Type: application-x-gzip; name=\"doc.xml.gz\"\n\nblah blah\n")
            << QStringList{"blah blah"} << QStringList{"doc.xml.gz"};
        QTest::newRow("empty subtype in a part")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/\n\n"
                          "slash words\n--b--\n")
            << QStringList{"slash words"} << QStringList();
        QTest::newRow("winmail.dat that is no TNEF stays an attachment")
            << QByteArray("Subject: s\nContent-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\n"
                          "body\n--b\nContent-Type: application/ms-tnef; name=winmail.dat\n"
                          "Content-Disposition: attachment; filename=winmail.dat\n\nnot tnef at all\n--b--\n")
            << QStringList{"body"} << QStringList{"winmail.dat"};
    }

    void containers()
    {
        QFETCH(QByteArray, mime);
        QFETCH(QStringList, words);
        QFETCH(QStringList, attachmentNames);
        const Message m = readMessage(mime);
        const QString missing = missingWord(printedText(m), words);
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        QStringList names;
        for (const Attachment& a : m.attachments)
            names << a.fileName;
        QCOMPARE(names, attachmentNames);
    }

    // The files inside winmail.dat are real files, not the container's bytes; images show in
    // place, and an attached message is a message with its own header and images.
    void tnefAttachments()
    {
        const QString path = sampleOrSkip(QStringLiteral("aspose_tnefEml1.eml"));
        SKIP_WITHOUT_SAMPLES(path);
        Message m;
        QVERIFY(MimeReader::readFile(path, m));
        QStringList names;
        for (const Attachment& a : m.attachments)
        {
            names << a.fileName;
            if (a.fileName.endsWith(QStringLiteral(".jpg")))
                QVERIFY2(a.content.startsWith("\xFF\xD8"), qPrintable(a.fileName)); // real JPEG bytes
        }
        QVERIFY2(names.contains(QStringLiteral("1.jpg")) && names.contains(QStringLiteral("image001.jpg")),
                 qPrintable(names.join(u',')));
        QVERIFY(!names.contains(QStringLiteral("winmail.dat")));
        QVERIFY(!names.contains(QStringLiteral("Embedded MSG.msg")));
        QCOMPARE(m.inlineParts.size(), 1);
        QCOMPARE(m.inlineParts.first().contentId, QStringLiteral("image001.jpg@01D283C2.1470B330"));
        QCOMPARE(m.embedded.size(), size_t(1));
        const Message& inner = m.embedded.front();
        QCOMPARE(inner.subject, QStringLiteral("Embedded MSG"));
        QCOMPARE(inner.to, QStringLiteral("receiver@receiver.com"));
        QCOMPARE(inner.inlineParts.size(), 1);
        QVERIFY(inner.inlineParts.first().content.startsWith("\xFF\xD8"));
    }

    // A message inside winmail.dat prints its recipient table's people; Cc, absent there, its names.
    void tnefRecipients()
    {
        const QByteArray named = le(0x80010003) + QByteArray(16, 'g') + le(1) + le(4) + le('n') + le(7);
        const QByteArray multi = le(0x3A10101E) + le(2) + le(2) + le('x') + le(3) + le('y' | 'z' << 8);
        const QByteArray table = le(2) + le(4) + le(0x0C150003) + le(1) + prop(0x1F, 0x3001, "Ann Lee") +
                                 prop(0x1E, 0x3002, "SMTP") + prop(0x1E, 0x3003, "ann@x.org") + le(7) + le(0x0C150003) +
                                 le(3) + named + multi + prop(0x1E, 0x3001, "Kim") + prop(0x1E, 0x3002, "EX") +
                                 prop(0x1E, 0x3003, "/o=Org/cn=kim") + prop(0x1F, 0x39FE, "kim@x.org");
        const QByteArray signature("\x78\x9f\x3e\x22\x01\x00", 6);
        const QByteArray header = le(5) + prop(0x1E, 0x0E04, "Ann Lee") + prop(0x1E, 0x0E03, "Carol") +
                                  prop(0x1E, 0x0C1A, "Bo") + prop(0x1E, 0x0C1F, "/o=Org/cn=bo") + prop(0x1E, 0x5D01, "bo@x.org");
        const QByteArray inner = signature + attribute(1, 0x69003, header) + attribute(1, 0x69004, table);
        const QByteArray attachment = le(1) + prop(0x0D, 0x3701, QByteArray(16, 'i') + inner);
        Message m;
        QVERIFY(
            readTnef(signature + attribute(2, 0x69002, QByteArray(14, '\0')) + attribute(2, 0x69005, attachment), m));
        QCOMPARE(m.embedded.size(), size_t(1));
        const Message& e = m.embedded.front();
        QCOMPARE((QStringList{e.from, e.to, e.cc, e.bcc}),
                 (QStringList{"Bo <bo@x.org>", "Ann Lee <ann@x.org>", "Carol", "Kim <kim@x.org>"}));
    }

    // One RTF reader for .pst items and winmail.dat alike.
    void rtf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("html");
        QTest::newRow("paragraphs, escapes, tables skipped")
            << QByteArray(R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}{\colortbl;\red0;}\f0 caf\'e9\par )"
                          R"(two\{braces\}\tab x\\y\par})")
            << QStringLiteral("café\ntwo{braces}\tx\\y") << false;
        QTest::newRow("unicode with fallback, surrogates kept")
            << QByteArray(R"({\rtf1\uc1 \u26085?\u26412?\u-10178?\u-8822?x})") << QStringLiteral("日本🦊x")
            << false;
        QTest::newRow("code page of the document")
            << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})") << QStringLiteral("При") << false;
        QTest::newRow("double-byte and Unicode code pages")
            << QByteArray(R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b{\ansicpg65001 \'e2\'82\'ac}})") << QStringLiteral("日本€")
            << false;
        QTest::newRow("ignored destinations")
            << QByteArray(R"({\rtf1{\*\generator Foo;}{\info{\title T}}{\headerf H}Body\tab end})")
            << QStringLiteral("Body\tend") << false;
        QTest::newRow("html wrapped in rtf")
            << QByteArray(R"({\rtf1\ansi\fromhtml1 {\*\htmltag64 <p>}\htmlrtf {\b \htmlrtf0 bold\htmlrtf }\htmlrtf0 )"
                          R"({\*\htmltag72 </p>}})")
            << QStringLiteral("<p>bold</p>") << true;
        QTest::newRow("not rtf") << QByteArray("hello") << QString() << false;
        QTest::newRow("unbalanced") << QByteArray("{\\rtf1 {{{ text") << QStringLiteral("text") << false;
    }

    void rtf()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(bool, html);
        const RtfText result = RtfText::convert(rtf);
        QCOMPARE(result.text, text);
        QCOMPARE(result.isHtml, html);
    }

    // Rule: adjacent encoded words of one charset are one text, even split inside a character.
    void splitEncodedWords_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("expected");
        // "日本語のテキスト" in UTF-8, cut after the first byte of "テ".
        QTest::newRow("base64 split in a character")
            << QByteArray("=?UTF-8?B?5pel5pys6Kqe44Gu4w==?= =?UTF-8?B?g4bjgq3jgrnjg4g=?=")
            << QStringLiteral("日本語のテキスト");
        QTest::newRow("q split in a character")
            << QByteArray("=?utf-8?q?=E6=97=A5=E6?=\r\n =?UTF-8?Q?=9C=AC?=") << QStringLiteral("日本");
        QTest::newRow("shift_jis split") << QByteArray("=?Shift_JIS?B?kw==?= =?Shift_JIS?B?+pZ7?=")
                                         << QStringLiteral("日本");
    }

    void splitEncodedWords()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, expected);
        const Message m = readMessage("From: " + header + " <a@x>\nSubject: " + header +
                                      "\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                                      "Content-Type: message/rfc822\n\nSubject: " +
                                      header + "\n\ninner\n--b--\n");
        QCOMPARE(m.subject, expected);
        QVERIFY2(m.from.startsWith(expected), qPrintable(m.from));
        QCOMPARE(m.embedded.size(), std::size_t(1));
        QCOMPARE(m.embedded[0].subject, expected);
    }

    // Rule: a byte-order mark is not part of the first header.
    void byteOrderMark_data()
    {
        QTest::addColumn<QByteArray>("mime");
        QTest::newRow("bom before header") << QByteArray("\xEF\xBB\xBF"
                                                         "From: first@x\nSubject: s\n\nb\n");
        QTest::newRow("bom before mbox line")
            << QByteArray("\xEF\xBB\xBF"
                          "From first@x Tue Dec  8 10:00:00 2026\nFrom: first@x\nSubject: s\n\nb\n");
    }

    void byteOrderMark()
    {
        QFETCH(QByteArray, mime);
        const Message m = readMessage(mime);
        QCOMPARE(m.from, QStringLiteral("first@x"));
        QCOMPARE(m.subject, QStringLiteral("s"));
        QVERIFY(m.rawText.isEmpty());
    }

    // Rule: kanji and kana of Japanese text come from one font, in plain text and in HTML.
    void japaneseFromOneFont()
    {
        Message plain;
        plain.textBody = QStringLiteral("日本語のテキストです。");
        Message html;
        html.htmlBody = QStringLiteral("<p style=\"font-family: Arial\">漢字とかなカナ</p>");
        for (const Message& m : {plain, html})
        {
            QTemporaryDir dir;
            const QString text = pdfTextOf(m, dir, QStringLiteral("j"));
            QVERIFY2(text.contains(m.textBody + QTextDocumentFragment::fromHtml(m.htmlBody).toPlainText()),
                     qPrintable(text));
            QByteArray fonts;
            QCOMPARE(TestSupport::run(QStringLiteral("pdffonts"), {dir.filePath(QStringLiteral("j.pdf"))}, &fonts), 0);
            QVERIFY2(fonts.contains("DroidSansFallback") && !fonts.contains("Un"), fonts.constData());
        }
    }

    // Rule: every script reaches the paper with its own letters in the text layer.
    void scriptsOnPaper()
    {
        Message m;
        m.subject = QStringLiteral("한국어 제목");
        m.textBody = QStringLiteral("한국어 텍스트 日本語のテキスト 🦊");
        m.htmlBody = QStringLiteral("<p style=\"font-family: Arial\">한글 본문 日本語 🦊</p>");
        QTemporaryDir dir;
        const QString text = pdfTextOf(m, dir, QStringLiteral("k"));
        for (const QString& word :
             {QStringLiteral("한국어 제목"), QStringLiteral("한글 본문"), QStringLiteral("日本語")})
            QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" not in\n") + text));
        // The fox has no text mapping in the PDF; its glyph must come from a font that has it.
        QProcess fonts;
        fonts.start(QStringLiteral("pdffonts"), {dir.filePath(QStringLiteral("k.pdf"))});
        QVERIFY(fonts.waitForFinished(30000));
        QVERIFY2(fonts.readAllStandardOutput().contains("Symbola"), "no emoji font in the PDF");
    }
};

QTEST_MAIN(tst_Reading)
#include "tst_Reading.moc"
