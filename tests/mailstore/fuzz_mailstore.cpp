// Feeds arbitrary bytes to the parsers the engine owns: the mbox splitter, the profile
// file, the EntryID parser, the folder-name decoder and the RTF reader. The first byte picks the parser.

#include "EntryId.h"
#include "FolderName.h"
#include "MboxFormat.h"
#include "Profile.h"
#include "RtfText.h"
#include "ThunderbirdProfiles.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 5)
    {
    case 0: {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QList<qint64> offsets;
        Render::MboxFormat::scan(buffer, [&](qint64 offset, const QByteArray&) { offsets << offset; });
        for (qint64 offset : offsets)
            if (Render::MboxFormat::readMessage(buffer, offset).size() > bytes.size())
                __builtin_trap();
        break;
    }
    case 1: {
        // A profile written back reads as the same paths (a path ending in CR or starting with a
        // byte-order mark cannot be written).
        const QStringList paths = MailStore::Profile::parse(bytes);
        std::vector<MailStore::ProfileStore> stores;
        for (const QString& path : paths)
            stores.push_back({path, QString::fromUtf8(bytes.left(40))});
        if (!bytes.contains('\r') && !bytes.contains("\xEF\xBB\xBF") &&
            MailStore::Profile::parse(MailStore::Profile::format(stores)) != paths)
            __builtin_trap();
        for (const MailStore::ProfileStore& profile : MailStore::ThunderbirdProfiles::read(bytes, QStringLiteral("/b")))
            if (profile.path.isEmpty())
                __builtin_trap();
        break;
    }
    case 2:
        if (auto id = MailStore::EntryId::parse(QString::fromUtf8(bytes)))
            if (!MailStore::EntryId::parse(id->toString()))
                __builtin_trap();
        break;
    case 3: {
        // Decoding only ever touches "&" sequences and never gives broken UTF-16.
        const QString name = QString::fromUtf8(bytes);
        const QString decoded = MailStore::decodeFolderName(name);
        if (!decoded.isValidUtf16() || (decoded != name && !name.contains(u'&')))
            __builtin_trap();
        break;
    }
    default:
        Render::RtfText::convert(bytes);
        break;
    }
    return 0;
}
