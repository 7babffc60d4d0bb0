#pragma once

#include "OutlookApplication.h"

#include <QString>

namespace MailStore
{

/// The built-in engine: .pst/.ost files, mbox files and trees, Maildir folders.
class EngineApplication : public Outlook::Application
{
public:
    explicit EngineApplication(QString profilePath) : m_profilePath(std::move(profilePath)) {}
    QString Version() const override;
    std::unique_ptr<Outlook::Namespace> GetNamespace(const QString& type) override;

private:
    QString m_profilePath;
};

/// Creates the built-in engine; it is always available.
class EngineFactory : public Outlook::ApplicationFactory
{
public:
    /// The user's profile file (Profile::defaultPath()).
    EngineFactory();
    /// The profile file at `profilePath`.
    explicit EngineFactory(QString profilePath) : m_profilePath(std::move(profilePath)) {}

    std::unique_ptr<Outlook::Application> create() override;

private:
    QString m_profilePath;
};

} // namespace MailStore
