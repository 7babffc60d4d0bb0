#pragma once

#include "ProcessLauncher.h"

/// Processes through posix_spawn and waitpid. A hidden start (style 0) sends the
/// program's output to /dev/null; there are no windows to show otherwise.
class PosixProcessLauncher : public ProcessLauncher
{
public:
    std::variant<Handle, int> start(const QStringList& arguments, int windowStyle) override;
    std::optional<int> exitCode(Handle process) override;
};
