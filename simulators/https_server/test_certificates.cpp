#include "simulators/https_server/test_certificates.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "libcertificatehelper/openssl_owners.hpp"

namespace korvel::probekit::simulators {
namespace {

using libcertificatehelper::bio_ptr;
using libcertificatehelper::evp_pkey_ptr;
using libcertificatehelper::x509_ptr;

constexpr long day = 24 * 60 * 60;
constexpr const char* local_names = "IP:127.0.0.1,DNS:localhost";

void require(bool done, const char* what) {
    if (!done) throw std::runtime_error(std::string("test certificate generation failed: ") + what);
}

struct extension_deleter {
    void operator()(X509_EXTENSION* extension) const noexcept { X509_EXTENSION_free(extension); }
};

struct made_certificate {
    x509_ptr certificate;
    evp_pkey_ptr key;
};

struct certificate_request {
    std::string common_name;
    std::vector<std::pair<int, std::string>> extensions;  // NID and value in openssl's configuration syntax
    long valid_from = -day;                               // seconds from now
    long valid_until = 30 * day;
};

std::vector<std::pair<int, std::string>> leaf_extensions(const std::string& names) {
    return {{NID_basic_constraints, "critical,CA:FALSE"},
            {NID_key_usage, "critical,digitalSignature"},
            {NID_ext_key_usage, "serverAuth"},
            {NID_subject_alt_name, names}};
}

// Signed by `issuer`, or by itself when there is none.
made_certificate make_certificate(const certificate_request& wanted, const made_certificate* issuer) {
    static std::atomic<long> serial{1};
    made_certificate made{x509_ptr(X509_new()), evp_pkey_ptr(EVP_EC_gen("P-256"))};
    require(made.certificate && made.key, "no memory");
    X509* certificate = made.certificate.get();
    require(X509_set_version(certificate, 2) == 1, "version");
    require(ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++) == 1, "serial");
    require(X509_gmtime_adj(X509_getm_notBefore(certificate), wanted.valid_from) != nullptr, "validity");
    require(X509_gmtime_adj(X509_getm_notAfter(certificate), wanted.valid_until) != nullptr, "validity");
    require(X509_set_pubkey(certificate, made.key.get()) == 1, "public key");
    X509_NAME* subject = X509_get_subject_name(certificate);
    require(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>(wanted.common_name.c_str()), -1,
                                       -1, 0) == 1,
            "subject");
    X509* signer = issuer != nullptr ? issuer->certificate.get() : certificate;
    require(X509_set_issuer_name(certificate, X509_get_subject_name(signer)) == 1, "issuer");
    X509V3_CTX context;
    X509V3_set_ctx(&context, signer, certificate, nullptr, nullptr, 0);
    auto extensions = wanted.extensions;
    extensions.emplace_back(NID_subject_key_identifier, "hash");
    if (issuer != nullptr) extensions.emplace_back(NID_authority_key_identifier, "keyid");
    for (const auto& [nid, value] : extensions) {
        std::unique_ptr<X509_EXTENSION, extension_deleter> extension(
            X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
        require(extension && X509_add_ext(certificate, extension.get(), -1) == 1, "extension");
    }
    EVP_PKEY* signing_key = issuer != nullptr ? issuer->key.get() : made.key.get();
    require(X509_sign(certificate, signing_key, EVP_sha256()) > 0, "signature");
    return made;
}

std::string memory_text(BIO* memory) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(memory, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

pem_identity to_pem(const made_certificate& made) {
    bio_ptr certificate(BIO_new(BIO_s_mem()));
    bio_ptr key(BIO_new(BIO_s_mem()));
    require(certificate && key, "no memory");
    require(PEM_write_bio_X509(certificate.get(), made.certificate.get()) == 1, "certificate PEM");
    require(PEM_write_bio_PrivateKey(key.get(), made.key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
            "key PEM");
    return {memory_text(certificate.get()), memory_text(key.get())};
}

}  // namespace

test_certificates generate_test_certificates() {
    const auto authority = make_certificate(
        {"Test Certification Authority",
         {{NID_basic_constraints, "critical,CA:TRUE"}, {NID_key_usage, "critical,keyCertSign,cRLSign"}}},
        nullptr);
    test_certificates set;
    set.authority = to_pem(authority);
    set.server = to_pem(make_certificate({"127.0.0.1", leaf_extensions(local_names)}, &authority));
    set.other_name =
        to_pem(make_certificate({"other.invalid", leaf_extensions("DNS:other.invalid")}, &authority));
    set.self_signed = to_pem(make_certificate({"127.0.0.1", leaf_extensions(local_names)}, nullptr));
    set.expired =
        to_pem(make_certificate({"127.0.0.1", leaf_extensions(local_names), -3 * day, -day}, &authority));
    return set;
}

}  // namespace korvel::probekit::simulators
