// The private work folder: one per running copy, and left-overs of ended copies go.

#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestWorkFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachCopyHasItsOwnPrivateFolder()
    {
        QTemporaryDir base;
        QString first;
        {
            WorkFolder one(base.path());
            WorkFolder two(base.path());
            first = one.path();
            QVERIFY(!one.path().isEmpty());
            QVERIFY(one.path() != two.path());
            QVERIFY(one.path().startsWith(base.path() + u'/'));
            QCOMPARE(QFileInfo(one.path()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                     QFile::Permissions());
            // A copy that starts meanwhile keeps both running copies' folders and files.
            QFile file(one.path() + QStringLiteral("/m.eml"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            WorkFolder three(base.path());
            QVERIFY(QFile::exists(one.path() + QStringLiteral("/m.eml")));
            QVERIFY(QFileInfo(two.path()).isDir());
        }
        QVERIFY(!QFileInfo::exists(first)); // an orderly end removes the folder
    }

    void foldersOfEndedCopiesAreRemoved()
    {
        QTemporaryDir base;
        // A copy that dies without cleaning up: its lock goes with it, its folder stays.
        QProcess crashed;
        crashed.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("d=\"$1/work-dead1\"; mkdir -m 700 \"$d\"; : > \"$d/x.eml\"; "
                                      "flock \"$d/.lock\" true"),
                       QStringLiteral("sh"), base.path()});
        QVERIFY(crashed.waitForFinished());
        QCOMPARE(crashed.exitCode(), 0);
        // A folder still being made (no lock file yet) and one held by a live copy stay.
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("work-new")));
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("other")));
        WorkFolder live(base.path());
        QVERIFY(!QFileInfo::exists(base.path() + QStringLiteral("/work-dead1")));
        QVERIFY(QFileInfo::exists(base.path() + QStringLiteral("/work-new")));
        QVERIFY(QFileInfo::exists(base.path() + QStringLiteral("/other")));
        WorkFolder next(base.path());
        QVERIFY(QFileInfo::exists(live.path()));
    }

    void unusableBaseGivesNoFolder()
    {
        QTemporaryDir base;
        QFile blocker(base.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        WorkFolder folder(base.filePath(QStringLiteral("file/below")));
        QCOMPARE(folder.path(), QString());
        // Said with the folder it tried; a relative base is refused before anything is made.
        QVERIFY2(folder.problem().contains(base.filePath(QStringLiteral("file/below"))), qPrintable(folder.problem()));
        QCOMPARE(WorkFolder(QStringLiteral("relative")).path(), QString());
    }
};

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
