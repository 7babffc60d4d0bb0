#include "OutlookApplication.h"

#include "AppError.h"

namespace Outlook
{

bool IsEngineAvailable(ApplicationFactory& factory) noexcept
{
    try
    {
        return factory.create() != nullptr;
    }
    catch (...)
    {
        return false;
    }
}

void Item::notSupported(const QString& source)
{
    throw AppError(438, source, QStringLiteral("Object doesn't support this property or method"));
}

} // namespace Outlook
