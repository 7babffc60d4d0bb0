#include "OfficeConverter.h"

#include "Attachment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace Render::OfficeConverter
{

namespace
{

constexpr int TimeLimitMs = 120000;

const char* const Extensions[] = {"doc", "docx", "odt", "rtf", "xls", "xlsx", "ods", "ppt", "pptx", "odp"};

QString extensionOf(const Attachment& attachment)
{
    const QString suffix = QFileInfo(attachment.fileName).suffix().toLower();
    for (const char* known : Extensions)
        if (suffix == QLatin1String(known))
            return suffix;
    const QString& type = attachment.mimeType;
    if (type == u"application/msword")
        return QStringLiteral("doc");
    if (type == u"application/rtf" || type == u"text/rtf")
        return QStringLiteral("rtf");
    if (type == u"application/vnd.ms-excel")
        return QStringLiteral("xls");
    if (type == u"application/vnd.ms-powerpoint")
        return QStringLiteral("ppt");
    if (type.startsWith(u"application/vnd.openxmlformats-officedocument.wordprocessingml"))
        return QStringLiteral("docx");
    if (type.startsWith(u"application/vnd.openxmlformats-officedocument.spreadsheetml"))
        return QStringLiteral("xlsx");
    if (type.startsWith(u"application/vnd.openxmlformats-officedocument.presentationml"))
        return QStringLiteral("pptx");
    if (type == u"application/vnd.oasis.opendocument.text")
        return QStringLiteral("odt");
    if (type == u"application/vnd.oasis.opendocument.spreadsheet")
        return QStringLiteral("ods");
    if (type == u"application/vnd.oasis.opendocument.presentation")
        return QStringLiteral("odp");
    return {};
}

} // namespace

bool isOfficeDocument(const Attachment& attachment)
{
    return !extensionOf(attachment).isEmpty();
}

bool toPdf(const Attachment& attachment, QByteArray& pdf, QString* reason)
{
    const auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return fail(QStringLiteral("LibreOffice (soffice) is not installed to convert it"));
    // One profile for the run: creating one takes LibreOffice seconds.
    static QTemporaryDir profile;
    QTemporaryDir work;
    if (!profile.isValid() || !work.isValid())
        return fail(QStringLiteral("no temporary folder for the conversion"));
    // Our own file name: the attachment's could hold anything.
    const QString input = work.filePath(QStringLiteral("attachment.") + extensionOf(attachment));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(attachment.content) != attachment.content.size())
        return fail(QStringLiteral("the document could not be written for the conversion"));
    file.close();

    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(soffice, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                           QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                           QStringLiteral("pdf"), QStringLiteral("--outdir"), work.path(), input});
    if (!office.waitForStarted())
        return fail(QStringLiteral("LibreOffice could not be started: %1").arg(office.errorString()));
    if (!office.waitForFinished(TimeLimitMs))
    {
        office.kill();
        office.waitForFinished();
        return fail(QStringLiteral("LibreOffice did not convert it within %1 seconds").arg(TimeLimitMs / 1000));
    }
    QFile converted(work.filePath(QStringLiteral("attachment.pdf")));
    if (office.exitStatus() != QProcess::NormalExit || office.exitCode() != 0 || !converted.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("LibreOffice could not convert it"));
    pdf = converted.readAll();
    return true;
}

} // namespace Render::OfficeConverter
