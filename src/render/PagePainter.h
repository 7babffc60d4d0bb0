#pragma once

#include <QString>

class QPagedPaintDevice;

namespace Render
{

class MessageDocument;

/// Paints a message document page by page on a printer or PDF writer, with a
/// "Page n of m" footer; pages after the first also name their message in a running
/// header. The page size is the device's.
class PagePainter
{
public:
    /// Paints every page of `doc` on `device`; false with a reason when the device refuses.
    static bool paint(MessageDocument& doc, QPagedPaintDevice& device, QString* error = nullptr);
};

} // namespace Render
