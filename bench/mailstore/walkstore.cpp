// Walks a store through the engine as the listing does (every property of every mail
// item read by position) and prints rows, seconds and peak memory.

#include "MailEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

static long walk(Outlook::Folder& folder)
{
    long rows = 0;
    auto folders = folder.Folders();
    const int count = folders->Count();
    for (int i = 1; i <= count; ++i)
    {
        auto sub = folders->Item(i);
        rows += walk(*sub);
        auto items = sub->Items();
        const int n = items->Count();
        for (int j = 1; j <= n; ++j)
        {
            if (items->Item(j)->Class() != Outlook::olMail)
                continue;
            items->Item(j)->ReceivedTime();
            items->Item(j)->SenderName();
            items->Item(j)->SenderEmailType();
            items->Item(j)->SenderEmailAddress();
            items->Item(j)->Subject();
            items->Item(j)->EntryID();
            ++rows;
        }
    }
    return rows;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: walkstore <store>\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    auto ns = MailStore::EngineFactory(QStringLiteral("/nonexistent")).create()->GetNamespace(QStringLiteral("MAPI"));
    ns->AddStore(QString::fromLocal8Bit(argv[1]));
    const long rows = walk(*ns->Folders()->GetLast());
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rows=%ld seconds=%.3f peak_mb=%.1f\n", rows, timer.nsecsElapsed() / 1e9, usage.ru_maxrss / 1024.0);
    return 0;
}
