#include "Options.h"

namespace PrintTool
{

const char* usageText()
{
    return "usage: vellumtide-print SOURCE... [SELECTION] OUTPUT... [--quiet]\n"
           "       vellumtide-print SOURCE... [SELECTION] --list\n"
           "       vellumtide-print --profile[=FILE] --stores\n"
           "Prints the mail of stores without a window, as the main window's print run does.\n"
           "Sources (at least one; --store and --dbx may be repeated):\n"
           "  --profile[=FILE]     the stores of the profile file (default: the user's; without\n"
           "                       that file, the mail the desktop's mail programs keep)\n"
           "  --store FILE         a .pst/.ost file, an mbox file or folder tree, or a Maildir\n"
           "  --dbx FILE           an Outlook Express folder file (.dbx)\n"
           "Selection (default: every message):\n"
           "  --folder NAME        only the folder or subfolder named exactly NAME\n"
           "  --find TEXT          only messages whose body, sender name, address or date\n"
           "                       text contains TEXT, without regard to case\n"
           "  --list               write the selected rows to standard output, tab-separated,\n"
           "                       and print nothing\n"
           "  --stores             with --profile: write the stores it resolves to, in the\n"
           "                       profile file's format, and print nothing\n"
           "Outputs (one or more):\n"
           "  --printer [NAME]     one job per message on NAME or the default printer\n"
           "  --outdir DIR         one PDF per message in DIR, named from date and subject\n"
           "  --combined FILE.pdf  every message in one PDF, after a page listing them\n"
           "  --quiet              no progress on standard error\n"
           "No file is ever replaced. Ctrl-C stops after the current message.\n"
           "Exit codes: 0 done, 1 some messages failed, 2 bad arguments, 3 a source cannot be\n"
           "read, 4 no such printer or no print server, 5 an output cannot be written,\n"
           "130 stopped.\n";
}

std::optional<Options> parseArguments(const QStringList& args, QString& error, bool& help)
{
    Options options;
    help = false;
    for (int i = 0; i < args.size(); ++i)
    {
        QString arg = args[i];
        std::optional<QString> inlineValue;
        if (arg.startsWith(u"--") && arg.contains(u'='))
        {
            inlineValue = arg.section(u'=', 1);
            arg = arg.section(u'=', 0, 0);
        }
        // The value of an option that takes one: after "=", or the next argument.
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size())
                return args[++i];
            error = QStringLiteral("%1 needs a value").arg(arg);
            return std::nullopt;
        };
        const auto noValue = [&] {
            if (inlineValue)
                error = QStringLiteral("%1 takes no value").arg(arg);
            return !inlineValue;
        };

        if (arg == u"--help" || arg == u"-h")
        {
            help = true;
            return std::nullopt;
        }
        if (arg == u"--profile")
        {
            options.profile = true;
            options.profileFile = inlineValue.value_or(QString());
        }
        else if (arg == u"--printer")
        {
            options.print = true;
            // The name is optional: the next argument is one unless it is an option.
            if (inlineValue)
                options.printer = *inlineValue;
            else if (i + 1 < args.size() && !args[i + 1].startsWith(u'-'))
                options.printer = args[++i];
        }
        else if (arg == u"--store" || arg == u"--dbx" || arg == u"--folder" || arg == u"--find" || arg == u"--outdir" ||
                 arg == u"--combined")
        {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            if (given->isEmpty() && arg != u"--find")
            {
                error = QStringLiteral("%1 needs a value").arg(arg);
                return std::nullopt;
            }
            if (arg == u"--store")
                options.stores << *given;
            else if (arg == u"--dbx")
                options.dbxFiles << *given;
            else if ((arg == u"--folder" && options.folder) || (arg == u"--find" && options.find) ||
                     (arg == u"--outdir" && !options.outDir.isEmpty()) ||
                     (arg == u"--combined" && !options.combined.isEmpty()))
            {
                error = QStringLiteral("%1 is given twice").arg(arg);
                return std::nullopt;
            }
            else if (arg == u"--folder")
                options.folder = *given;
            else if (arg == u"--find")
                options.find = *given;
            else if (arg == u"--outdir")
                options.outDir = *given;
            else
                options.combined = *given;
        }
        else if (arg == u"--stores")
        {
            if (!noValue())
                return std::nullopt;
            options.listStores = true;
        }
        else if (arg == u"--list" || arg == u"--quiet")
        {
            if (!noValue())
                return std::nullopt;
            (arg == u"--list" ? options.list : options.quiet) = true;
        }
        else
        {
            error = QStringLiteral("unknown argument \"%1\"").arg(args[i]);
            return std::nullopt;
        }
    }

    if (options.listStores)
    {
        if (!options.profile || !options.stores.isEmpty() || !options.dbxFiles.isEmpty() || options.list ||
            options.hasOutput() || options.folder || options.find)
            error = QStringLiteral("--stores goes with --profile alone");
        return error.isEmpty() ? std::optional(options) : std::nullopt;
    }
    if (!options.profile && options.stores.isEmpty() && options.dbxFiles.isEmpty())
        error = QStringLiteral("no source: give --profile, --store FILE or --dbx FILE");
    else if (options.list && options.hasOutput())
        error = QStringLiteral("--list only lists: leave out --printer, --outdir and --combined");
    else if (!options.list && !options.hasOutput())
        error = QStringLiteral("no output: give --printer, --outdir DIR, --combined FILE.pdf or --list");
    else if (!options.combined.isEmpty() && !options.combined.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        error = QStringLiteral("--combined needs a file name ending in .pdf");
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace PrintTool
