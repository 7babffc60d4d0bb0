// DBXToEML <file.dbx> <output folder>
// Writes every message of an Outlook Express folder file as one .eml file into the
// output folder. Exit codes: see ExitCode.h and README.md.
#include "DbxConverter.h"
#include "ExitCode.h"
#include "Version.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (printVersionWhenAsked(argc, argv, "DBXToEML"))
        return ExitCode::Ok;
    if (argc != 3)
    {
        std::fprintf(stderr, "DBXToEML: usage: DBXToEML <file.dbx> <output folder>\n");
        return ExitCode::Usage;
    }
    DbxConverter converter;
    const int code = converter.run(argv[1], argv[2]);
    for (const std::string& note : converter.notes())
        std::printf("%s\n", note.c_str());
    if (code != ExitCode::Ok)
        std::fprintf(stderr, "DBXToEML: %s\n", converter.reason().c_str());
    return code;
}
