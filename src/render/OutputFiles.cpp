#include "OutputFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

namespace Render
{

QString OutputNames::take(const QString& base, const QString& suffix)
{
    QString name = base + suffix;
    for (int n = 2; m_taken.contains(name) || QFileInfo::exists(m_dir.filePath(name)); ++n)
        name = QStringLiteral("%1-%2%3").arg(base).arg(n).arg(suffix);
    m_taken.insert(name);
    return m_dir.filePath(name);
}

QString messageFileBase(const QDateTime& date, const QString& subject)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\x00-\\x1f\\x7f/\\\\:*?\"<>|]"));
    QString title = subject;
    title.replace(unsafe, QStringLiteral("_"));
    title = title.simplified();
    // A leading dot would hide the file; a leading dash reads as an option to many tools.
    while (title.startsWith(u'.') || title.startsWith(u'-'))
        title.remove(0, 1);
    if (title.isEmpty())
        title = QStringLiteral("(no subject)");
    QString base =
        (date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd HHmm")) : QStringLiteral("undated")) + u' ' + title;
    // Names are limited to 255 bytes; leave room for "-n.pdf" and the temporary name's parts.
    while (base.toUtf8().size() > 150)
        base.chop(base.at(base.size() - 1).isLowSurrogate() ? 2 : 1);
    return base.trimmed();
}

PendingFile::PendingFile(QString finalPath) : m_final(std::move(finalPath))
{
    const QFileInfo info(m_final);
    m_temp = info.dir().filePath(QStringLiteral(".%1.%2.part").arg(info.fileName()).arg(::getpid()));
}

QString PendingFile::helperPath(const QString& tempPath, const QString& tag)
{
    const QFileInfo info(tempPath);
    return info.dir().filePath(QStringLiteral(".%1-%2.pdf.%3.part").arg(info.fileName(), tag).arg(::getpid()));
}

PendingFile::~PendingFile()
{
    if (!m_done)
        QFile::remove(m_temp);
}

bool PendingFile::commit(QString* error)
{
    m_done = true;
    // rename() here refuses an existing target instead of replacing it.
    QFile written(m_temp);
    if (written.rename(m_final))
        return true;
    if (error)
        *error = QFileInfo::exists(m_final)
                     ? QStringLiteral("\"%1\" already exists").arg(m_final)
                     : QStringLiteral("\"%1\" could not be written: %2").arg(m_final, written.errorString());
    QFile::remove(m_temp);
    return false;
}

} // namespace Render
