#pragma once

#include "Item.h"

#include <memory>

namespace Outlook
{

/// The `Items` collection of one folder, numbered from 1. Every member may throw AppError.
class ItemCollection
{
public:
    virtual ~ItemCollection() = default;
    /// How many items the folder holds.
    virtual int Count() = 0;
    /// The item at position `index`, 1 to Count(); throws AppError outside that range.
    virtual std::unique_ptr<Outlook::Item> Item(int index) = 0;
};

} // namespace Outlook
