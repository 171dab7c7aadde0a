#include "libcertificatehelper/system_ca_bundle.hpp"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <mutex>

#include "libcertificatehelper/pem_certificates.hpp"
#include "libcertificatehelper/trust_locations.hpp"

namespace korvel::probekit::libcertificatehelper {

struct system_ca_bundle::state {
    // Guards the stamp and the trust pointer; held through a rebuild, so a change is built once.
    mutable std::mutex mutex;
    trust_stamp stamp;
    std::shared_ptr<const trust> built;

    void build(trust_stamp new_stamp) {
        auto certificates = collect_certificates(new_stamp.locations);
        auto next = std::make_shared<trust>();
        next->generation = built ? built->generation + 1 : 1;
        next->pem = std::move(certificates.pem);
        next->certificate_count = certificates.count;
        next->store = std::move(certificates.store);
        built = std::move(next);
        stamp = std::move(new_stamp);
    }
};

system_ca_bundle::system_ca_bundle() : state_(std::make_unique<state>()) {
    state_->build(stamp_of(current_trust_locations()));
}

system_ca_bundle::~system_ca_bundle() = default;

std::shared_ptr<system_ca_bundle> system_ca_bundle::shared() {
    static const auto bundle = std::make_shared<system_ca_bundle>();
    return bundle;
}

std::shared_ptr<const system_ca_bundle::trust> system_ca_bundle::current() const {
    auto now = stamp_of(current_trust_locations());
    std::lock_guard lock(state_->mutex);
    if (!(now == state_->stamp)) state_->build(std::move(now));
    return state_->built;
}

std::string system_ca_bundle::get_pem() const {
    return current()->pem;
}

bool system_ca_bundle::is_trusted(x509_st* certificate, stack_st_X509* untrusted_chain) const noexcept {
    try {
        const auto trusted = current();
        x509_store_ctx_ptr context(X509_STORE_CTX_new());
        if (!context || !trusted->store ||
            X509_STORE_CTX_init(context.get(), trusted->store.get(), certificate, untrusted_chain) != 1) {
            ERR_clear_error();
            return false;
        }
        const bool verified = X509_verify_cert(context.get()) == 1;
        ERR_clear_error();
        return verified;
    } catch (...) {
        // Out of memory while stamping or rebuilding: nothing vouches for the certificate.
        return false;
    }
}

}  // namespace korvel::probekit::libcertificatehelper
