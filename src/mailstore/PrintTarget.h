#pragma once

#include <QString>

namespace Render
{
struct Message;
}

namespace MailStore
{

/// Where the engine's items go when they print. Without one they print on the default
/// printer; a program that prints without a window sends them to a named printer or to
/// PDF files instead, and leaves the user's default printer alone.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    /// Prints one message; false with a reason when it cannot.
    virtual bool print(const Render::Message& message, QString* error) = 0;
};

/// Sends every item's PrintOut to `target` while it lives.
class ScopedPrintTarget
{
public:
    explicit ScopedPrintTarget(PrintTarget& target);
    ~ScopedPrintTarget();
    ScopedPrintTarget(const ScopedPrintTarget&) = delete;
    ScopedPrintTarget& operator=(const ScopedPrintTarget&) = delete;

private:
    PrintTarget* m_previous;
};

} // namespace MailStore
