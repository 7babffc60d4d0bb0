#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace Render
{

/// A text body with its uuencoded files ("begin 644 name" ... "end") taken out.
struct Uuencoded
{
    struct File
    {
        QString name;
        QByteArray content;
    };
    QStringList texts;       ///< the text around the files: one more than there are files
    std::vector<File> files; ///< decoded, in the order they stand; files[i] follows texts[i]

    /// Splits `text`; a block without its "end" line is left as text.
    static Uuencoded split(const QString& text);
};

} // namespace Render
