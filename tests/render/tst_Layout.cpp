// How messages sit on paper: sizes, images, wide tables, page breaks, link targets and
// the running header, read back from the PDF with pdftotext -bbox and pdfimages.

#include "MessagePrinter.h"
#include "MimeReader.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Render;

namespace
{

struct Word
{
    int page = 0;
    QRectF box; // points
    QString text;
};

const qreal RightEdge = 595.3 - 42; // 15 mm margin, a little slack

QByteArray mail(const QByteArray& contentType, const QByteArray& body, const QByteArray& subject = "Layout")
{
    return "From: Ann Archer <ann@example.com>\r\nTo: bob@example.com\r\nSubject: " + subject +
           "\r\nDate: Tue, 1 Dec 2026 10:00:00 +0100\r\nMIME-Version: 1.0\r\nContent-Type: " + contentType +
           "\r\n\r\n" + body + "\r\n";
}

QByteArray html(const QByteArray& body, const QByteArray& subject = "Layout")
{
    return mail("text/html; charset=utf-8", body, subject);
}

QByteArray imageBytes(int width, int height, const char* format = "PNG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QByteArray png(int width, int height)
{
    return imageBytes(width, height).toBase64();
}

QByteArray uuencoded(const QByteArray& data)
{
    QByteArray out;
    for (qsizetype i = 0; i < data.size(); i += 45)
    {
        const QByteArray chunk = data.mid(i, 45) + QByteArray(2, '\0');
        const qsizetype length = qMin<qsizetype>(45, data.size() - i);
        out += char(32 + length);
        for (qsizetype j = 0; j < length; j += 3)
        {
            const uint v = uchar(chunk[j]) << 16 | uchar(chunk[j + 1]) << 8 | uchar(chunk[j + 2]);
            for (int shift = 18; shift >= 0; shift -= 6)
                out += (v >> shift & 63) ? char(32 + (v >> shift & 63)) : '`';
        }
        out += "\r\n";
    }
    return out + "`\r\nend\r\n";
}

// multipart/<subtype> of the given parts (each with its own headers).
QByteArray multipart(const QByteArray& subtype, const QList<QByteArray>& parts)
{
    QByteArray body;
    for (const QByteArray& part : parts)
        body += "--b0\r\n" + part + "\r\n";
    return mail("multipart/" + subtype + "; boundary=b0", body + "--b0--");
}

QByteArray pngPart(int width, int height, const QByteArray& headers)
{
    return "Content-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n" + headers + "\r\n" + png(width, height);
}

QString unescape(QString text)
{
    return text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QList<Word> words(const QString& pdf)
{
    QByteArray out;
    if (TestSupport::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, &out) != 0)
        return {};
    static const QRegularExpression re(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>)re"));
    QList<Word> list;
    int page = 0;
    for (auto it = re.globalMatch(QString::fromUtf8(out)); it.hasNext();)
    {
        const auto m = it.next();
        if (m.captured(1).isEmpty())
        {
            ++page;
            continue;
        }
        const qreal x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
        list.append({page, QRectF(QPointF(x0, y0), QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                     unescape(m.captured(5))});
    }
    return list;
}

QString pageText(const QString& pdf, int page)
{
    QByteArray out;
    const QString n = QString::number(page);
    TestSupport::run(QStringLiteral("pdftotext"),
                     {QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf, QStringLiteral("-")}, &out);
    return QString::fromUtf8(out);
}

int pageCount(const QString& pdf)
{
    QByteArray out;
    TestSupport::run(QStringLiteral("pdfinfo"), {pdf}, &out);
    static const QRegularExpression re(QStringLiteral(R"(Pages:\s+(\d+))"));
    return re.match(QString::fromUtf8(out)).captured(1).toInt();
}

// Image rows of pdfimages -list: "width height".
QStringList imageSizes(const QString& pdf)
{
    QByteArray out;
    TestSupport::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, &out);
    QStringList sizes;
    for (const QString& row : QString::fromUtf8(out).split(u'\n').mid(2))
    {
        const QStringList f = row.simplified().split(u' ');
        if (f.size() > 4 && f[2] == u"image")
            sizes << f[3] + u' ' + f[4];
    }
    return sizes;
}

const Word* find(const QList<Word>& list, const QString& text)
{
    for (const Word& w : list)
        if (w.text == text)
            return &w;
    return nullptr;
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    // The message printed to a fresh PDF; empty on failure (and the test fails).
    QString print(const QByteArray& bytes)
    {
        Message message;
        QString error;
        if (!MimeReader::readBytes(bytes, message, &error))
            return {};
        const QString pdf = m_dir.filePath(QStringLiteral("m%1.pdf").arg(++m_count));
        return MessagePrinter::toPdf(message, pdf, QPageSize(QPageSize::A4), &error) ? pdf : QString();
    }

    QString printSample(const QString& name)
    {
        const QString path = TestSupport::testData(QStringLiteral("eml/") + name);
        if (path.isEmpty() || !QFile::exists(path))
            return {};
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? print(file.readAll()) : QString();
    }

    static void skipWithoutSamples() { VT_REQUIRE_TESTDATA(QStringLiteral("eml")); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cssPixels_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("ratio"); // height of "Pixels" over height of "Points"
        QTest::newRow("12px inline") << QByteArray(
                                            "<p style='font-size:12px'>Pixels</p><p style='font-size:9pt'>Points</p>")
                                     << 1.0;
        QTest::newRow("20px from a class")
            << QByteArray(
                   "<style>.big { font-size: 20px }</style><p class=big>Pixels</p><p style='font-size:15pt'>Points</p>")
            << 1.0;
        QTest::newRow("12.0px") << QByteArray(
                                       "<p style='font-size:12.0px'>Pixels</p><p style='font-size:9pt'>Points</p>")
                                << 1.0;
        QTest::newRow("points stay points")
            << QByteArray("<p style='font-size:20pt'>Pixels</p><p style='font-size:10pt'>Points</p>") << 2.0;
    }

    // A CSS pixel is 3/4 point on paper, whatever the printer's resolution.
    void cssPixels()
    {
        QFETCH(QByteArray, body);
        QFETCH(double, ratio);
        const auto list = words(print(html(body)));
        const Word* px = find(list, QStringLiteral("Pixels"));
        const Word* pt = find(list, QStringLiteral("Points"));
        QVERIFY(px && pt);
        QVERIFY2(qAbs(px->box.height() / pt->box.height() - ratio) < 0.12 * ratio,
                 qPrintable(QStringLiteral("%1 against %2").arg(px->box.height()).arg(pt->box.height())));
    }

    void cssPixelSamples_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("inline pdf") << "tika_testRFC822-mixed-with-pdf-inline.eml";
        QTest::newRow("bounce") << "mimekit_bounce.eml";
    }

    // Samples styled in pixels: no word prints as a hairline.
    void cssPixelSamples()
    {
        skipWithoutSamples();
        QFETCH(QString, name);
        const auto list = words(printSample(name));
        QVERIFY(list.size() > 20);
        for (const Word& w : list)
            QVERIFY2(w.box.height() > 6, qPrintable(w.text + QStringLiteral(" is %1 pt high").arg(w.box.height())));
    }

    void images_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("sizes"); // pdfimages rows expected, in order
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("pages");
        QTest::newRow("photo between text parts")
            << multipart("mixed", {"Content-Type: text/plain\r\n\r\nBefore the photo.",
                                   pngPart(64, 32, "Content-Disposition: inline; filename=photo.png\r\n"),
                                   "Content-Type: text/plain\r\n\r\nAfter the photo."})
            << QStringList{"64 32"} << QStringList{"Before the photo.", "After the photo.", "photo.png"} << 1;
        QTest::newRow("uuencoded image in the text")
            << mail("text/plain", "See the chart:\r\nbegin 644 chart.png\r\n" + uuencoded(imageBytes(48, 24)) + "Bye.")
            << QStringList{"48 24"} << QStringList{"See the chart:", "Bye.", "chart.png"} << 1;
        for (const char* format : {"TIFF", "WEBP"})
            QTest::newRow(format) << multipart("mixed", {"Content-Type: image/" + QByteArray(format).toLower() +
                                                         "\r\nContent-Disposition: inline\r\n"
                                                         "Content-Transfer-Encoding: base64\r\n\r\n" +
                                                         imageBytes(30, 20, format).toBase64()})
                                  << QStringList{"30 20"} << QStringList{} << 1;
        QTest::newRow("related image the HTML does not show")
            << multipart("related", {"Content-Type: text/html\r\n\r\n<p>Body without images</p>",
                                     pngPart(40, 40, "Content-ID: <unused@x>\r\n")})
            << QStringList{"40 40"} << QStringList{"Body without images"} << 1;
        QTest::newRow("image taller than a page")
            << multipart("related", {"Content-Type: text/html\r\n\r\n<p>Tall</p><img src=\"cid:tall@x\">",
                                     pngPart(100, 6000, "Content-ID: <tall@x>\r\n")})
            << QStringList{"100 6000"} << QStringList{"Tall"} << 1;
        QTest::newRow("remote image keeps no declared size")
            << html("<p>Logo:</p><img src=\"https://example.com/logo.png\" width=600 height=900>")
            << QStringList{"24 24"} << QStringList{"[image not fetched: https://example.com/logo.png]"} << 1;
        QTest::newRow("empty image part")
            << multipart("related", {"Content-Type: text/html\r\n\r\n<img src=\"cid:e@x\" width=500 height=500>",
                                     "Content-Type: image/png\r\nContent-ID: <e@x>\r\n\r\n"})
            << QStringList{"24 24"} << QStringList{"[image could not be read: cid:e@x]"} << 1;
    }

    void images()
    {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, sizes);
        QFETCH(QStringList, texts);
        QFETCH(int, pages);
        const QString pdf = print(message);
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(imageSizes(pdf), sizes);
        QCOMPARE(pageCount(pdf), pages);
        const QString text = pageText(pdf, 1).simplified();
        for (const QString& t : texts)
            QVERIFY2(text.contains(t), qPrintable(t + QStringLiteral(" not in ") + text));
    }

    void imageSamples()
    {
        skipWithoutSamples();
        // Two GIFs sent inline between the text parts.
        QCOMPARE(imageSizes(printSample(QStringLiteral("mimetools_multi-nested.eml"))).size(), 2);
    }

    void wideContent_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("whole"); // each must be found as one word inside the margins
        QByteArray columns = "<table border=1><tr>";
        QStringList names;
        for (int i = 0; i < 100; ++i)
        {
            columns += QByteArray("<td>col") + QByteArray::number(i) + "</td>";
            names << QStringLiteral("col%1").arg(i);
        }
        QTest::newRow("1400 px table") << QByteArray("<table width=1400 border=1><tr><td width=700>Left cell</td>"
                                                     "<td width=700>Rightmost</td></tr></table>")
                                       << QStringList{"Left", "Rightmost"};
        QTest::newRow("100 columns") << columns + "</tr></table>" << names;
        QByteArray narrow = "<table border=1><tr>";
        for (int i = 0; i < 8; ++i)
            narrow += "<td>Internationalisation</td>";
        QTest::newRow("narrow columns") << narrow + "</tr></table>" << QStringList(8, "Internationalisation");
        QByteArray many = "<table>";
        for (int r = 0; r < 700; ++r)
            many += "<tr>" + QByteArray("<td>x</td>").repeated(9) + "<td>row" + QByteArray::number(r) + "</td></tr>";
        QTest::newRow("7000 cells") << many + "</table>" << QStringList{"row0", "row350", "row699"};
        QTest::newRow("nowrap") << QByteArray("<p style='white-space:nowrap'>") + QByteArray("spread ").repeated(200) +
                                       "Lastword</p>"
                                << QStringList{"Lastword"};
    }

    // Nothing is cut at the right margin; words are not broken letter by letter.
    void wideContent()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, whole);
        const auto list = words(print(html(body)));
        QVERIFY(!list.isEmpty());
        for (const Word& w : list)
            QVERIFY2(w.box.right() < RightEdge, qPrintable(w.text + QStringLiteral(" ends at %1").arg(w.box.right())));
        QStringList found;
        for (const Word& w : list)
            found << w.text;
        for (const QString& w : whole)
            QVERIFY2(found.count(w) >= whole.count(w), qPrintable(w));
    }

    void pageBreaks_data()
    {
        QTest::addColumn<QByteArray>("message");
        QByteArray plain;
        QByteArray rows = "<table border=1>";
        QByteArray cell = "<table border=1><tr><td>";
        for (int i = 0; i < 400; ++i)
        {
            const QByteArray n = QByteArray::number(1000 + i);
            plain += "Line L" + n + " of a long plain message\r\n";
            rows += "<tr><td>Row L" + n + "</td><td>second line<br>of the cell</td></tr>";
            cell += "Cell line L" + n + "<br>";
        }
        QTest::newRow("plain") << mail("text/plain", plain);
        QTest::newRow("table rows") << html(rows + "</table>");
        QTest::newRow("one tall cell") << html(cell + "</td><td>beside</td></tr></table>");
    }

    // Every line is on exactly one page: none hidden twice at a break.
    void pageBreaks()
    {
        QFETCH(QByteArray, message);
        const QString pdf = print(message);
        QVERIFY(pageCount(pdf) > 3);
        QString all;
        for (int p = 1; p <= pageCount(pdf); ++p)
            all += pageText(pdf, p);
        for (int i = 0; i < 400; ++i)
        {
            const QString marker = QStringLiteral("L%1").arg(1000 + i);
            QVERIFY2(all.count(marker) == 1,
                     qPrintable(marker + QStringLiteral(" found %1 times").arg(all.count(marker))));
        }
    }

    void pageBreakSample()
    {
        skipWithoutSamples();
        const QString pdf = printSample(QStringLiteral("tika_testRFC822-big.eml"));
        QVERIFY(pageCount(pdf) >= 2);
        // Every body line of the sample is unique, so each must print once.
        QStringList lines;
        for (int p = 1; p <= pageCount(pdf); ++p)
            for (const QString& line : pageText(pdf, p).split(u'\n'))
                if (line.trimmed().size() > 12 && !line.contains(QStringLiteral("Page ")) &&
                    !line.contains(QStringLiteral("Outlook Migration")))
                    lines << line.trimmed();
        QVERIFY(lines.size() > 40);
        QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), lines.size());
    }

    void linkTargets_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown"); // the link's last word and its address; empty: no address
        QTest::newRow("text differs") << QByteArray("<a href='https://example.com/offer?id=7'>our offer</a>")
                                      << "offer <https://example.com/offer?id=7>";
        QTest::newRow("link around a heading")
            << QByteArray("<a href='http://a.org/'><h1>J</h1>ump</a>") << "ump <http://a.org/>";
        QTest::newRow("link around cells")
            << QByteArray("<a href='http://a.org/'><table><tr><td>Ju<td>mp</table></a>") << "mp <http://a.org/>";
        QTest::newRow("image link") << QByteArray("<a href='https://example.net/'><img src='cid:none'></a>")
                                    << "<https://example.net/>";
        QTest::newRow("text is the address")
            << QByteArray("<a href='https://example.org/'>https://example.org</a>") << "";
        QTest::newRow("mail address") << QByteArray("<a href='mailto:ann@example.com'>ann@example.com</a>") << "";
        QTest::newRow("anchor in the page") << QByteArray("<a href='#top'>back to top</a>") << "";
    }

    // A link whose text hides its address is followed by the address in small print.
    void linkTargets()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        const QString pdf = print(html("<p>Go " + body + " now</p>"));
        const QString text = pageText(pdf, 1).simplified().section(QStringLiteral("Layout"), 1);
        QVERIFY2(text.contains(QStringLiteral(" now")), qPrintable(text));
        if (shown.isEmpty())
        {
            QVERIFY2(!text.contains(u'<'), qPrintable(text));
            return;
        }
        QVERIFY2(text.contains(shown) && text.count(u'<') == 1, qPrintable(text));
        const auto list = words(pdf);
        const Word* go = find(list, QStringLiteral("Go"));
        const Word* address = find(list, shown.section(u' ', -1));
        QVERIFY(go && address);
        QVERIFY(address->box.height() < go->box.height() * 0.9);
    }

    void runningHeader_data()
    {
        QTest::addColumn<QByteArray>("subject");
        QTest::addColumn<QString>("expected"); // on every page but the first
        QTest::newRow("short") << QByteArray("Quarterly figures") << "Quarterly figures";
        QTest::newRow("long subject is cut to the line at a word")
            << QByteArray("Minutes ").repeated(120) << "Minutes Minutes…";
    }

    void runningHeader()
    {
        QFETCH(QByteArray, subject);
        QFETCH(QString, expected);
        const QString pdf =
            print(mail("text/plain", QByteArray("Some text of the report.\r\n").repeated(300), subject));
        const int pages = pageCount(pdf);
        QVERIFY(pages >= 3);
        QCOMPARE(pageText(pdf, 1).count(QStringLiteral("Ann Archer")), 1); // the header block only
        for (int p = 2; p <= pages; ++p)
        {
            const QString text = pageText(pdf, p).simplified();
            const QString number = QStringLiteral("Page %1 of %2").arg(p).arg(pages);
            QVERIFY2(text.contains(expected) && text.contains(QStringLiteral("Ann Archer")) &&
                         text.contains(QStringLiteral("2026 10:00:00 +0100")) && text.contains(number),
                     qPrintable(text.left(300)));
        }
        for (const Word& w : words(pdf))
            QVERIFY2(w.box.right() < RightEdge, qPrintable(w.text));
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_Layout.moc"
