#pragma once

#include "AppError.h"
#include "OutlookApplication.h"

/// A mail engine that cannot start, as on a machine without one.
class FailingFactory : public Outlook::ApplicationFactory
{
public:
    std::unique_ptr<Outlook::Application> create() override
    {
        throw AppError(429, QStringLiteral("Vellumtide"), QStringLiteral("ActiveX component can't create object"));
    }
};
