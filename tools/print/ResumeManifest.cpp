#include "ResumeManifest.h"

#include "EntryId.h"
#include "Options.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace PrintTool
{

namespace
{

// The sources and the selection: a second run resumes only the same ones. Order and
// outputs may differ; they do not change which messages belong in the folder.
QByteArray fingerprint(const Options& options)
{
    QStringList parts{QStringLiteral("profile=%1:%2").arg(options.profile).arg(options.profileFile)};
    for (const QString& store : options.stores)
        parts << QStringLiteral("store=") + QFileInfo(store).absoluteFilePath();
    for (const QString& dbx : options.dbxFiles)
        parts << QStringLiteral("dbx=") + QFileInfo(dbx).absoluteFilePath();
    for (const QString& folder : options.folders)
        parts << QStringLiteral("folder=") + folder;
    for (const QString& search : options.searches)
        parts << QStringLiteral("search=") + search;
    parts << QStringLiteral("find=") + options.find.value_or(QStringLiteral("\x01"));
    parts << QStringLiteral("since=") +
                 (options.since ? options.since->toUTC().toString(Qt::ISODateWithMs) : QString());
    parts << QStringLiteral("until=") +
                 (options.until ? options.until->toUTC().toString(Qt::ISODateWithMs) : QString());
    parts << QStringLiteral("dedupe=%1").arg(options.dedupe);
    return QCryptographicHash::hash(parts.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex();
}

bool syncFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && ::fsync(file.handle()) == 0;
}

// A run that was killed leaves its last PDF under its hidden temporary name: once that
// run is gone, the file is nobody's.
void removeLeftovers(const QDir& dir)
{
    static const QRegularExpression temporary(QStringLiteral("^\\..+\\.pdf\\.(\\d+)\\.part$"));
    for (const QString& name : dir.entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden))
        if (const QRegularExpressionMatch m = temporary.match(name);
            m.hasMatch() && ::kill(pid_t(m.captured(1).toLongLong()), 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
}

const QByteArray kHeader = "vellumtide-print resume 1 ";

} // namespace

std::unique_ptr<ResumeManifest> ResumeManifest::open(const QString& dir, const Options& options, QString* error)
{
    std::unique_ptr<ResumeManifest> manifest(new ResumeManifest(dir));
    const QByteArray header = kHeader + fingerprint(options) + '\n';
    const QString path = manifest->m_file.fileName();
    if (!QFileInfo::exists(path))
    {
        QSaveFile start(path);
        if (!start.open(QIODevice::WriteOnly) || start.write(header) != header.size() || !start.commit())
        {
            *error = QStringLiteral("\"%1\" cannot be written: %2").arg(path, start.errorString());
            return nullptr;
        }
    }
    QFile earlier(path);
    if (!earlier.open(QIODevice::ReadOnly) || !manifest->m_file.open(QIODevice::WriteOnly | QIODevice::Append))
    {
        *error = QStringLiteral("\"%1\" cannot be opened: %2").arg(path, manifest->m_file.errorString());
        return nullptr;
    }
    const QByteArray content = earlier.readAll();
    if (!content.startsWith(header))
    {
        *error = QStringLiteral("%1 holds the files of a run of other sources or another selection; resume it with "
                                "the same ones, or choose another folder")
                     .arg(dir);
        return nullptr;
    }
    QList<QByteArray> lines = content.mid(header.size()).split('\n');
    lines.removeLast(); // empty after the last line break, or a line cut short
    for (const QByteArray& line : lines)
    {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 2 && fields[1].endsWith(".pdf"))
            manifest->m_files.insert(QUrl::fromPercentEncoding(fields[0]), QUrl::fromPercentEncoding(fields[1]));
    }
    // A line cut short stays a line of its own, which the next reading leaves out.
    if (!content.endsWith('\n') && manifest->m_file.write("\n") != 1)
    {
        *error = QStringLiteral("\"%1\" cannot be written: %2").arg(path, manifest->m_file.errorString());
        return nullptr;
    }
    removeLeftovers(manifest->m_dir);
    return manifest;
}

bool ResumeManifest::written(const QString& key) const
{
    const auto file = m_files.constFind(key);
    return file != m_files.cend() && QFileInfo::exists(m_dir.filePath(*file));
}

bool ResumeManifest::record(const QString& key, const QString& tempPath, const QString& finalPath, QString* error)
{
    const QString name = QFileInfo(finalPath).fileName();
    const QByteArray line = QUrl::toPercentEncoding(key) + '\t' + QUrl::toPercentEncoding(name) + '\n';
    // One write per line: an append is never interleaved or half-visible except at a power cut.
    if (!syncFile(tempPath) || m_file.write(line) != line.size() || !m_file.flush() || ::fsync(m_file.handle()) != 0)
    {
        if (error)
            *error = QStringLiteral("\"%1\" cannot be written: %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    m_files.insert(key, name);
    return true;
}

QString ResumeManifest::keyOf(const QString& entryId, const QHash<QString, QString>& storeNames)
{
    const std::optional<MailStore::EntryId> id = MailStore::EntryId::parse(entryId);
    if (!id)
        return entryId;
    QString store = QFileInfo(id->storePath).absoluteFilePath();
    for (auto name = storeNames.cbegin(); name != storeNames.cend(); ++name)
        if (store == name.key() || store.startsWith(name.key() + u'/'))
            store = name.value() + store.mid(name.key().size());
    return QStringLiteral("%1\t%2\t%3").arg(int(id->kind)).arg(store, id->locator);
}

} // namespace PrintTool
