// Work-file operations on real files in a private folder.

#include "FileUtilities.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace FileUtilities;

namespace
{

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFileUtilities : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deleteFilesTouchesOnlyThePattern_data()
    {
        QTest::addColumn<QString>("pattern"); // after the work folder and "/"
        QTest::addColumn<QStringList>("left");
        const QStringList all{u".hidden.eml"_qs, u"a b.eml"_qs,      u"a.eml.mht"_qs, u"keep.EML"_qs, u"keep.emlx"_qs,
                              u"link.eml"_qs,    u"readonly.eml"_qs, u"sub.eml"_qs,   u"x.eml"_qs};
        // Letter case is ignored, as the message list ignores it.
        QTest::newRow("eml") << "*.eml" << QStringList{u"a.eml.mht"_qs, u"keep.emlx"_qs, u"sub.eml"_qs};
        QTest::newRow("mht") << "*.mht" << QStringList(all).filter(QRegularExpression(u"^(?!a\\.eml\\.mht)"_qs));
        QTest::newRow("question mark") << "?.eml" << QStringList(all).filter(QRegularExpression(u"^(?!x\\.eml$)"_qs));
        QTest::newRow("no match") << "*.dbx" << all;
        QTest::newRow("empty pattern") << "" << all;
    }

    void deleteFilesTouchesOnlyThePattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, left);
        QTemporaryDir dir;
        QTemporaryDir outside;
        const QString target = outside.filePath(u"target.eml"_qs);
        QVERIFY(writeFile(target, "outside"));
        for (const char* name : {".hidden.eml", "a b.eml", "a.eml.mht", "keep.EML", "keep.emlx", "x.eml"})
            QVERIFY(writeFile(dir.filePath(QString::fromLatin1(name)), name));
        QVERIFY(writeFile(dir.filePath(u"readonly.eml"_qs), "ro"));
        QVERIFY(QFile::setPermissions(dir.filePath(u"readonly.eml"_qs), QFile::ReadOwner));
        QVERIFY(QDir(dir.path()).mkdir(u"sub.eml"_qs)); // a folder is never deleted
        QVERIFY(writeFile(dir.filePath(u"sub.eml/inner.eml"_qs), "inner"));
        QVERIFY(QFile::link(target, dir.filePath(u"link.eml"_qs)));

        DeleteFiles(dir.path(), pattern);
        QCOMPARE(entries(dir.path()), left);
        QCOMPARE(readFile(target), QByteArray("outside")); // a link goes, not what it points to
        QCOMPARE(readFile(dir.filePath(u"sub.eml/inner.eml"_qs)), QByteArray("inner"));
    }

    void deleteFilesNeedsAnAbsoluteFolder()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"x.eml"_qs), "x"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        // An empty folder once made "/*.eml": no folder but an absolute one below the root.
        for (const QString& folder : {QString(), u"."_qs, u"./"_qs})
            DeleteFiles(folder, u"*.eml"_qs);
        DeleteFiles(dir.filePath(u"missing"_qs), u"*.eml"_qs);
        DeleteFiles(dir.filePath(u"missing"_qs), u"../*.eml"_qs);
        QDir::setCurrent(before);
        QCOMPARE(entries(dir.path()), QStringList{u"x.eml"_qs});
        QVERIFY(!IsWorkablePath(u"/"_qs) && !IsWorkablePath(u"//."_qs) && IsWorkablePath(dir.path()));
    }

    void safeCopyFileCopiesOnlyAnOpenableFileIntoAFolder_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QByteArray>("expected"); // at the destination afterwards
        QTest::newRow("plain") << "m.eml"
                               << "m.eml.mht" << QByteArray("message");
        QTest::newRow("replaces an older copy") << "m.eml"
                                                << "old.mht" << QByteArray("message");
        QTest::newRow("doubled separators") << "sub//..//m.eml"
                                            << "sub///n.mht" << QByteArray("message");
        QTest::newRow("blanks and quotes") << "a \"b\".eml"
                                           << "a \"b\".eml.mht" << QByteArray("quoted");
        QTest::newRow("missing folder") << "m.eml"
                                        << "nowhere/m.mht" << QByteArray("<missing>");
        QTest::newRow("source is a folder") << "sub"
                                            << "sub.mht" << QByteArray("<missing>");
        QTest::newRow("missing source") << "gone.eml"
                                        << "gone.mht" << QByteArray("<missing>");
        QTest::newRow("wildcard source") << "*.eml"
                                         << "star.mht" << QByteArray("<missing>");
        QTest::newRow("blank destination") << "m.eml"
                                           << "  " << QByteArray("<missing>");
    }

    void safeCopyFileCopiesOnlyAnOpenableFileIntoAFolder()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"m.eml"_qs), "message"));
        QVERIFY(writeFile(dir.filePath(u"a \"b\".eml"_qs), "quoted"));
        QVERIFY(writeFile(dir.filePath(u"old.mht"_qs), "an older copy that is longer"));
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_qs));
        const QString to = destination.trimmed().isEmpty() ? destination : dir.path() + u'/' + destination;
        SafeCopyFile(dir.path() + u'/' + source, to);
        QCOMPARE(readFile(NormalizePath(dir.path() + u'/' + destination)), expected);
        QCOMPARE(readFile(dir.filePath(u"m.eml"_qs)), QByteArray("message"));
    }

    void pathsAreTidied_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QString>("folderPart");
        QTest::newRow("folder with separator joined to a name") << "/mail//Inbox.dbx"
                                                                << "/mail/Inbox.dbx"
                                                                << "/mail//";
        QTest::newRow("run of three becomes two") << "/a///b"
                                                  << "/a//b"
                                                  << "/a///";
        QTest::newRow("leading run becomes one") << "///srv/a"
                                                 << "/srv/a"
                                                 << "///srv/";
        QTest::newRow("relative") << "a//b//c"
                                  << "a/b/c"
                                  << "a//b//";
        QTest::newRow("bare name") << "Inbox.dbx"
                                   << "Inbox.dbx"
                                   << "";
        QTest::newRow("root") << "/"
                              << "/"
                              << "/";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }

    void pathsAreTidied()
    {
        QFETCH(QString, path);
        QFETCH(QString, normalized);
        QFETCH(QString, folderPart);
        QCOMPARE(NormalizePath(path), normalized);
        QCOMPARE(FolderPart(path), folderPart);
    }

    void foldersAndOpenableFilesAreTold()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"f.eml"_qs);
        const QString unreadable = dir.filePath(u"locked.eml"_qs);
        const QString fifo = dir.filePath(u"pipe"_qs);
        QVERIFY(writeFile(file, "x"));
        QVERIFY(writeFile(unreadable, "x"));
        QVERIFY(QFile::setPermissions(unreadable, QFileDevice::Permissions()));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(IsFolder(dir.path()));
        QVERIFY(IsFolder(dir.path() + u'/'));
        QVERIFY(!IsFolder(file));
        QVERIFY(!IsFolder(dir.filePath(u"missing"_qs)));
        QVERIFY(!IsFolder(QString()));
        QVERIFY(IsOpenableFile(file));
        QVERIFY(!IsOpenableFile(dir.path()));
        QVERIFY(!IsOpenableFile(fifo)); // returns at once instead of waiting for a writer
        QVERIFY(!IsOpenableFile(dir.filePath(u"*.eml"_qs)));
        QVERIFY(!IsOpenableFile(QString()));
        if (::geteuid() != 0) // root opens anything
            QVERIFY(!IsOpenableFile(unreadable));
    }
};

QTEST_GUILESS_MAIN(TestFileUtilities)
#include "tst_fileutilities.moc"
