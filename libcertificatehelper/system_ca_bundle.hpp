#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "libcertificatehelper/openssl_owners.hpp"

namespace korvel::probekit::libcertificatehelper {

// The certificates the system trusts, in PEM form for the TLS library and as a verification store
// for the strict-mode callback. Rebuilt when one of its locations changes (a stat() per location and
// request), never on every request. All methods are safe to call from several threads: the bundle
// has its own lock, and a rebuild replaces the trust as a whole.
class system_ca_bundle {
public:
    // What one build produced; whoever still holds it after the next build keeps using it unchanged.
    struct trust {
        std::uint64_t generation = 0;  // 1 for the first build, one more for each rebuild
        std::string pem;
        std::size_t certificate_count = 0;
        x509_store_ptr store;
    };

    system_ca_bundle();
    ~system_ca_bundle();
    system_ca_bundle(const system_ca_bundle&) = delete;
    system_ca_bundle& operator=(const system_ca_bundle&) = delete;

    // One bundle for the whole process, created on first use and shared by every strict client.
    static std::shared_ptr<system_ca_bundle> shared();

    // The current trust, rebuilt first when a location changed since the last look.
    std::shared_ptr<const trust> current() const;
    // The PEM text of current().
    std::string get_pem() const;

    // Whether `certificate`, with the intermediates the server sent, chains to a certificate of the
    // current trust and is valid now. Never throws.
    bool is_trusted(x509_st* certificate, stack_st_X509* untrusted_chain) const noexcept;

private:
    struct state;
    std::unique_ptr<state> state_;
};

}  // namespace korvel::probekit::libcertificatehelper
