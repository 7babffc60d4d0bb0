#include "Options.h"

#include "DateBound.h"

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
           "  --folder NAME        only the folder or subfolder named exactly NAME; repeatable\n"
           "  --find TEXT          only messages whose body, sender name, address or date\n"
           "                       text contains TEXT, without regard to case\n"
           "  --search TEXT        only messages whose subject, sender, To, Cc, body or attachment\n"
           "                       names contain TEXT, without regard to case; repeatable (all must)\n"
           "  --since DATE         only messages sent at or after DATE: 2026-01-05, or\n"
           "                       2026-01-05T14:00 in local time unless an offset follows (+02:00)\n"
           "  --until DATE         only messages sent at or before DATE (a date: the whole day)\n"
           "  --sort KEY           date, sender, subject or store (default: the listing's order)\n"
           "  --reverse            the other way round\n"
           "  --dedupe             leave out copies: the same Message-ID and the same content\n"
           "  --list-duplicates    like --list, for the rows --dedupe leaves out, each followed\n"
           "                       by the ID of the message it copies\n"
           "  --list               write the selected rows to standard output, tab-separated,\n"
           "                       and print nothing\n"
           "  --stores             with --profile: write the stores it resolves to, in the\n"
           "                       profile file's format, and print nothing\n"
           "Outputs (one or more):\n"
           "  --printer [NAME]     one job per message on NAME or the default printer\n"
           "  --outdir DIR         one PDF per message in DIR, named from date and subject\n"
           "  --combined FILE.pdf  every message in one PDF, after a page listing them\n"
           "  --quiet              no progress on standard error\n"
           "  --jobs N             with --outdir: N messages rendered at once (default: one per\n"
           "                       processor); the files are the same as with --jobs 1. With\n"
           "                       --bates or --load-file one at a time: their numbers follow\n"
           "                       the pages of every earlier message\n"
           "  --resume             with --outdir: skip what an earlier run with the same sources and\n"
           "                       selection wrote there (give it from the first run on)\n"
           "Court production (with the outputs above):\n"
           "  --attachments        each attachment after its message, from a new page\n"
           "  --bates PREFIX       PREFIX and a page number at the bottom right of every page,\n"
           "                       counted across messages, attachments and files\n"
           "  --bates-start N      the first number (default 1)\n"
           "  --bates-digits D     numbers padded with zeros to D digits (default 6)\n"
           "  --load-file FILE.csv one CSV row per message written: its pages, numbers, header\n"
           "                       fields, hash, store and folder (needs --outdir or --combined)\n"
           "  --version            the program's version\n"
           "No file is ever replaced. Ctrl-C stops after the current message.\n"
           "Exit codes: 0 done, 1 some messages failed, 2 bad arguments, 3 a source cannot be\n"
           "read, 4 no such printer or no print server, 5 an output cannot be written,\n"
           "130 stopped.\n";
}

std::optional<Options> parseArguments(const QStringList& args, QString& error, bool& help)
{
    Options options;
    help = false;
    bool onlyProfile = true; // --stores takes nothing else
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

        onlyProfile = onlyProfile && (arg == u"--profile" || arg == u"--stores");
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
        else if (arg == u"--store" || arg == u"--dbx" || arg == u"--find" || arg == u"--outdir" || arg == u"--combined")
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
            else if ((arg == u"--find" && options.find) || (arg == u"--outdir" && !options.outDir.isEmpty()) ||
                     (arg == u"--combined" && !options.combined.isEmpty()))
            {
                error = QStringLiteral("%1 is given twice").arg(arg);
                return std::nullopt;
            }
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
        else if (arg == u"--folder" || arg == u"--search" || arg == u"--since" || arg == u"--until" || arg == u"--sort")
        {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            static const QStringList sortKeys{"store", "date", "sender", "subject"};
            const auto bound = parseDateBound(*given, arg == u"--until");
            if (given->isEmpty())
                error = QStringLiteral("%1 needs a value").arg(arg);
            else if (arg == u"--folder")
                options.folders << *given;
            else if (arg == u"--search")
                options.searches << *given;
            else if (arg == u"--sort" && sortKeys.contains(*given))
                options.sort = Options::SortKey(sortKeys.indexOf(*given));
            else if (arg == u"--sort")
                error = QStringLiteral("--sort takes date, sender, subject or store, not \"%1\"").arg(*given);
            else if (!bound)
                error = QStringLiteral("%1 needs a date such as 2026-01-05 or 2026-01-05T14:00, not \"%2\"")
                            .arg(arg, *given);
            else if ((arg == u"--since" ? options.since : options.until).has_value())
                error = QStringLiteral("%1 is given twice").arg(arg);
            else
                (arg == u"--since" ? options.since : options.until) = bound;
            if (!error.isEmpty())
                return std::nullopt;
        }
        else if (arg == u"--reverse" || arg == u"--dedupe" || arg == u"--list-duplicates" || arg == u"--resume")
        {
            if (!noValue())
                return std::nullopt;
            (arg == u"--reverse" ? options.reverse : arg == u"--resume" ? options.resume : options.dedupe) = true;
            if (arg == u"--list-duplicates")
                options.list = options.listDuplicates = true;
        }
        else if (arg == u"--jobs")
        {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            bool ok = false;
            options.jobs = given->toInt(&ok);
            if (!ok || options.jobs < 1 || options.jobs > 256)
            {
                error = QStringLiteral("--jobs needs a number from 1 to 256, not \"%1\"").arg(*given);
                return std::nullopt;
            }
        }
        else if (arg == u"--attachments")
        {
            if (!noValue())
                return std::nullopt;
            options.attachments = true;
        }
        else if (arg == u"--bates" || arg == u"--bates-start" || arg == u"--bates-digits" || arg == u"--load-file")
        {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            bool number = true;
            if ((arg == u"--bates" && options.batesPrefix) || (arg == u"--load-file" && !options.loadFile.isEmpty()))
                error = QStringLiteral("%1 is given twice").arg(arg);
            else if (arg == u"--bates")
                options.batesPrefix = *given;
            else if (arg == u"--load-file" && given->isEmpty())
                error = QStringLiteral("--load-file needs a value");
            else if (arg == u"--load-file")
                options.loadFile = *given;
            else if (arg == u"--bates-start")
                options.batesStart = given->toLongLong(&number);
            else
                options.batesDigits = given->toInt(&number);
            if (!number || options.batesStart < 0 || options.batesDigits < 1 || options.batesDigits > 15)
                error = QStringLiteral("%1 needs a number (digits: 1 to 15)").arg(arg);
            if (!error.isEmpty())
                return std::nullopt;
        }
        else
        {
            error = QStringLiteral("unknown argument \"%1\"").arg(args[i]);
            return std::nullopt;
        }
    }

    if (options.listStores)
    {
        if (!options.profile || !onlyProfile)
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
    else if (options.resume && !options.combined.isEmpty())
        error =
            QStringLiteral("--resume cannot be used with --combined: a combined file is written whole or not at all");
    else if (options.resume && options.outDir.isEmpty())
        error = QStringLiteral("--resume needs --outdir DIR, where the earlier run wrote its files");
    else if (options.since && options.until && *options.since > *options.until)
        error = QStringLiteral("--since is later than --until: no message can be in that range");
    else if (options.list && (options.attachments || options.batesPrefix || !options.loadFile.isEmpty()))
        error = QStringLiteral("--list only lists: --attachments, --bates and --load-file go with an output");
    else if (!options.batesPrefix && (options.batesStart != 1 || options.batesDigits != 6))
        error = QStringLiteral("--bates-start and --bates-digits number pages only with --bates PREFIX");
    else if (!options.loadFile.isEmpty() && options.outDir.isEmpty() == options.combined.isEmpty())
        error = QStringLiteral("--load-file describes one set of files: give --outdir or --combined, not both");
    else if (options.resume && (options.batesPrefix || !options.loadFile.isEmpty()))
        error =
            QStringLiteral("--resume cannot be used with --bates or --load-file: they number and list one whole run");
    if (!error.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace PrintTool
