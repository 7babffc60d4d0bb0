// The .dbx reader on its own: generated folders of every tree shape, and files damaged on purpose (the reader must
// finish and give back every message whose own bytes survived).
#include "DbxLayout.h"
#include "DbxReader.h"
#include "DbxWriter.h"

#include <QtTest>
#include <random>

namespace
{

QByteArray bytesOf(const std::vector<std::uint8_t>& file, const DbxContents& contents, const DbxMessage& message)
{
    QByteArray out;
    for (std::size_t i = 0; i < message.segmentCount; ++i)
    {
        const DbxSegment& s = contents.segments[message.firstSegment + i];
        out.append(reinterpret_cast<const char*>(file.data() + s.offset), qsizetype(s.length));
    }
    return out;
}

QList<QByteArray> messagesOf(const std::vector<std::uint8_t>& file, const DbxContents& contents)
{
    QList<QByteArray> out;
    for (const DbxMessage& m : contents.messages)
        out.append(bytesOf(file, contents, m));
    return out;
}

struct Generated
{
    std::vector<std::string> messages;
    std::vector<std::uint8_t> file;
    DbxWriter writer;
};

void generate(Generated& g, int count, std::size_t low, std::size_t high, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> size(low, high);
    for (int i = 0; i < count; ++i)
    {
        g.messages.push_back(DbxWriter::sampleMessage(std::size_t(i) + 1, size(random)));
        g.writer.addMessage(g.messages.back());
    }
    g.file = g.writer.build();
}

// Byte range [first chunk, end of last chunk) of message i in a generated file (chunks are contiguous).
std::pair<std::size_t, std::size_t> chunkRange(const Generated& g, std::size_t i)
{
    const std::size_t first = g.writer.firstChunk(i);
    const std::size_t chunks = (g.messages[i].size() + DbxLayout::ChunkRoom - 1) / DbxLayout::ChunkRoom;
    return {first, first + chunks * DbxLayout::ChunkSize};
}

} // namespace

class TestDbxReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void generatedTrees_data();
    void generatedTrees();
    void damagedStructure_data();
    void damagedStructure();
    void truncated();
    void randomOverwrites();
};

void TestDbxReader::generatedTrees_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    // Page size is 0x33 values: one page, two levels, three levels; chunk room is 0x200.
    QTest::newRow("empty folder") << 0 << 0 << 0;
    QTest::newRow("one full page") << 51 << 10 << 900;
    QTest::newRow("two levels") << 52 << 10 << 900;
    QTest::newRow("three levels") << 2800 << 100 << 1500;
    QTest::newRow("chunk boundaries") << 5 << 0x200 << 0x200;
    QTest::newRow("one past a chunk") << 5 << 0x201 << 0x201;
    QTest::newRow("empty messages") << 3 << 0 << 0;
}

void TestDbxReader::generatedTrees()
{
    QFETCH(int, count);
    QFETCH(int, low);
    QFETCH(int, high);
    Generated g;
    generate(g, count, std::size_t(low), std::size_t(high));
    DbxReader reader(g.file);
    const DbxContents contents = reader.read();
    QVERIFY(!contents.damaged);
    const QList<QByteArray> got = messagesOf(g.file, contents);
    QCOMPARE(got.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(got[i], QByteArray::fromStdString(g.messages[std::size_t(i)]));
}

void TestDbxReader::damagedStructure_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("allBack"); // every message must come back whole
    QTest::newRow("root past the end") << "root" << true;
    QTest::newRow("tree page points to the root") << "treeloop" << true;
    QTest::newRow("message pointer past the end") << "pointer" << true;
    QTest::newRow("item count too high") << "count" << true;
    QTest::newRow("chain loops to its start") << "chainloop" << true;
    QTest::newRow("chain points past the end") << "chainend" << false;
    QTest::newRow("two infos share one chain") << "shared" << true;
}

void TestDbxReader::damagedStructure()
{
    QFETCH(QString, damage);
    QFETCH(bool, allBack);
    Generated g;
    generate(g, 300, 100, 2000);
    std::vector<std::uint8_t>& f = g.file;
    const std::size_t victim = 42;
    const std::size_t first = g.writer.firstChunk(victim);
    const std::size_t last = chunkRange(g, victim).second - DbxLayout::ChunkSize;
    if (damage == QLatin1String("root"))
        DbxLayout::putU32(&f[DbxLayout::HeaderTreeRoot], std::uint32_t(f.size() + 0x1000));
    else if (damage == QLatin1String("treeloop"))
    {
        // The root's first child page gets the root as its own first child.
        const std::uint32_t child = DbxLayout::u32(f, g.writer.treeRoot() + DbxLayout::NodeChild);
        QVERIFY(child != 0);
        DbxLayout::putU32(&f[child + DbxLayout::NodeChild], g.writer.treeRoot());
    }
    else if (damage == QLatin1String("pointer"))
        DbxLayout::putU32(&f[g.writer.infoObject(victim) + DbxLayout::InfoHeaderSize + 16], 0xFFFFFFF0);
    else if (damage == QLatin1String("count"))
        DbxLayout::putU32(&f[DbxLayout::HeaderItemCount], 100000);
    else if (damage == QLatin1String("chainloop"))
        DbxLayout::putU32(&f[last + DbxLayout::ChunkNextField], std::uint32_t(first));
    else if (damage == QLatin1String("chainend"))
        DbxLayout::putU32(&f[first + DbxLayout::ChunkNextField], std::uint32_t(f.size() - 8));
    else if (damage == QLatin1String("shared"))
        DbxLayout::putU32(&f[g.writer.infoObject(victim + 1) + DbxLayout::InfoHeaderSize + 16], std::uint32_t(first));

    DbxReader reader(f);
    const DbxContents contents = reader.read();
    QVERIFY(contents.damaged);
    QVERIFY(!contents.problems.empty());
    const QList<QByteArray> got = messagesOf(f, contents);
    for (std::size_t i = 0; i < g.messages.size(); ++i)
    {
        const bool touched = i == victim || (damage == QLatin1String("shared") && i == victim + 1);
        if (allBack || !touched)
            QVERIFY2(got.contains(QByteArray::fromStdString(g.messages[i])),
                     qPrintable(QStringLiteral("message %1 lost").arg(i + 1)));
    }
    // No message comes out twice, however the index and the scan overlap.
    QVERIFY(got.size() <= int(g.messages.size()) + 1);
    if (allBack)
        QCOMPARE(got.size(), int(g.messages.size()));
}

void TestDbxReader::truncated()
{
    Generated g;
    generate(g, 120, 50, 3000, 11);
    const std::vector<std::uint8_t> whole = g.file;
    for (std::size_t cut = 0; cut < whole.size(); cut += whole.size() / 97 + 1)
    {
        const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
        DbxReader reader(part);
        const DbxContents contents = reader.read();
        QVERIFY(contents.damaged || cut < 4);
        const QList<QByteArray> got = messagesOf(part, contents);
        for (std::size_t i = 0; i < g.messages.size(); ++i)
        {
            if (chunkRange(g, i).second <= cut)
                QVERIFY2(got.contains(QByteArray::fromStdString(g.messages[i])),
                         qPrintable(QStringLiteral("cut at %1 lost message %2").arg(cut).arg(i + 1)));
        }
    }
}

void TestDbxReader::randomOverwrites()
{
    Generated g;
    generate(g, 200, 50, 2500, 3);
    std::mt19937 random(20250210);
    for (int round = 0; round < 60; ++round)
    {
        std::vector<std::uint8_t> f = g.file;
        std::vector<bool> hit(f.size(), false);
        std::uniform_int_distribution<std::size_t> where(0, f.size() - 1);
        for (int n = 0; n < 24; ++n)
        {
            const std::size_t at = where(random);
            for (std::size_t k = at; k < std::min(f.size(), at + 8); ++k)
            {
                f[k] = std::uint8_t(random());
                hit[k] = true;
            }
        }
        DbxReader reader(f);
        const DbxContents contents = reader.read();
        const QList<QByteArray> got = messagesOf(f, contents);
        for (std::size_t i = 0; i < g.messages.size(); ++i)
        {
            const auto [from, to] = chunkRange(g, i);
            if (std::find(hit.begin() + std::ptrdiff_t(from), hit.begin() + std::ptrdiff_t(to), true) !=
                    hit.begin() + std::ptrdiff_t(to) ||
                std::find(hit.begin(), hit.begin() + 0x100, true) != hit.begin() + 0x100)
                continue; // its own bytes, or the header's class id and counts, were hit
            QVERIFY2(got.contains(QByteArray::fromStdString(g.messages[i])),
                     qPrintable(QStringLiteral("round %1 lost message %2").arg(round).arg(i + 1)));
        }
    }
}

QTEST_GUILESS_MAIN(TestDbxReader)
#include "tst_dbxreader.moc"
