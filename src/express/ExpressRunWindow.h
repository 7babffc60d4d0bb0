#pragma once

#include <QString>

/// What the extraction and print runs ask of the window they run in.
class ExpressRunWindow
{
public:
    virtual ~ExpressRunWindow() = default;
    /// Busy pointer on and off.
    virtual void setBusy(bool busy) = 0;
    /// True once the user has closed the window: the run ends after the current message.
    virtual bool stopRequested() = 0;
    /// Waits, processing events; returns early once a stop is requested.
    virtual void waitSeconds(double seconds) = 0;
    /// Loads the file into the window's browser and prints it on the default printer;
    /// raises AppError when printing fails.
    virtual void printMessageFile(const QString& path) = 0;
};
