// The reader and the layout on hand-made messages: charsets, structure, and what the
// layout must never do (fetch outside content, run off the page).

#include "MessageDocument.h"
#include "MimeReader.h"
#include "ReadMessage.h"
#include "TextDecoding.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace Render;

namespace
{

QByteArray textMessage(const QByteArray& contentType, const QByteArray& body, const QByteArray& extra = {})
{
    return "From: a@example.com\nSubject: t\n" + extra + "Content-Type: " + contentType +
           "\nContent-Transfer-Encoding: 8bit\n\n" + body + "\n";
}

qreal laidOutWidth(MessageDocument& doc, qreal pageWidth)
{
    doc.setPageSize(QSizeF(pageWidth, 800));
    doc.fitToWidth(pageWidth);
    return doc.documentLayout()->documentSize().width();
}

} // namespace

class tst_MessageModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void charsets_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("iso-8859-1 is windows-1252")
            << QByteArray("text/plain; charset=ISO-8859-1") << QByteArray("\x80 \x93x\x94 Gr\xfc\xdf")
            << QStringLiteral("€ “x” Grüß");
        QTest::newRow("koi8-r") << QByteArray("text/plain; charset=koi8-r") << QByteArray("\xf0\xd2\xc9\xd7\xc5\xd4")
                                << QStringLiteral("Привет");
        QTest::newRow("iso-2022-jp") << QByteArray("text/plain; charset=ISO-2022-JP")
                                     << QByteArray("\x1b\x24\x42\x46\x7c\x4b\x5c\x38\x6c\x1b\x28\x42")
                                     << QStringLiteral("日本語");
        QTest::newRow("shift_jis") << QByteArray("text/plain; charset=Shift_JIS")
                                   << QByteArray("\x93\xfa\x96\x7b\x8c\xea") << QStringLiteral("日本語");
        QTest::newRow("gb2312") << QByteArray("text/plain; charset=gb2312") << QByteArray("\xd6\xd0\xce\xc4")
                                << QStringLiteral("中文");
        QTest::newRow("undeclared utf-8") << QByteArray("text/plain")
                                          << QByteArray("Gr\xc3\xbc\xc3\x9f"
                                                        "e")
                                          << QStringLiteral("Grüße");
        QTest::newRow("undeclared 8-bit western") << QByteArray("text/plain")
                                                  << QByteArray("Gr\xfc\xdf"
                                                                "e")
                                                  << QStringLiteral("Grüße");
        QTest::newRow("us-ascii label on utf-8")
            << QByteArray("text/plain; charset=us-ascii") << QByteArray("caf\xc3\xa9") << QStringLiteral("café");
        QTest::newRow("undeclared iso-2022-jp")
            << QByteArray("text/plain") << QByteArray("\x1b\x24\x42\x46\x7c\x4b\x5c\x38\x6c\x1b\x28\x42")
            << QStringLiteral("日本語");
        QTest::newRow("unknown charset") << QByteArray("text/plain; charset=x-no-such-charset")
                                         << QByteArray("caf\xc3\xa9") << QStringLiteral("café");
        // One bad byte must not cost the rest of the text.
        QTest::newRow("invalid byte in shift_jis") << QByteArray("text/plain; charset=Shift_JIS")
                                                   << QByteArray("ab\xff tail \x93\xfa") << QStringLiteral("tail 日");
        QTest::newRow("html meta charset")
            << QByteArray("text/html")
            << QByteArray("<html><head><meta charset=\"koi8-r\"></head><body>\xf0\xd2\xc9\xd7\xc5\xd4</body></html>")
            << QStringLiteral("Привет");
    }

    void charsets()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const Message m = readMessage(textMessage(contentType, body));
        const QString text = m.htmlBody.isEmpty() ? m.textBody : m.htmlBody;
        QVERIFY2(text.contains(expected), qPrintable(text));
    }

    void encodedHeaders()
    {
        const Message m =
            readMessage("From: =?koi8-r?B?8NLJ18XU?= <p@example.ru>\n"
                        "To: =?ISO-8859-1?Q?Andr=E9?= <a@example.com>\n"
                        "Subject: =?utf-8?q?caf=C3=A9?= =?iso-2022-jp?B?GyRCRnxLXDhsGyhC?=\n"
                        "Subject-Raw: ignored\n"
                        "Content-Type: multipart/mixed; boundary=b\n\n"
                        "--b\nContent-Type: text/plain\n\nbody\n"
                        "--b\nContent-Type: application/octet-stream\n"
                        "Content-Disposition: attachment; filename*0*=utf-8''%E2%9C%94; filename*1=\"-list.txt\"\n\n"
                        "data\n--b--\n");
        QVERIFY2(m.from.contains(QStringLiteral("Привет")), qPrintable(m.from));
        QVERIFY2(m.to.contains(QStringLiteral("André")), qPrintable(m.to));
        QCOMPARE(m.subject, QStringLiteral("café日本語"));
        QCOMPARE(m.attachments.size(), 1);
        QCOMPARE(m.attachments[0].fileName, QStringLiteral("✔-list.txt"));
        QCOMPARE(m.attachments[0].content, QByteArray("data"));
    }

    void flowed_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("delSp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("soft breaks join") << "one two \nthree\nfour" << false << "one two three\nfour";
        QTest::newRow("delsp") << "long wo \nrd\n" << true << "long word\n";
        QTest::newRow("space-stuffed") << " From here\n >not a quote" << false << "From here\n>not a quote";
        QTest::newRow("quote depth never joins") << "> quoted \nplain" << false << "> quoted \nplain";
        QTest::newRow("quoted paragraph") << ">> a \n>> b" << false << ">> a b";
        QTest::newRow("signature separator is hard") << "-- \nMe" << false << "-- \nMe";
    }

    void flowed()
    {
        QFETCH(QString, raw);
        QFETCH(bool, delSp);
        QFETCH(QString, expected);
        QCOMPARE(unflowText(raw, delSp), expected);
    }

    void flowedThroughReader()
    {
        const Message m = readMessage(textMessage("text/plain; format=flowed", "a paragraph \nthat continues"));
        QCOMPARE(m.textBody, QStringLiteral("a paragraph that continues"));
    }

    void structure()
    {
        const Message m =
            readMessage("Subject: s\nContent-Type: multipart/mixed; boundary=o\n\n"
                        "--o\nContent-Type: multipart/alternative; boundary=a\n\n"
                        "--a\nContent-Type: text/plain\n\nPLAIN ALTERNATIVE\n"
                        "--a\nContent-Type: multipart/related; boundary=r\n\n"
                        "--r\nContent-Type: text/html\n\n<p>HTML ALTERNATIVE <img src=\"cid:pic@x\"></p>\n"
                        "--r\nContent-Type: image/png\nContent-ID: <pic@x>\n\nPNGDATA\n--r--\n"
                        "--a--\n"
                        "--o\nContent-Type: message/rfc822\n\nSubject: inner\n\ninner body\n"
                        "--o--\n");
        QVERIFY(m.htmlBody.contains(QStringLiteral("HTML ALTERNATIVE")));
        QVERIFY(!m.htmlBody.contains(QStringLiteral("PLAIN ALTERNATIVE")));
        QVERIFY(m.textBody.isEmpty());
        QCOMPARE(m.inlineParts.size(), 1);
        QCOMPARE(m.inlineParts[0].contentId, QStringLiteral("pic@x"));
        QVERIFY(m.attachments.isEmpty()); // shown in place, not listed
        QCOMPARE(m.embedded.size(), std::size_t(1));
        QCOMPARE(m.embedded[0].subject, QStringLiteral("inner"));
        QCOMPARE(m.embedded[0].textBody.trimmed(), QStringLiteral("inner body"));

        const Message none = readMessage("Subject: empty\nContent-Type: application/pdf; name=x.pdf\n\n%PDF\n");
        QVERIFY(none.hasNoBody());
        QCOMPARE(none.attachments.size(), 1);
    }

    void readFileFailures()
    {
        Message m;
        QString error;
        QVERIFY(!MimeReader::readFile(QStringLiteral("/nonexistent/x.eml"), m, &error));
        QVERIFY(!error.isEmpty());
        QTemporaryDir dir;
        error.clear();
        QVERIFY(!MimeReader::readFile(dir.path(), m, &error));
        QVERIFY(!error.isEmpty());
    }

    // Only the message's own parts become images: a local file or a web address never does.
    void noOutsideContent()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("secret.png"));
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(png));
        QImage inlineImage(3, 3, QImage::Format_RGB32);
        inlineImage.fill(Qt::blue);
        QByteArray inlineBytes;
        QBuffer buffer(&inlineBytes);
        buffer.open(QIODevice::WriteOnly);
        inlineImage.save(&buffer, "PNG");

        Message m;
        m.subject = QStringLiteral("s");
        const QString fileUrl = QUrl::fromLocalFile(png).toString();
        m.htmlBody = QStringLiteral("<p><img src=\"%1\"><img src=\"secret.png\"><img src=\"http://127.0.0.1:9/x.png\">"
                                    "<img src=\"cid:ok@x\"></p>")
                         .arg(fileUrl);
        Attachment a;
        a.contentId = QStringLiteral("ok@x");
        a.mimeType = QStringLiteral("image/png");
        a.content = inlineBytes;
        m.inlineParts.append(a);
        MessageDocument doc;
        doc.setMessage(m);
        doc.setBaseUrl(QUrl::fromLocalFile(dir.path() + u'/'));
        QVERIFY(laidOutWidth(doc, 500) > 0);
        QVERIFY(doc.resource(QTextDocument::ImageResource, QUrl(fileUrl)).isNull());
        QVERIFY(doc.resource(QTextDocument::ImageResource, QUrl(QStringLiteral("secret.png"))).isNull());
        QVERIFY(doc.resource(QTextDocument::ImageResource, QUrl(QStringLiteral("http://127.0.0.1:9/x.png"))).isNull());
        QCOMPARE(doc.resource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:ok@x"))).value<QImage>().size(),
                 QSize(3, 3));
    }

    void longLinesStayOnPage_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("subject");
        const QString word(3000, u'x');
        QTest::newRow("plain text") << QString() << word << QStringLiteral("s");
        QTest::newRow("html paragraph") << QStringLiteral("<p>%1</p>").arg(word) << QString() << QStringLiteral("s");
        QTest::newRow("html pre") << QStringLiteral("<pre>%1</pre>").arg(word) << QString() << QStringLiteral("s");
        QTest::newRow("nowrap") << QStringLiteral("<p style=\"white-space: nowrap\">%1</p>").arg(word) << QString()
                                << QStringLiteral("s");
        QTest::newRow("fixed table") << QStringLiteral(
                                            "<table width=\"3000\"><tr><td width=\"2500\">a</td></tr></table>")
                                     << QString() << QStringLiteral("s");
        QTest::newRow("header value") << QString() << QStringLiteral("b") << word;
    }

    void longLinesStayOnPage()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QFETCH(QString, subject);
        Message m;
        m.subject = subject;
        m.htmlBody = html;
        m.textBody = text;
        MessageDocument doc;
        doc.setMessage(m);
        QVERIFY2(laidOutWidth(doc, 400) <= 400.5, qPrintable(QString::number(laidOutWidth(doc, 400))));
    }
};

QTEST_MAIN(tst_MessageModel)
#include "tst_MessageModel.moc"
