#include "SourceCheck.h"

#include "AppError.h"

#include <QDir>
#include <QFileInfo>
#include <climits>

namespace Outlook::SourceCheck
{

namespace
{

bool isNormalFile(const QFileInfo& info)
{
    return info.isFile() && !info.isHidden();
}

} // namespace

bool IsBlank(const QString& path)
{
    return path.trimmed().isEmpty();
}

bool StoreFileFound(const QString& path)
{
    if (path.contains(QChar(0)) || path.toLocal8Bit().size() >= PATH_MAX)
        throw AppError(52, QStringLiteral("Vellumtide"), QStringLiteral("Bad file name or number"));
    const QFileInfo info(path);
    if (!path.contains(u'*') && !path.contains(u'?'))
        return isNormalFile(info);
    const QDir folder = info.dir();
    const QFileInfoList matches = folder.entryInfoList({info.fileName()}, QDir::Files);
    return std::any_of(matches.begin(), matches.end(), isNormalFile);
}

} // namespace Outlook::SourceCheck
