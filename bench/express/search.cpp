// "Search For Outlook Express" over a Wine prefix, beside parsing its user.reg once, and
// prints: search seconds, read-once seconds, .dbx files found (best of five, each search
// with a fresh registry, as the window's first search).

#include "Dialogs.h"
#include "Express1.h"
#include "RegistryHive.h"
#include "WineRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

namespace
{

class SilentDialogs : public Dialogs
{
public:
    void message(const QString& text, const QString&, Icon) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QStringList openFiles(const OpenFileRequest&) override { return {}; }
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s WINEPREFIX\n", argv[0]);
        return 1;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    double search = 1e9;
    double readOnce = 1e9;
    qsizetype found = 0;
    for (int i = 0; i < 5; ++i)
    {
        SilentDialogs dialogs;
        WineRegistry registry{WinePrefix(prefix)};
        Express1 express(dialogs, registry, WinePrefix(prefix));
        express.FoundDbxFiles = QStringList{QString()};
        QElapsedTimer clock;
        clock.start();
        express.SearchIdentities();
        search = std::min(search, clock.nsecsElapsed() / 1e9);
        found = express.FoundDbxFiles.size() - 1;

        clock.restart();
        QFile file(prefix + QStringLiteral("/user.reg"));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const RegistryHive hive = RegistryHive::parse(file.readAll());
        readOnce = std::min(readOnce, clock.nsecsElapsed() / 1e9);
        if (!hive.find(QStringLiteral("Identities")))
            return 1;
    }
    std::printf("%.6f %.6f %lld\n", search, readOnce, static_cast<long long>(found));
    return 0;
}
