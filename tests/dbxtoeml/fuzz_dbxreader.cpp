// Feeds arbitrary bytes to the .dbx reader: it must neither crash nor hang, and every
// message it reports must lie inside the input and add up to its stated size.
#include "DbxReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DbxReader reader({data, size});
    const DbxContents contents = reader.read();
    unsigned sum = 0;
    for (const DbxMessage& message : contents.messages)
    {
        if (message.firstSegment + message.segmentCount > contents.segments.size())
            __builtin_trap();
        std::size_t total = 0;
        for (std::size_t i = 0; i < message.segmentCount; ++i)
        {
            const DbxSegment& segment = contents.segments[message.firstSegment + i];
            if (segment.length == 0 || segment.offset + segment.length > size)
                __builtin_trap();
            sum += data[segment.offset] + data[segment.offset + segment.length - 1];
            total += segment.length;
        }
        if (total != message.size)
            __builtin_trap();
    }
    // A message folder read without damage is exactly what its header promises.
    if (!contents.damaged && contents.kind == DbxKind::Messages && contents.messages.size() != contents.indexedCount)
        __builtin_trap();
    return int(sum & 0);
}
