#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cups/cups.h>

/// Points libcups at another server for the life of this object, and back at the
/// test's private server afterwards, even when a check fails early.
class OtherPrintServer
{
public:
    explicit OtherPrintServer(const QByteArray& server) : m_saved(qgetenv("CUPS_SERVER")) { use(server); }
    ~OtherPrintServer() { use(m_saved); }
    OtherPrintServer(const OtherPrintServer&) = delete;
    OtherPrintServer& operator=(const OtherPrintServer&) = delete;

private:
    static void use(const QByteArray& server)
    {
        qputenv("CUPS_SERVER", server);
        cupsSetServer(nullptr); // libcups caches the server name; make it read the variable again
    }

    QByteArray m_saved;
};

/// A server that does not exist.
class NoPrintServer : public OtherPrintServer
{
public:
    NoPrintServer() : OtherPrintServer("/nonexistent/vellumtide/cups.sock") {}
};
