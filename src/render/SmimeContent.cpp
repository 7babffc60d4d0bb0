#include "SmimeContent.h"

#include <memory>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/objects.h>

namespace Render
{

namespace
{

struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CmsFree
{
    void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};

} // namespace

SmimeContent SmimeContent::read(const QByteArray& der)
{
    SmimeContent result;
    if (der.isEmpty() || der.size() > INT_MAX)
        return result;
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(der.constData(), int(der.size())));
    std::unique_ptr<CMS_ContentInfo, CmsFree> cms(bio ? d2i_CMS_bio(bio.get(), nullptr) : nullptr);
    ERR_clear_error(); // a failed parse leaves its reasons on this thread's queue
    if (!cms)
        return result;
    switch (OBJ_obj2nid(CMS_get0_type(cms.get())))
    {
    case NID_pkcs7_signed:
        result.kind = Kind::Signed;
        if (ASN1_OCTET_STRING** content = CMS_get0_content(cms.get()); content && *content)
            result.content = QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(*content)),
                                        ASN1_STRING_length(*content));
        break;
    case NID_pkcs7_enveloped:
    case NID_id_smime_ct_authEnvelopedData:
    case NID_pkcs7_encrypted:
        result.kind = Kind::Encrypted;
        break;
    default:
        result.kind = Kind::Other;
    }
    return result;
}

} // namespace Render
