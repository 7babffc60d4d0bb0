#include "MailEngine.h"

namespace MailStore
{

std::unique_ptr<Outlook::Application> EngineFactory::create()
{
    return std::make_unique<EngineApplication>();
}

} // namespace MailStore
