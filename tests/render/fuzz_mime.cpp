// Random and mutated MIME through the readers alone (MIME; TNEF properties, as a stream and a table).

#include "MimeReader.h"
#include "TnefProperties.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Render::Message message;
    (void)Render::MimeReader::readBytes(bytes, message);
    using namespace Render::TnefProperties;
    (void)rows(messageAttribute(bytes, RecipientTable));
    (void)rows(bytes);
    return 0;
}
