#pragma once

#include <cstddef>
#include <string>

#include "libcertificatehelper/openssl_owners.hpp"
#include "libcertificatehelper/trust_locations.hpp"

namespace korvel::probekit::libcertificatehelper {

// The certificates found at the trust locations, each once however often it appears (the default
// file and directory usually hold the same set).
struct certificate_set {
    std::string pem;       // PEM encodings, one after the other, in the order found
    x509_store_ptr store;  // the same certificates as a verification store
    std::size_t count = 0;
};

// Never fails: a location that cannot be read, and a block that is not a certificate, add nothing.
// In a directory only OpenSSL's hashed names (8 hex digits, a full stop, a number) are read, as
// OpenSSL itself would look certificates up there.
certificate_set collect_certificates(const trust_locations& locations);

}  // namespace korvel::probekit::libcertificatehelper
