#include "MailEngine.h"

#include "AppError.h"

namespace MailStore
{

QString EngineApplication::Version() const
{
    return QStringLiteral("16.0.0.0");
}

std::unique_ptr<Outlook::Namespace> EngineApplication::GetNamespace(const QString&)
{
    throw AppError(-2147467263, QStringLiteral("MailStore.Application"), QStringLiteral("Not implemented"));
}

std::unique_ptr<Outlook::Application> EngineFactory::create()
{
    return std::make_unique<EngineApplication>();
}

} // namespace MailStore
