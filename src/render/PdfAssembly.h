#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace Render
{

/// Our one use of the PDF library: it checks attached PDFs and puts an output file
/// together from the pages Qt wrote, the pages of attached PDFs placed on them, an outline
/// and the producing program's name. Qt cannot import pages nor write an outline.
class PdfAssembly
{
public:
    /// A page of an attached PDF drawn into a page of the output.
    struct Placement
    {
        int page;       ///< page of the output, from 0
        int source;     ///< what addSource() returned
        int sourcePage; ///< page of the source, from 0
        QRectF box;     ///< in PDF points from the page's lower left; the page is shrunk to fit, never enlarged
    };
    /// An outline entry and the entries below it.
    struct Bookmark
    {
        QString title;
        int page; ///< from 0
        QList<Bookmark> children;
    };

    /// The pages of a PDF held in memory; -1 with a reason when it cannot be used
    /// (encrypted, damaged, no pages).
    static int pageCount(const QByteArray& pdf, QString* reason = nullptr);

    /// The XMP metadata packet naming the document and the program that made it.
    static QByteArray xmpMetadata(const QString& title, const QString& creator);

    /// Appends the pages of the PDF file at `path`.
    void appendFile(const QString& path) { m_files << path; }
    /// Keeps an attached PDF for placements (on disk: a production may hold many large
    /// ones); returns its number, or -1 with a reason when it cannot be kept.
    int addSource(const QByteArray& pdf, QString* reason = nullptr);
    void place(const Placement& placement) { m_placements << placement; }
    void addBookmark(const Bookmark& bookmark) { m_bookmarks << bookmark; }

    /// Writes the file; false with a reason when a part cannot be read or the file written.
    bool write(const QString& path, const QString& title, const QString& creator, QString* error = nullptr) const;

private:
    QStringList m_files;
    std::unique_ptr<QTemporaryDir> m_sourceDir;
    QStringList m_sources;
    QList<Placement> m_placements;
    QList<Bookmark> m_bookmarks;
};

} // namespace Render
