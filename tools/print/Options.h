#pragma once

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
    std::optional<QString> folder;
    std::optional<QString> find;
    bool list = false;
    // Outputs
    bool print = false;
    QString printer; ///< empty: the default printer
    QString outDir;
    QString combined;
    bool quiet = false;
    // The profile's stores
    bool listStores = false; ///< --stores: write the stores the profile resolves to and print nothing

    bool hasOutput() const { return print || !outDir.isEmpty() || !combined.isEmpty(); }
};

/// Reads the arguments (without the program name); nothing, with `error` set, when they
/// are not a usable call. `help` is set for --help.
std::optional<Options> parseArguments(const QStringList& args, QString& error, bool& help);

/// The usage text.
const char* usageText();

} // namespace PrintTool
