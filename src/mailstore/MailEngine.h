#pragma once

#include "OutlookApplication.h"

namespace MailStore
{

/// The built-in engine. For now its profile holds no stores.
class EngineApplication : public Outlook::Application
{
public:
    QString Version() const override;
    std::unique_ptr<Outlook::Namespace> GetNamespace(const QString& type) override;
};

/// Creates the built-in engine; it is always available.
class EngineFactory : public Outlook::ApplicationFactory
{
public:
    std::unique_ptr<Outlook::Application> create() override;
};

} // namespace MailStore
