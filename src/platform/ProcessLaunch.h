#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class ProcessLauncher;

// Starting the external converter: short names and a start that waits for the end.
namespace ProcessLaunch
{

/// The base of the run-time errors a failed start returns.
inline constexpr qint32 kErrorBase = static_cast<qint32>(0x80040000u);

/// The path itself when it exists (there are no short names here), empty when it does not.
QString GetShortFileName(const QString& path);

/// Splits a command line into arguments: blanks separate, double quotes group, a
/// backslash before a quote makes it literal (2n backslashes before a quote give n and
/// the quote groups; 2n+1 give n and a literal quote), two quotes inside quotes give one.
QStringList SplitCommandLine(const QString& commandLine);

/// One argument quoted so that SplitCommandLine gives it back unchanged.
QString QuoteArgument(const QString& argument);

/// Starts the command line and returns its exit code once it has ended, letting the
/// windows process their events every 100 ms meanwhile. A style outside 0..6 (or none)
/// is 6. A program that cannot start returns kErrorBase plus the error number at once.
qint32 ShellAndWait(ProcessLauncher& launcher, const QString& commandLine, std::optional<int> windowStyle = {});

} // namespace ProcessLaunch
