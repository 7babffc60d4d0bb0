// Feeds arbitrary bytes to what vellumtide-print makes of user text: the argument parser
// (NUL-separated arguments) and the file names made from a message's subject.
#include "DateBound.h"
#include "Options.h"
#include "OutputFiles.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    QString error;
    bool help = false;
    const auto options = PrintTool::parseArguments(text.split(QChar(0)), error, help);
    // Exactly one of: help, a usable call, a reason.
    if (int(help) + int(options.has_value()) + int(!error.isEmpty()) != 1)
        __builtin_trap();
    if (options && !options->profile && options->stores.isEmpty() && options->dbxFiles.isEmpty())
        __builtin_trap();
    if (options && options->since && options->until && *options->since > *options->until)
        __builtin_trap();
    // A date as a range of its own: the first instant never after the last.
    const auto lower = PrintTool::parseDateBound(text, false), upper = PrintTool::parseDateBound(text, true);
    if (lower.has_value() != upper.has_value() || (lower && (!lower->isValid() || *lower > *upper)))
        __builtin_trap();

    // A file name of its own: no folder part, no control characters, within the length limit,
    // and no half of a character cut off.
    const QString base = Render::messageFileBase(QDateTime(), text);
    if (base.isEmpty() || base.contains(u'/') || base.contains(QChar(0)) || base.contains(u'\n') ||
        base.toUtf8().size() > 150 || base.isValidUtf16() == false)
        __builtin_trap();
    return 0;
}
