// Lists a generated store into the real grid (a QTreeView over ReportListModel) and
// reports rows per second and peak memory beside the time the store alone needs to
// hand out the same values, so the listing's own cost shows as the difference.
//
//   listing_bench [messages]           an in-memory store (default 100000 messages)
//   listing_bench --profile FILE       the stores of a profile file, through the built-in engine
//   listing_bench --rows --profile FILE   the same as two lines "walk|grid SECONDS PEAK-KIB ROWS"
#include "FakeEngine.h"
#include "MailEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace
{

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A profile store of `count` messages spread over nested folders.
void generate(Fake::World& world, int count)
{
    Fake::FolderNode& root = world.store(QStringLiteral("Mailbox"));
    const QStringList names{QStringLiteral("Inbox"), QStringLiteral("Sent Items"), QStringLiteral("Archive")};
    std::vector<Fake::FolderNode*> folders;
    for (const QString& name : names)
    {
        Fake::FolderNode& top = root.folder(name);
        folders.push_back(&top);
        for (int sub = 0; sub < 5; ++sub)
            folders.push_back(&top.folder(QStringLiteral("%1 %2").arg(name).arg(sub)));
    }
    for (int i = 0; i < count; ++i)
    {
        Fake::Mail& mail = folders[static_cast<size_t>(i) % folders.size()]->mail(
            QStringLiteral("Message %1 about the quarterly figures").arg(i));
        mail.senderName = QStringLiteral("Sender %1").arg(i % 977);
        mail.senderAddress = QStringLiteral("sender%1@example.org").arg(i % 977);
        mail.body = QStringLiteral("Body text of message %1.").arg(i);
        mail.received = QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(i * 61L);
    }
    world.numberItems();
}

// The store's own cost: every value a row needs, read in walk order, nothing kept.
qint64 readStoreOnly(Outlook::ApplicationFactory& factory)
{
    QElapsedTimer timer;
    timer.start();
    auto application = factory.create();
    auto session = application->GetNamespace(QStringLiteral("MAPI"));
    size_t checksum = 0;
    std::function<void(Outlook::Folder&)> walk = [&](Outlook::Folder& folder) {
        auto subfolders = folder.Folders();
        for (int i = 1; i <= subfolders->Count(); ++i)
        {
            auto child = subfolders->Item(i);
            walk(*child);
            auto items = child->Items();
            for (int j = 1; j <= items->Count(); ++j)
            {
                auto item = items->Item(j);
                checksum += static_cast<size_t>(item->Class()) + item->SenderName().size() +
                            item->SenderEmailAddress().size() + item->Subject().size() + item->EntryID().size() +
                            static_cast<size_t>(item->ReceivedTime().toSecsSinceEpoch() & 1);
            }
        }
    };
    auto roots = session->Folders();
    for (int i = 1; i <= roots->Count(); ++i)
        walk(*roots->Item(i));
    if (checksum == 0)
        std::puts("(empty store)");
    return timer.elapsed();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool rowsOnly = argc > 1 && std::strcmp(argv[1], "--rows") == 0;
    if (rowsOnly)
        --argc, ++argv;
    const bool real = argc > 2 && std::strcmp(argv[1], "--profile") == 0;
    int count = !real && argc > 1 ? std::atoi(argv[1]) : 100000;

    Fake::World world;
    std::unique_ptr<Outlook::ApplicationFactory> factoryOwner;
    if (real)
        factoryOwner = std::make_unique<MailStore::EngineFactory>(QString::fromLocal8Bit(argv[2]));
    else
    {
        generate(world, count);
        factoryOwner = std::make_unique<Fake::Factory>(world);
    }
    Outlook::ApplicationFactory& factory = *factoryOwner;
    const qint64 storeMs = readStoreOnly(factory);
    const long beforeKb = peakKilobytes();

    ScriptedDialogs dialogs; // answers nothing: no input box is asked for
    ReportListModel grid;
    for (int column = 0; column < Outlook::MailRow::ColumnCount; ++column)
        grid.addColumn(QString::number(column), 2000);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&grid);
    view.resize(800, 400);
    view.show();
    Outlook::EventPump pump;
    Outlook::MailListing listing(factory, dialogs, grid, pump);
    QElapsedTimer timer;
    timer.start();
    listing.ListOutlookMail({true, false, {}});
    QCoreApplication::processEvents();
    const qint64 listMs = timer.elapsed();
    const long peakKb = peakKilobytes();
    if (real)
        count = grid.rowCount();
    if (rowsOnly)
    {
        std::printf("walk %.3f %ld %d\ngrid %.3f %ld %d\n", storeMs / 1000.0, beforeKb, count, listMs / 1000.0, peakKb,
                    grid.rowCount());
        return grid.rowCount() == count ? 0 : 1;
    }

    std::printf("%-34s %10s %12s %14s\n", "step", "ms", "rows/s", "peak MB");
    std::printf("%-34s %10lld %12.0f %14.1f\n", real ? "store read alone (engine)" : "store read alone (in memory)", static_cast<long long>(storeMs),
                storeMs ? count * 1000.0 / storeMs : 0.0, beforeKb / 1024.0);
    std::printf("%-34s %10lld %12.0f %14.1f\n", "listing into the grid", static_cast<long long>(listMs),
                listMs ? grid.rowCount() * 1000.0 / listMs : 0.0, peakKb / 1024.0);
    std::printf("rows %d of %d; listing beyond the store's reading: %.2f s; ratio %.2f; grid memory %.1f MB\n",
                grid.rowCount(), count, (listMs - storeMs) / 1000.0, storeMs ? double(listMs) / storeMs : 0.0,
                (peakKb - beforeKb) / 1024.0);
    return grid.rowCount() == count ? 0 : 1;
}
