#pragma once

#include <memory>

namespace Outlook
{

class Folder;

/// The `Folders` collection: folders numbered from 1. Every member may throw AppError.
class FolderCollection
{
public:
    virtual ~FolderCollection() = default;
    /// How many folders the collection holds.
    virtual int Count() = 0;
    /// The folder at position `index`, 1 to Count(); throws AppError outside that range.
    virtual std::unique_ptr<Outlook::Folder> Item(int index) = 0;
    /// The last folder; throws AppError when the collection is empty.
    virtual std::unique_ptr<Outlook::Folder> GetLast() = 0;
};

} // namespace Outlook
