#include "libcertificatehelper/strict_verification.hpp"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace korvel::probekit::libcertificatehelper {
namespace {

// Where a context keeps its bundle for the callback, which OpenSSL gives no user pointer.
int bundle_index() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// The issuer was not found, or not trusted. OpenSSL names a lone server certificate whose issuer it
// cannot find "unable to verify the first certificate" rather than "unable to get local issuer"; it
// is the same case, and the usual one for a device that sends no intermediates.
bool is_unanchored(int error) {
    return error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT ||
           error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY ||
           error == X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE || error == X509_V_ERR_CERT_UNTRUSTED;
}

const system_ca_bundle* bundle_of(X509_STORE_CTX* verification) {
    const auto* connection = static_cast<const SSL*>(
        X509_STORE_CTX_get_ex_data(verification, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (connection == nullptr) return nullptr;
    return static_cast<const system_ca_bundle*>(
        SSL_CTX_get_ex_data(SSL_get_SSL_CTX(connection), bundle_index()));
}

int verify(int preverified, X509_STORE_CTX* verification) {
    if (preverified == 1) return 1;
    if (!is_unanchored(X509_STORE_CTX_get_error(verification))) return 0;
    const system_ca_bundle* bundle = bundle_of(verification);
    if (bundle == nullptr) return 0;
    // The server's own certificate comes first in what it sent; the rest are its intermediates.
    STACK_OF(X509)* sent = X509_STORE_CTX_get0_untrusted(verification);
    X509* leaf = sent != nullptr && sk_X509_num(sent) > 0 ? sk_X509_value(sent, 0)
                                                          : X509_STORE_CTX_get_current_cert(verification);
    if (leaf == nullptr || !bundle->is_trusted(leaf, sent)) return 0;
    X509_STORE_CTX_set_error(verification, X509_V_OK);
    return 1;
}

}  // namespace

void install_strict_verification(ssl_ctx_st* context, const system_ca_bundle& bundle) {
    SSL_CTX_set_ex_data(context, bundle_index(), const_cast<system_ca_bundle*>(&bundle));
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, verify);
}

}  // namespace korvel::probekit::libcertificatehelper
