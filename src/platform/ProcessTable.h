#pragma once

#include <QList>
#include <QString>
#include <sys/types.h>

/// The system's processes: a snapshot by executable name, and termination.
class ProcessTable
{
public:
    struct Entry
    {
        pid_t pid = 0;
        QString executableName; ///< as the process names itself: last component of argv[0], else its command name
    };

    virtual ~ProcessTable() = default;
    /// Every process visible to us except our own.
    virtual QList<Entry> snapshot() = 0;
    /// Ends the process at once; false when it could not be ended.
    virtual bool terminate(pid_t pid) = 0;
};
