#pragma once

#include <memory>

namespace Outlook
{

/// The mail engine's application object: the entry to the stores of the user's
/// mail profile.
class Application
{
public:
    virtual ~Application() = default;
    /// How many stores the profile holds.
    virtual int storeCount() const = 0;
};

/// Starts the mail engine. The program asks it whether mail can be read at all.
class ApplicationFactory
{
public:
    virtual ~ApplicationFactory() = default;
    /// A new application object; throws AppError when the engine cannot start.
    virtual std::unique_ptr<Application> create() = 0;
};

/// True when the factory can start the engine; the object is released at once.
bool IsEngineAvailable(ApplicationFactory& factory) noexcept;

} // namespace Outlook
