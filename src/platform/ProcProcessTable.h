#pragma once

#include "ProcessTable.h"

/// Processes through /proc. Wine keeps the Windows path of a program in argv[0],
/// so the executable name is taken after the last slash or backslash.
class ProcProcessTable : public ProcessTable
{
public:
    QList<Entry> snapshot() override;
    bool terminate(pid_t pid) override;

    /// The executable name of a process from its raw cmdline and comm contents.
    static QString executableName(const QByteArray& cmdline, const QByteArray& comm);
};
