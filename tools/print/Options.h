#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace PrintTool
{

/// What one call of vellumtide-print asks for.
struct Options
{
    // Sources
    bool profile = false;
    QString profileFile; ///< empty: the user's profile file
    QStringList stores;
    QStringList dbxFiles;
    // Selection
    std::optional<QString> find;
    bool list = false;
    // Outputs
    bool print = false;
    QString printer; ///< empty: the default printer
    QString outDir;
    QString combined;
    bool quiet = false;
    // Choosing what goes in: several folders, dates, a search, order, copies once, resuming
    enum class SortKey
    {
        Store, ///< the listing's walk order
        Date,
        Sender,
        Subject,
    };
    QStringList folders; ///< a message in any of them
    std::optional<QDateTime> since, until;
    QStringList searches; ///< a message must contain every one
    SortKey sort = SortKey::Store;
    bool reverse = false;
    bool dedupe = false;
    bool listDuplicates = false; ///< with list: the rows left out as copies instead
    bool resume = false;
    // Speed
    int jobs = 0; ///< messages rendered at once into --outdir; 0: one per processor
    // The profile's stores
    bool listStores = false; ///< --stores: write the stores the profile resolves to and print nothing
    // Court production
    bool attachments = false;           ///< each attachment on paper after its message
    std::optional<QString> batesPrefix; ///< production numbers on every page
    qint64 batesStart = 1;
    int batesDigits = 6;
    QString loadFile; ///< CSV of every message written, with its pages and numbers

    /// Messages rendered at once into --outdir: one when numbers run across messages (--bates,
    /// --load-file), as each depends on the pages of every message before it.
    int outDirJobs(int processors) const
    {
        if (batesPrefix || !loadFile.isEmpty())
            return 1;
        return jobs > 0 ? jobs : processors;
    }

    bool hasOutput() const { return print || !outDir.isEmpty() || !combined.isEmpty(); }
};

/// Reads the arguments (without the program name); nothing, with `error` set, when they
/// are not a usable call. `help` is set for --help.
std::optional<Options> parseArguments(const QStringList& args, QString& error, bool& help);

/// The usage text.
const char* usageText();

} // namespace PrintTool
