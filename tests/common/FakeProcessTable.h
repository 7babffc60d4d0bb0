#pragma once

#include "ProcessTable.h"

#include <QList>

/// A process table that lists the processes a test made up and records which ones
/// were ended, so tests of closing never touch the machine's own processes.
class FakeProcessTable : public ProcessTable
{
public:
    QList<Entry> snapshot() override { return entries; }
    bool terminate(pid_t pid) override
    {
        terminated.append(pid);
        return true;
    }

    QList<Entry> entries;
    QList<pid_t> terminated;
};

/// The real /proc table narrowed to processes this test started itself.
template <class RealTable> class OwnProcessTable : public RealTable
{
public:
    explicit OwnProcessTable(QList<pid_t> own) : m_own(std::move(own)) {}
    QList<ProcessTable::Entry> snapshot() override
    {
        QList<ProcessTable::Entry> mine;
        for (const ProcessTable::Entry& entry : RealTable::snapshot())
        {
            if (m_own.contains(entry.pid))
                mine.append(entry);
        }
        return mine;
    }
    bool terminate(pid_t pid) override { return m_own.contains(pid) && RealTable::terminate(pid); }

private:
    QList<pid_t> m_own;
};
