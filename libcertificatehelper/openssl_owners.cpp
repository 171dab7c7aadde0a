#include "libcertificatehelper/openssl_owners.hpp"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

namespace korvel::probekit::libcertificatehelper {

void bio_deleter::operator()(bio_st* bio) const noexcept {
    BIO_free_all(bio);
}
void evp_pkey_deleter::operator()(evp_pkey_st* key) const noexcept {
    EVP_PKEY_free(key);
}
void x509_deleter::operator()(x509_st* certificate) const noexcept {
    X509_free(certificate);
}
void x509_stack_deleter::operator()(stack_st_X509* certificates) const noexcept {
    sk_X509_pop_free(certificates, X509_free);
}
void x509_store_deleter::operator()(x509_store_st* store) const noexcept {
    X509_STORE_free(store);
}
void x509_store_ctx_deleter::operator()(x509_store_ctx_st* context) const noexcept {
    X509_STORE_CTX_free(context);
}

}  // namespace korvel::probekit::libcertificatehelper
