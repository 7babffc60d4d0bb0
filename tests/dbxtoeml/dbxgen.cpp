// dbxgen <out.dbx> <count> [<size> | <min>-<max>] [seed]
// Writes a valid Outlook Express message folder with count generated messages,
// each of the given size in bytes, or of sizes spread over min..max (default 2000).
#include "DbxWriter.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5)
    {
        std::fprintf(stderr, "usage: dbxgen <out.dbx> <count> [<size> | <min>-<max>] [seed]\n");
        return 1;
    }
    const std::size_t count = std::strtoull(argv[2], nullptr, 10);
    std::size_t low = 2000;
    std::size_t high = 2000;
    if (argc >= 4)
    {
        const std::string sizes = argv[3];
        const std::size_t dash = sizes.find('-');
        low = std::strtoull(sizes.c_str(), nullptr, 10);
        high = dash == std::string::npos ? low : std::strtoull(sizes.c_str() + dash + 1, nullptr, 10);
        if (high < low)
            high = low;
    }
    std::mt19937_64 random(argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1);
    std::uniform_int_distribution<std::size_t> size(low, high);
    DbxWriter writer;
    for (std::size_t i = 0; i < count; ++i)
        writer.addMessage(DbxWriter::sampleMessage(i + 1, size(random)));
    if (!writer.save(argv[1]))
    {
        std::fprintf(stderr, "dbxgen: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
