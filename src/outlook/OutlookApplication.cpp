#include "OutlookApplication.h"

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

} // namespace Outlook
