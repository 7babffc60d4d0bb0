#pragma once

#include <QByteArray>

namespace Render
{

/// What an S/MIME body (a CMS / PKCS #7 structure) holds, read without any key.
struct SmimeContent
{
    enum class Kind
    {
        NotSmime,  ///< no CMS structure at all
        Signed,    ///< SignedData: `content` is the signed MIME entity (empty when detached)
        Encrypted, ///< EnvelopedData: unreadable without the recipient's key
        Other,     ///< a CMS type with nothing printable (such as a certificates-only bundle)
    };
    Kind kind = Kind::NotSmime;
    QByteArray content;

    /// Reads the DER (or BER) bytes of an application/pkcs7-mime part. The signature is not checked.
    static SmimeContent read(const QByteArray& der);
};

} // namespace Render
