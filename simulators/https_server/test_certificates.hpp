#pragma once

#include <string>

namespace korvel::probekit::simulators {

// A certificate and its private key, both as PEM text.
struct pem_identity {
    std::string certificate;
    std::string private_key;
};

// Certificates made at run time for TLS tests, so no key ever lives in the repository. Every server
// certificate names 127.0.0.1 and localhost unless said otherwise.
struct test_certificates {
    pem_identity authority;    // a private certification authority, trusted by nothing
    pem_identity server;       // signed by the authority
    pem_identity other_name;   // signed by the authority, for "other.invalid" only
    pem_identity self_signed;  // its own issuer
    pem_identity expired;      // signed by the authority, valid until yesterday
};

// Elliptic-curve keys (P-256), so generating the whole set takes milliseconds.
test_certificates generate_test_certificates();

}  // namespace korvel::probekit::simulators
