#pragma once

#include <QList>
#include <QString>

class QTextDocument;

namespace Render
{

/// Corrections that make an imported HTML body print the way a browser prints it:
/// sizes kept on paper, links readable, wide tables on the page, no line on two pages.
namespace PrintLayout
{

/// Tables with more cells than this are printed as rows of text: laying them out as
/// tables would take minutes.
constexpr int MaxTableCells = 5000;

/// `html` with its tables turned into one paragraph per row when it holds more than
/// MaxTableCells cells; otherwise `html` itself.
QString rowsInsteadOfLargeTables(const QString& html);

/// Turns CSS pixel font sizes into points (1 px = 1/96 inch): the layout would take
/// them as device pixels, a hairline on a printer.
void pixelFontsToPoints(QTextDocument& doc);

/// Japanese or Chinese text takes its Han characters and kana from one font: left to the
/// glyph-by-glyph fallback, kanji came from a Korean font and kana from another.
void oneFontForHanText(QTextDocument& doc);

/// Follows each link whose text is not its own address with the address in small print.
void showLinkTargets(QTextDocument& doc);

/// Shrinks the text of tables too wide for `width` (document units, after layout on the
/// device) so whole words fit their columns; a table that cannot fit even then is printed
/// as one line per row.
void fitTables(QTextDocument& doc, qreal width);

/// Where each page starts, in document coordinates, plus the end of the document: pages are
/// at most `pageHeight` tall and end above any line that would cross the break.
QList<qreal> pageBreaks(QTextDocument& doc, qreal pageHeight);

} // namespace PrintLayout

} // namespace Render
