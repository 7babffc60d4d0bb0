#include "PrintLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <algorithm>
#include <vector>

namespace Render::PrintLayout
{

namespace
{

constexpr qreal PointsPerCssPixel = 72.0 / 96.0;
// Below this a table's text is too small to read on paper; it is printed row by row instead.
constexpr qreal SmallestTableScale = 0.5;
const QString RowsNote = QStringLiteral("A table printed one row per line, cells separated by \u201c|\u201d:");

struct FormatChange
{
    int position;
    int length;
    QTextCharFormat format;
};

// Applied after a walk over the fragments, which setting formats would disturb.
void applyChanges(QTextDocument& doc, const std::vector<FormatChange>& changes)
{
    QTextCursor cursor(&doc);
    for (const FormatChange& change : changes)
    {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(change.format);
    }
}

template <class Fn> void forEachFragment(const QTextBlock& first, int end, Fn&& fn)
{
    for (QTextBlock block = first; block.isValid() && block.position() <= end; block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().isValid())
                fn(it.fragment());
}

qreal pointSize(const QTextDocument& doc, const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : doc.defaultFont().pointSizeF();
}

QString comparable(QString address)
{
    address = address.trimmed().toLower();
    for (const char* prefix : {"mailto:", "https://", "http://", "www."})
        if (address.startsWith(QLatin1String(prefix)))
            address.remove(0, int(qstrlen(prefix)));
    while (address.endsWith(u'/'))
        address.chop(1);
    return address;
}

bool worthShowing(const QString& href, const QString& text)
{
    const QString lower = href.trimmed().toLower();
    if (lower.isEmpty() || lower.startsWith(u'#') || lower.startsWith(QLatin1String("cid:")) ||
        lower.startsWith(QLatin1String("javascript:")))
        return false;
    return comparable(text) != comparable(href);
}

// The widest word of `text`. Only the longest words (by letters) are measured: with a
// hostile cell of a million characters, shaping every word would cost seconds.
qreal longestWord(const QFontMetricsF& metrics, const QString& text)
{
    std::vector<QStringView> words;
    qsizetype longest = 0;
    for (QStringView word : QStringView(text).split(u' ', Qt::SkipEmptyParts))
    {
        if (word.size() * 2 < longest)
            continue;
        longest = qMax(longest, word.size());
        words.push_back(word);
    }
    qreal widest = 0;
    int measured = 0;
    for (auto it = words.rbegin(); it != words.rend() && measured < 64; ++it)
        if (it->size() * 2 >= longest)
        {
            widest = qMax(widest, metrics.horizontalAdvance(it->toString()));
            ++measured;
        }
    return widest;
}

// Widths a table's columns need, measured on the layout's device (document units).
struct ColumnNeeds
{
    std::vector<qreal> word;  // the longest word (capped): narrower would break words apart
    std::vector<qreal> whole; // the longest paragraph: wider is not needed
};

class TableFitter
{
public:
    TableFitter(QTextDocument& doc, qreal width) : m_doc(doc), m_width(width)
    {
        const QPaintDevice* device = doc.documentLayout()->paintDevice();
        m_device = device;
        m_pixel = device ? device->logicalDpiX() / 96.0 : 1.0;
    }

    bool changed() const { return m_changed; }

    void fitIn(QTextFrame* frame)
    {
        for (QTextFrame* child : frame->childFrames())
        {
            if (auto* table = qobject_cast<QTextTable*>(child))
                fit(table);
            else
                fitIn(child);
        }
    }

private:
    QFontMetricsF metrics(const QTextCharFormat& format)
    {
        QFont font = format.font().resolve(m_doc.defaultFont());
        const QString key = font.key();
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.insert(key, QFontMetricsF(font, m_device));
        return *it;
    }

    ColumnNeeds measure(QTextTable* table)
    {
        ColumnNeeds needs{std::vector<qreal>(table->columns(), 0), std::vector<qreal>(table->columns(), 0)};
        const qreal wordCap = m_width / 3; // longer words (addresses, codes) may break anywhere
        for (int row = 0; row < table->rows(); ++row)
            for (int column = 0; column < table->columns(); ++column)
            {
                const QTextTableCell cell = table->cellAt(row, column);
                if (cell.row() != row || cell.column() != column || cell.columnSpan() != 1)
                    continue;
                qreal word = 0;
                qreal line = 0;
                int lineBlock = -1;
                forEachFragment(m_doc.findBlock(cell.firstPosition()), cell.lastPosition() - 1,
                                [&](const QTextFragment& fragment) {
                                    const QTextCharFormat format = fragment.charFormat();
                                    if (format.isImageFormat())
                                    {
                                        const qreal w = format.toImageFormat().width() * m_pixel;
                                        word = qMax(word, qMin(w, m_width));
                                        return;
                                    }
                                    const QFontMetricsF fm = metrics(format);
                                    const QString text = fragment.text();
                                    word = qMax(word, qMin(longestWord(fm, text), wordCap));
                                    const int block = m_doc.findBlock(fragment.position()).blockNumber();
                                    if (block != lineBlock)
                                        line = 0, lineBlock = block;
                                    // A long text wraps whatever its exact width: spare the shaping.
                                    line += text.size() > 2000 ? m_width : fm.horizontalAdvance(text);
                                    needs.whole[column] = qMax(needs.whole[column], line);
                                });
                // A little room for rounding and for words split across formats.
                needs.word[column] = qMax(needs.word[column], word * 1.04);
            }
        for (int c = 0; c < table->columns(); ++c)
            needs.whole[c] = qMax(needs.whole[c], needs.word[c]);
        return needs;
    }

    // True when the sender's column percentages leave every column room for its words.
    static bool sharesFit(const QTextTableFormat& format, const ColumnNeeds& needs, qreal inner)
    {
        const QList<QTextLength> shares = format.columnWidthConstraints();
        if (shares.size() != qsizetype(needs.word.size()))
            return false;
        for (qsizetype c = 0; c < shares.size(); ++c)
            if (shares[c].type() != QTextLength::PercentageLength || shares[c].value(inner) < needs.word[c])
                return false;
        return true;
    }

    void fit(QTextTable* table)
    {
        QTextTableFormat format = table->format();
        const int columns = table->columns();
        if (columns == 0)
            return;
        const qreal perColumn = (2 * format.cellPadding() + 2 * format.border() + format.cellSpacing()) * m_pixel;
        const qreal around = (format.cellSpacing() + 2 * format.border()) * m_pixel;
        const ColumnNeeds needs = measure(table);
        qreal words = 0;
        qreal whole = 0;
        for (int c = 0; c < columns; ++c)
            words += needs.word[c], whole += needs.whole[c];
        const qreal fixed = columns * perColumn + around;
        if (whole + fixed <= m_width || sharesFit(format, needs, m_width - fixed))
            return; // the usual layout gives every column what it asks for

        qreal scale = 1;
        if (words + fixed > m_width)
        {
            scale = m_width / (words + fixed);
            if (scale < SmallestTableScale)
            {
                m_changed = true;
                flatten(table);
                return;
            }
            shrink(table, scale);
            format.setCellPadding(format.cellPadding() * scale);
            format.setCellSpacing(format.cellSpacing() * scale);
            format.setBorder(format.border() * scale);
        }
        // Each column gets its longest word, and the rest goes where text is longest.
        const qreal spare = qMax<qreal>(0, m_width - (words + fixed) * scale);
        const qreal wants = qMax<qreal>(1e-6, whole - words);
        const qreal inner = qMax<qreal>(1, m_width - fixed * scale);
        QList<QTextLength> constraints;
        for (int c = 0; c < columns; ++c)
        {
            const qreal w = needs.word[c] * scale + spare * (needs.whole[c] - needs.word[c]) / wants;
            constraints << QTextLength(QTextLength::PercentageLength, 100 * w / inner);
        }
        format.setColumnWidthConstraints(constraints);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table->setFormat(format);
        m_changed = true;
    }

    void shrink(QTextTable* table, qreal scale)
    {
        std::vector<FormatChange> changes;
        forEachFragment(m_doc.findBlock(table->firstPosition()), table->lastPosition(),
                        [&](const QTextFragment& fragment) {
                            QTextCharFormat format;
                            format.setFontPointSize(qMax(1.0, pointSize(m_doc, fragment.charFormat()) * scale));
                            if (fragment.charFormat().isImageFormat())
                            {
                                const QTextImageFormat image = fragment.charFormat().toImageFormat();
                                QTextImageFormat sized;
                                if (image.width() > 0)
                                    sized.setWidth(image.width() * scale);
                                if (image.height() > 0)
                                    sized.setHeight(image.height() * scale);
                                format = sized;
                            }
                            changes.push_back({fragment.position(), fragment.length(), format});
                        });
        applyChanges(m_doc, changes);
    }

    // One line per row, cells separated by a bar: every word stays on the page.
    void flatten(QTextTable* table)
    {
        QStringList rows;
        QTextCursor cursor(&m_doc);
        for (int row = 0; row < table->rows(); ++row)
        {
            QStringList cells;
            for (int column = 0; column < table->columns(); ++column)
            {
                const QTextTableCell cell = table->cellAt(row, column);
                if (cell.row() != row || cell.column() != column)
                    continue;
                cursor.setPosition(cell.firstPosition());
                cursor.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
                QString text = cursor.selectedText();
                text.remove(QChar::ObjectReplacementCharacter);
                text.replace(QChar::ParagraphSeparator, u' ');
                text.replace(QChar::LineSeparator, u' ');
                text = text.simplified();
                if (!text.isEmpty())
                    cells << text;
            }
            if (!cells.isEmpty())
                rows << cells.join(QStringLiteral(" | "));
        }
        const int first = table->firstPosition() - 1;
        const int last = table->lastPosition() + 1;
        cursor.setPosition(first);
        cursor.setPosition(last, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QTextCharFormat note;
        note.setFontItalic(true);
        note.setFontPointSize(8);
        cursor.insertBlock(QTextBlockFormat(), note);
        cursor.insertText(RowsNote);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(rows.join(u'\n'));
    }

    QTextDocument& m_doc;
    const qreal m_width;
    const QPaintDevice* m_device = nullptr;
    qreal m_pixel = 1;
    QHash<QString, QFontMetricsF> m_metrics;
    bool m_changed = false;
};

} // namespace

QString rowsInsteadOfLargeTables(const QString& html)
{
    static const QRegularExpression cell(QStringLiteral("<t[dh][\\s>]"), QRegularExpression::CaseInsensitiveOption);
    qsizetype cells = 0;
    for (auto it = cell.globalMatch(html); it.hasNext() && cells <= MaxTableCells; it.next())
        ++cells;
    if (cells <= MaxTableCells)
        return html;
    static const QRegularExpression between(QStringLiteral("</t[dh]>\\s*<t[dh](\\s[^>]*)?>"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rowStart(QStringLiteral("<tr(\\s[^>]*)?>"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rowEnd(QStringLiteral("</tr\\s*>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tableStart(QStringLiteral("<table(\\s[^>]*)?>"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression other(
        QStringLiteral("</?(table|t[dh]|thead|tbody|tfoot|colgroup|col|caption)(\\s[^>]*)?>"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = html;
    out.replace(between, QStringLiteral(" | "));
    out.replace(rowStart, QStringLiteral("<p style=\"margin: 0\">"));
    out.replace(rowEnd, QStringLiteral("</p>"));
    out.replace(tableStart, QStringLiteral("<p><i>") + RowsNote.toHtmlEscaped() + QStringLiteral("</i></p>"));
    out.replace(other, QString());
    return out;
}

void pixelFontsToPoints(QTextDocument& doc)
{
    std::vector<FormatChange> changes;
    forEachFragment(doc.begin(), doc.characterCount(), [&](const QTextFragment& fragment) {
        const QTextCharFormat format = fragment.charFormat();
        if (!format.hasProperty(QTextFormat::FontPixelSize))
            return;
        QTextCharFormat points;
        points.setFontPointSize(format.intProperty(QTextFormat::FontPixelSize) * PointsPerCssPixel);
        changes.push_back({fragment.position(), fragment.length(), points});
    });
    // Merging cannot remove a property, and a pixel size would still win over the points.
    QTextCursor cursor(&doc);
    for (const FormatChange& change : changes)
    {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        QTextCharFormat format = cursor.charFormat();
        format.clearProperty(QTextFormat::FontPixelSize);
        format.setFontPointSize(change.format.fontPointSize());
        cursor.setCharFormat(format);
    }
}

void oneFontForHanText(QTextDocument& doc)
{
    bool han = false;
    bool kana = false;
    bool hangul = false;
    for (QTextBlock block = doc.begin(); block.isValid() && !kana; block = block.next())
        for (QChar c : block.text())
        {
            const char16_t u = c.unicode();
            kana |= u >= 0x3040 && u <= 0x30FF;
            han |= u >= 0x4E00 && u <= 0x9FFF;
            hangul |= u >= 0xAC00 && u <= 0xD7AF;
        }
    // Korean text keeps its own fonts; kana or Han alone is Japanese or Chinese.
    if (!kana && (!han || hangul))
        return;
    const QString cjk = QStringLiteral("Droid Sans Fallback");
    auto withCjk = [&](QStringList families) {
        if (!families.contains(cjk))
            families << cjk;
        return families;
    };
    QFont font = doc.defaultFont();
    font.setFamilies(withCjk(font.families().isEmpty() ? QStringList{font.family()} : font.families()));
    doc.setDefaultFont(font);
    std::vector<FormatChange> changes;
    forEachFragment(doc.begin(), doc.characterCount(), [&](const QTextFragment& fragment) {
        const QTextCharFormat format = fragment.charFormat();
        QStringList families = format.fontFamilies().toStringList();
        if (families.isEmpty())
            families = font.families();
        QTextCharFormat change;
        change.setFontFamilies(withCjk(families));
        changes.push_back({fragment.position(), fragment.length(), change});
    });
    applyChanges(doc, changes);
}

void showLinkTargets(QTextDocument& doc)
{
    struct Link
    {
        int end;
        QString href;
        QTextCharFormat format;
    };
    std::vector<Link> links;
    QString text;
    QString href;
    int end = -1;
    QTextCharFormat last;
    auto close = [&] {
        if (!href.isEmpty() && worthShowing(href, text.remove(QChar::ObjectReplacementCharacter)))
            links.push_back({end, href, last});
        href.clear();
        text.clear();
    };
    QTextBlock piece; // the paragraph of the open link's last piece
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
    {
        // A link goes on into the next paragraph when that one starts with it (an <a> around
        // a heading, list items or table cells): its address goes after its last piece, once.
        if (piece.isValid() && piece.next() != block)
            close();
        for (auto it = block.begin(); !it.atEnd(); ++it)
        {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString target = format.isAnchor() ? format.anchorHref().trimmed() : QString();
            if (target != href)
                close();
            if (target.isEmpty())
                continue;
            href = target;
            text += fragment.text();
            end = fragment.position() + fragment.length();
            last = format;
            piece = block;
        }
    }
    close();
    QTextCursor cursor(&doc);
    for (auto it = links.rbegin(); it != links.rend(); ++it)
    {
        QTextCharFormat small = it->format.isImageFormat() ? QTextCharFormat() : it->format;
        small.setAnchor(false);
        small.setAnchorHref(QString());
        small.setFontUnderline(false);
        small.setForeground(Qt::black);
        small.setFontPointSize(qMin<qreal>(7.5, pointSize(doc, it->format)));
        cursor.setPosition(it->end);
        cursor.insertText(QStringLiteral(" <%1>").arg(it->href), small);
    }
}

void fitTables(QTextDocument& doc, qreal width)
{
    TableFitter fitter(doc, width);
    fitter.fitIn(doc.rootFrame());
    // A changed table format leaves the blocks after it unlaid: lay out everything anew.
    if (fitter.changed())
        doc.markContentsDirty(0, doc.characterCount());
}

namespace
{

struct Line
{
    qreal top;
    qreal bottom;
    int start; // document position of its first character
    bool firstOfBlock;
};

std::vector<Line> laidOutLines(QTextDocument& doc)
{
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    doc.pageCount(); // the layout is lazy: this finishes it
    std::vector<Line> lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
    {
        const QTextLayout* text = block.layout();
        if (!text || text->lineCount() == 0)
            continue;
        const qreal top = layout->blockBoundingRect(block).top();
        for (int i = 0; i < text->lineCount(); ++i)
        {
            const QTextLine line = text->lineAt(i);
            lines.push_back(
                {top + line.rect().top(), top + line.rect().bottom(), block.position() + line.textStart(), i == 0});
        }
    }
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.top < b.top; });
    return lines;
}

QList<qreal> breaksOf(const std::vector<Line>& lines, qreal pageHeight)
{
    qreal end = 0;
    for (const Line& line : lines)
        end = qMax(end, line.bottom);
    // Rounding in the layout: lines that touch a break do not cross it.
    constexpr qreal slack = 0.5;
    QList<qreal> breaks{0};
    qreal top = 0;
    size_t first = 0;
    while (top + pageHeight < end)
    {
        const qreal bottom = top + pageHeight;
        qreal cut = bottom;
        while (first < lines.size() && lines[first].top < top + slack)
            ++first;
        for (size_t i = first; i < lines.size() && lines[i].top < bottom; ++i)
            if (lines[i].bottom > bottom + slack)
                cut = qMin(cut, lines[i].top);
        top = cut > top + slack ? cut : bottom; // a line taller than a page is split
        breaks << top;
    }
    breaks << qMax(end, top);
    return breaks;
}

// Starts a new paragraph at `position` that looks like the rest of the old one: no margin
// between the two halves, no second bullet.
void splitBlock(QTextDocument& doc, QTextCursor& cursor, int position)
{
    cursor.setPosition(position);
    QTextBlockFormat before = cursor.blockFormat();
    QTextBlockFormat after = before;
    if (QTextList* list = cursor.currentList())
    {
        after.setObjectIndex(-1);
        after.setIndent(list->format().indent());
    }
    after.setTopMargin(0);
    after.setTextIndent(0);
    const QTextCharFormat format = cursor.charFormat();
    // A manual line break right before the split would leave an empty line behind.
    if (position > cursor.block().position() && doc.characterAt(position - 1) == QChar::LineSeparator)
        cursor.setPosition(position - 1, QTextCursor::KeepAnchor);
    cursor.insertBlock(after, format);
    before.setBottomMargin(0);
    cursor.movePosition(QTextCursor::PreviousBlock);
    cursor.setBlockFormat(before);
}

} // namespace

QList<qreal> pageBreaks(QTextDocument& doc, qreal pageHeight)
{
    // The layout draws the line just above a page's top edge as well (clipped, yet in the
    // text layer), when that line belongs to the same paragraph as the page's first line.
    // Paragraphs that cross a break are therefore split there, and the breaks found anew.
    for (int round = 0;; ++round)
    {
        const std::vector<Line> lines = laidOutLines(doc);
        const QList<qreal> breaks = breaksOf(lines, pageHeight);
        if (round == 3)
            return breaks;
        std::vector<int> splits;
        size_t i = 0;
        for (qsizetype b = 1; b + 1 < breaks.size(); ++b)
        {
            while (i < lines.size() && lines[i].top < breaks[b] - 0.5)
                ++i;
            // Every line starting on the new page within a paragraph begun on the last one.
            for (size_t j = i; j < lines.size() && lines[j].top < breaks[b] + pageHeight / 2; ++j)
                if (!lines[j].firstOfBlock && lines[j].top < breaks[b] + 0.5 + (lines[j].bottom - lines[j].top))
                    splits.push_back(lines[j].start);
        }
        if (splits.empty())
            return breaks;
        std::sort(splits.begin(), splits.end());
        splits.erase(std::unique(splits.begin(), splits.end()), splits.end());
        // One edit: the layout is redone once, not once per split (a table each time).
        QTextCursor cursor(&doc);
        cursor.beginEditBlock();
        for (auto it = splits.rbegin(); it != splits.rend(); ++it)
            splitBlock(doc, cursor, *it);
        cursor.endEditBlock();
    }
}

} // namespace Render::PrintLayout
