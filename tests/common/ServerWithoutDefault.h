#pragma once

#include "TestSupport.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

/// A private CUPS server of this test's own (scripts/cups-private.sh) whose queues have
/// no default among them; stopped again when the object goes.
class ServerWithoutDefault
{
public:
    explicit ServerWithoutDefault(const QStringList& queues)
    {
        QByteArray out;
        const QString script = qEnvironmentVariable("VELLUMTIDE_SOURCE") + QStringLiteral("/scripts/cups-private.sh");
        if (TestSupport::run(
                QStringLiteral("sh"),
                QStringList{script, QStringLiteral("start"), m_dir.path(), QStringLiteral("--no-default")} + queues,
                &out) != 0)
            return;
        for (const QByteArray& line : out.split('\n'))
        {
            if (line.startsWith("CUPS_SERVER="))
                m_server = line.mid(int(sizeof("CUPS_SERVER=")) - 1);
        }
    }
    ~ServerWithoutDefault()
    {
        TestSupport::run(QStringLiteral("sh"),
                         {qEnvironmentVariable("VELLUMTIDE_SOURCE") + QStringLiteral("/scripts/cups-private.sh"),
                          QStringLiteral("stop"), m_dir.path()});
    }
    ServerWithoutDefault(const ServerWithoutDefault&) = delete;
    ServerWithoutDefault& operator=(const ServerWithoutDefault&) = delete;

    /// Its socket; empty when it did not start.
    QByteArray server() const { return m_server; }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/vt-cups-nodefault.XXXXXX")};
    QByteArray m_server;
};
