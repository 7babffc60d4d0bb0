#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cups/cups.h>

/// Points libcups at a server that does not exist for the life of this object, and
/// back at the test's private server afterwards, even when a check fails early.
class NoPrintServer
{
public:
    NoPrintServer() : m_saved(qgetenv("CUPS_SERVER"))
    {
        qputenv("CUPS_SERVER", QByteArray("/nonexistent/vellumtide/cups.sock"));
        cupsSetServer(nullptr); // libcups caches the server name; make it read the variable again
    }
    ~NoPrintServer()
    {
        qputenv("CUPS_SERVER", m_saved);
        cupsSetServer(nullptr);
    }
    NoPrintServer(const NoPrintServer&) = delete;
    NoPrintServer& operator=(const NoPrintServer&) = delete;

private:
    QByteArray m_saved;
};
