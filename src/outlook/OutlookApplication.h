#pragma once

#include "Namespace.h"

#include <QString>
#include <memory>

namespace Outlook
{

/// The mail engine's application object: the entry to the stores of the user's
/// mail profile. Every member may throw AppError.
class Application
{
public:
    virtual ~Application() = default;
    /// Text led by the engine's major version number, for example "16.0.0.1".
    virtual QString Version() const = 0;
    /// The namespace of the current profile; the program always passes "MAPI".
    virtual std::unique_ptr<Namespace> GetNamespace(const QString& type) = 0;
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
