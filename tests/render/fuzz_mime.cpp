// Random and mutated MIME through the reader alone: fast enough to explore its branches.

#include "MimeReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Render::Message message;
    (void)Render::MimeReader::readBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                                        message);
    return 0;
}
