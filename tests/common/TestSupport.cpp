#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace TestSupport
{

QString testDataRoot()
{
    const QString root = qEnvironmentVariable("VELLUMTIDE_TESTDATA");
    if (!root.isEmpty())
        return root;
    return QDir::cleanPath(qEnvironmentVariable("VELLUMTIDE_SOURCE") + QStringLiteral("/../shared/testdata"));
}

QString testData(const QString& relative)
{
    return QDir(testDataRoot()).filePath(relative);
}

QString missingTestData(const QString& relative)
{
    if (QFileInfo::exists(testData(relative)))
        return {};
    return QStringLiteral("sample folder %1 is absent (set VELLUMTIDE_TESTDATA)").arg(testDataRoot());
}

QString notIsolated()
{
    const QString root = qEnvironmentVariable("VELLUMTIDE_ISOLATED");
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return QStringLiteral("refusing to touch real settings or printers: run through tests/isolate.sh");
    const std::pair<const char*, const char*> expected[] = {
        {"HOME", "/home"},
        {"XDG_CONFIG_HOME", "/config"},
        {"CUPS_SERVERROOT", "/cups-root"},
    };
    for (const auto& [variable, folder] : expected)
    {
        if (qEnvironmentVariable(variable) != root + QLatin1String(folder))
            return QStringLiteral("refusing to run: %1 is not the isolated folder %2%3")
                .arg(QLatin1String(variable), root, QLatin1String(folder));
    }
    return {};
}

QString binDir()
{
    return qEnvironmentVariable("VELLUMTIDE_BIN");
}

bool haveCups()
{
    return !qEnvironmentVariable("CUPS_SERVER").isEmpty() && !qEnvironmentVariable("VELLUMTIDE_CUPS_OUT").isEmpty();
}

bool setUserDefaultPrinter(const QString& queue)
{
    if (!notIsolated().isEmpty())
        return false;
    bool written = true;
    for (const QString& dir : {QDir::home().filePath(QStringLiteral(".cups")), qEnvironmentVariable("CUPS_SERVERROOT")})
    {
        QFile file(QDir(dir).filePath(QStringLiteral("lpoptions")));
        written = QDir().mkpath(dir) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                  file.write("Default " + queue.toUtf8() + "\n") > 0 && written;
    }
    return written;
}

QString queueOutDir(const QString& queue)
{
    return QDir(qEnvironmentVariable("VELLUMTIDE_CUPS_OUT")).filePath(queue);
}

QList<PrintedJob> printedJobs(const QString& queue)
{
    QList<PrintedJob> jobs;
    const QDir dir(queueOutDir(queue));
    for (const QString& name : dir.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name))
    {
        PrintedJob job;
        job.id = name.section(u'.', 0, 0).toInt();
        job.pdfPath = dir.filePath(name);
        QFile title(dir.filePath(name.section(u'.', 0, 0) + QStringLiteral(".title")));
        if (title.open(QIODevice::ReadOnly))
            job.title = QString::fromUtf8(title.readAll()).trimmed();
        jobs.append(job);
    }
    return jobs;
}

QList<PrintedJob> waitForJobs(const QString& queue, int before, int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QList<PrintedJob> jobs;
    while (true)
    {
        jobs = printedJobs(queue);
        if (jobs.size() >= before + count || deadline.hasExpired())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
    return jobs.mid(before);
}

QString pdfText(const QString& pdfPath)
{
    QByteArray out;
    if (run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")}, &out) != 0)
        return {};
    return QString::fromUtf8(out);
}

int run(const QString& program, const QStringList& arguments, QByteArray* out, QByteArray* err, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs))
    {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (out)
        *out = process.readAllStandardOutput();
    if (err)
        *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void writeDesktopMail(const QString& home)
{
    const auto mail = [](const QByteArray& subject, const QByteArray& status = "X-Mozilla-Status: 0001") {
        return status + "\nFrom: Ann <ann@example.org>\nSubject: " + subject +
               "\nDate: Tue, 01 Dec 2026 10:00:00 +0000\n\nbody\n";
    };
    const auto mbox = [&](const QByteArray& subject, const QByteArray& status = "X-Mozilla-Status: 0001") {
        return "From - Tue Dec  1 10:00:00 2026\n" + mail(subject, status) + "\n";
    };
    const QByteArray tb = ".thunderbird/";
    const QMap<QByteArray, QByteArray> files = {
        {tb + "profiles.ini", "[Profile1]\nName=old\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
                              "[Profile0]\nName=release\nIsRelative=1\nPath=rel.default-release\n\n"
                              "[Install4F96D1932A9F858E]\nDefault=rel.default-release\nLocked=1\n"},
        {tb + "rel.default-release/Mail/Local Folders/Inbox",
         mbox("Local kept") + mbox("Local deleted", "X-Mozilla-Status: 0009")},
        {tb + "rel.default-release/Mail/Local Folders/Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->"},
        {tb + "rel.default-release/ImapMail/imap.example.org/INBOX", mbox("IMAP kept")},
        {tb + "old.default/Mail/Local Folders/Sent", mbox("Old sent")},
        {".var/app/org.mozilla.Thunderbird/.thunderbird/profiles.ini",
         "[Profile0]\nName=flat\nIsRelative=0\nPath=" + home.toUtf8() + "/.thunderbird/old.default\n"},
        {".local/share/evolution/mail/local/cur/1.host:2,S", mail("Evolution inbox")},
        {".local/share/evolution/mail/local/.Sent/cur/2.host:2,S", mail("Evolution sent")},
        {".local/share/local-mail/inbox/cur/3.host:2,S", mail("KMail inbox")},
        {".local/share/local-mail/.inbox.directory/Lists/new/4.host", mail("KMail list")},
        {"mbox", mbox("Home mbox")},
        {"spool", mbox("Spool mail")},
    };
    for (auto it = files.cbegin(); it != files.cend(); ++it)
    {
        const QString path = home + u'/' + QString::fromUtf8(it.key());
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
}

} // namespace TestSupport
