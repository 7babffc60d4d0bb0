#pragma once

#include <QStringList>
#include <optional>
#include <variant>

/// Starts programs and tells when they have ended.
class ProcessLauncher
{
public:
    using Handle = long long;

    virtual ~ProcessLauncher() = default;
    /// Starts arguments[0] with the rest as its arguments (a name without "/" is looked
    /// up in PATH), its first window shown in windowStyle (0 hidden ... 6). The handle,
    /// or the run-time error number when it cannot start.
    virtual std::variant<Handle, int> start(const QStringList& arguments, int windowStyle) = 0;
    /// The exit code once the process has ended, nothing while it runs.
    virtual std::optional<int> exitCode(Handle process) = 0;
};
