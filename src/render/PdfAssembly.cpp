#include "PdfAssembly.h"

// The library's own smart pointers are std::shared_ptr; no transition warnings.
#define POINTERHOLDER_TRANSITION 4

#include <QDateTime>
#include <QFile>
#include <memory>
#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <vector>

namespace Render
{

namespace
{

std::unique_ptr<QPDF> openMemory(const QByteArray& pdf)
{
    auto doc = std::make_unique<QPDF>();
    doc->setSuppressWarnings(true);
    doc->processMemoryFile("attachment", pdf.constData(), size_t(pdf.size()));
    return doc;
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

// The outline entries of `list` under `parent`; returns how many entries are open below it.
int linkOutline(QPDF& pdf, QPDFObjectHandle parent, const QList<PdfAssembly::Bookmark>& list,
                const std::vector<QPDFPageObjectHelper>& pages)
{
    QPDFObjectHandle previous;
    int count = 0;
    for (const PdfAssembly::Bookmark& mark : list)
    {
        const int page = qBound(0, mark.page, int(pages.size()) - 1);
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(utf8(mark.title)));
        item.replaceKey("/Parent", parent);
        QPDFObjectHandle dest = QPDFObjectHandle::newArray();
        dest.appendItem(pages[size_t(page)].getObjectHandle());
        dest.appendItem(QPDFObjectHandle::newName("/Fit"));
        item.replaceKey("/Dest", dest);
        if (previous.isInitialized())
        {
            item.replaceKey("/Prev", previous);
            previous.replaceKey("/Next", item);
        }
        else
            parent.replaceKey("/First", item);
        parent.replaceKey("/Last", item);
        ++count;
        if (!mark.children.isEmpty())
            // Children start closed: the top level lists the messages.
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(-linkOutline(pdf, item, mark.children, pages)));
        previous = item;
    }
    return count;
}

} // namespace

QByteArray PdfAssembly::xmpMetadata(const QString& title, const QString& creator)
{
    return QStringLiteral("<?xpacket begin=\"\uFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                          "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                          "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                          "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                          "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
                          "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>\n"
                          "<xmp:CreatorTool>%2</xmp:CreatorTool><pdf:Producer>%2</pdf:Producer>"
                          "<xmp:CreateDate>%3</xmp:CreateDate>\n"
                          "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>")
        .arg(title.toHtmlEscaped(), creator.toHtmlEscaped(),
             QDateTime::currentDateTime()
                 .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                 .toString(Qt::ISODate))
        .toUtf8();
}

int PdfAssembly::pageCount(const QByteArray& pdf, QString* reason)
{
    const auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return -1;
    };
    try
    {
        const std::unique_ptr<QPDF> doc = openMemory(pdf);
        if (doc->isEncrypted())
            return fail(QStringLiteral("the PDF is encrypted"));
        // Writing it reads every object: a damaged file fails here, not in the middle of our output.
        QPDFWriter check(*doc);
        check.setOutputMemory();
        check.write();
        const auto pages = QPDFPageDocumentHelper(*doc).getAllPages().size();
        if (pages == 0)
            return fail(QStringLiteral("the PDF has no pages"));
        return int(pages);
    }
    catch (const std::exception& e)
    {
        return fail(QStringLiteral("the PDF is damaged (%1)").arg(QString::fromStdString(e.what())));
    }
}

int PdfAssembly::addSource(const QByteArray& pdf, QString* reason)
{
    if (!m_sourceDir)
        m_sourceDir = std::make_unique<QTemporaryDir>();
    QFile file(m_sourceDir->filePath(QStringLiteral("%1.pdf").arg(m_sources.size())));
    if (!m_sourceDir->isValid() || !file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.flush())
    {
        if (reason)
            *reason = QStringLiteral("no room to keep the PDF for the output: %1").arg(file.errorString());
        return -1;
    }
    m_sources << file.fileName();
    return int(m_sources.size()) - 1;
}

bool PdfAssembly::write(const QString& path, const QString& title, const QString& creator, QString* error) const
{
    try
    {
        QPDF out;
        out.emptyPDF();
        out.setSuppressWarnings(true);
        QPDFPageDocumentHelper outPages(out);
        std::vector<std::unique_ptr<QPDF>> inputs; // pages copied from them are read when writing
        for (const QString& file : m_files)
        {
            auto input = std::make_unique<QPDF>();
            input->setSuppressWarnings(true);
            input->processFile(file.toLocal8Bit().constData());
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*input).getAllPages())
                outPages.addPage(page, false);
            inputs.push_back(std::move(input));
        }
        std::vector<std::unique_ptr<QPDF>> sources;
        std::vector<std::shared_ptr<ClosedFileInputSource>> sourceFiles;
        for (const QString& source : m_sources)
        {
            // Opened only while read: a production may hold more of them than files may be open.
            auto file = std::make_shared<ClosedFileInputSource>(source.toLocal8Bit().constData());
            auto doc = std::make_unique<QPDF>();
            doc->setSuppressWarnings(true);
            file->stayOpen(true); // reading its structure takes many small reads
            doc->processInputSource(file);
            file->stayOpen(false);
            sources.push_back(std::move(doc));
            sourceFiles.push_back(std::move(file));
        }

        std::vector<QPDFPageObjectHelper> pages = outPages.getAllPages();
        for (const Placement& placement : m_placements)
        {
            QPDFPageObjectHelper target = pages.at(size_t(placement.page));
            sourceFiles.at(size_t(placement.source))->stayOpen(true);
            QPDFPageObjectHelper from = QPDFPageDocumentHelper(*sources.at(size_t(placement.source)))
                                            .getAllPages()
                                            .at(size_t(placement.sourcePage));
            QPDFObjectHandle form = out.copyForeignObject(from.getFormXObjectForPage());
            QPDFObjectHandle resources = target.getAttribute("/Resources", true);
            if (!resources.isDictionary())
            {
                resources = QPDFObjectHandle::newDictionary();
                target.getObjectHandle().replaceKey("/Resources", resources);
            }
            if (!resources.getKey("/XObject").isDictionary())
                resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
            int suffix = 0;
            const std::string name = resources.getUniqueResourceName("/Vt", suffix);
            resources.getKey("/XObject").replaceKey(name, form);
            const QRectF& b = placement.box;
            const std::string placing = target.placeFormXObject(
                form, name, QPDFObjectHandle::Rectangle(b.left(), b.top(), b.right(), b.bottom()), true, true, false);
            // Qt's page content may leave its graphics state changed: ours starts clean.
            target.addPageContents(QPDFObjectHandle::newStream(&out, "q\n"), true);
            target.addPageContents(QPDFObjectHandle::newStream(&out, "Q\nq\n" + placing + "\nQ\n"), false);
            sourceFiles.at(size_t(placement.source))->stayOpen(false);
        }

        QPDFObjectHandle root = out.getRoot();
        if (!m_bookmarks.isEmpty() && !pages.empty())
        {
            QPDFObjectHandle outlines = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
            outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
            outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(linkOutline(out, outlines, m_bookmarks, pages)));
            root.replaceKey("/Outlines", outlines);
            root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
        }

        QPDFObjectHandle info = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(utf8(title)));
        info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(utf8(creator)));
        info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(utf8(creator)));
        out.getTrailer().replaceKey("/Info", info);
        QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&out, xmpMetadata(title, creator).toStdString());
        metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
        metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
        root.replaceKey("/Metadata", metadata);

        QPDFWriter writer(out, path.toLocal8Bit().constData());
        writer.write();
        return true;
    }
    catch (const std::exception& e)
    {
        if (error)
            *error = QStringLiteral("the PDF could not be put together: %1").arg(QString::fromStdString(e.what()));
        return false;
    }
}

} // namespace Render
