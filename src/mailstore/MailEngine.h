#pragma once

#include "OutlookApplication.h"

namespace MailStore
{

/// The built-in engine. For now its profile holds no stores; the stores of the
/// user's profile are attached by the listing code.
class EngineApplication : public Outlook::Application
{
public:
    int storeCount() const override { return 0; }
};

/// Creates the built-in engine; it is always available.
class EngineFactory : public Outlook::ApplicationFactory
{
public:
    std::unique_ptr<Outlook::Application> create() override;
};

} // namespace MailStore
