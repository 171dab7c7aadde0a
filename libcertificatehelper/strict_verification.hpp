#pragma once

#include "libcertificatehelper/openssl_owners.hpp"
#include "libcertificatehelper/system_ca_bundle.hpp"

namespace korvel::probekit::libcertificatehelper {

// Makes a TLS client context verify the server and, for a chain that OpenSSL could not anchor
// (issuer not found, or not trusted), ask the system trust of `bundle` before rejecting it. Every
// other verification error rejects. The bundle must outlive the connections made with the context.
void install_strict_verification(ssl_ctx_st* context, const system_ca_bundle& bundle);

}  // namespace korvel::probekit::libcertificatehelper
