// Random and mutated MIME through the reader, the layout and the page painter.

#include "MessageDocument.h"
#include "MimeReader.h"
#include "PagePainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_render";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    Render::Message message;
    if (!Render::MimeReader::readBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                                       message))
        return 0;
    Render::MessageDocument doc;
    doc.setMessage(message);
    (void)Render::MessageDocument::composeHtml(message);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPdfWriter writer(&out);
    (void)Render::PagePainter::paint(doc, writer);
    return 0;
}
