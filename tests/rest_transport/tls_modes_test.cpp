// The three validation modes over real handshakes with the local HTTPS server, and the system trust
// behind strict mode: a CA added to the file named by SSL_CERT_FILE counts from the next request on,
// for a client that already exists, and the bundle is rebuilt for that change exactly once.

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <memory>
#include <string>

#include "libcertificatehelper/strict_verification.hpp"
#include "libcertificatehelper/system_ca_bundle.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/impl_curl.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "tests/rest_transport/rest_test_support.hpp"

namespace {

using namespace rest_test;
using korvel::probekit::libcertificatehelper::system_ca_bundle;
using korvel::probekit::libresthelper::impl_curl;
using korvel::probekit::libresthelper::method;
using korvel::probekit::libresthelper::request;
namespace exceptions = korvel::probekit::libresthelper::exceptions;

enum class outcome { accepted, rejected };

const char* name_of(certificate_validation mode) {
    switch (mode) {
        case certificate_validation::none:
            return "none";
        case certificate_validation::hostname_only:
            return "hostname_only";
        case certificate_validation::strict:
            return "strict";
    }
    return "?";
}

// A rejected certificate ends the handshake: no status, and libcurl's reason in the message.
outcome request_over(const simulators::pem_identity& identity, certificate_validation mode) {
    simulators::https_test_server server(identity);
    impl_curl client(local_settings(server.port(), mode));
    try {
        const auto answer = client.perform(request(method::get, "/"), generous_deadline());
        EXPECT_EQ(answer.status, 200);
        return outcome::accepted;
    } catch (const exceptions::request_failed& error) {
        EXPECT_TRUE(
            std::string(error.what())
                .starts_with(
                    "The sensor could not get a response from the server. 0 (No response code received). "))
            << error.what();
        EXPECT_EQ(server.requests(), 0u);
        return outcome::rejected;
    }
}

TEST(tls_modes, each_mode_accepts_exactly_what_its_name_promises) {
    const scoped_cert_file nothing_added;
    const auto& made = certificates();
    struct row {
        const simulators::pem_identity& identity;
        const char* certificate;
        certificate_validation mode;
        outcome expected;
    };
    const row rows[] = {
        {made.server, "private CA", certificate_validation::none, outcome::accepted},
        {made.self_signed, "self-signed", certificate_validation::none, outcome::accepted},
        {made.other_name, "other name", certificate_validation::none, outcome::accepted},
        {made.expired, "expired", certificate_validation::none, outcome::accepted},
        {made.self_signed, "self-signed", certificate_validation::hostname_only, outcome::accepted},
        {made.server, "private CA", certificate_validation::hostname_only, outcome::accepted},
        {made.other_name, "other name", certificate_validation::hostname_only, outcome::rejected},
        {made.self_signed, "self-signed", certificate_validation::strict, outcome::rejected},
        {made.expired, "expired", certificate_validation::strict, outcome::rejected},
        {made.server, "private CA", certificate_validation::strict, outcome::rejected},
    };
    for (const auto& entry : rows) {
        SCOPED_TRACE(std::string(entry.certificate) + " with " + name_of(entry.mode));
        EXPECT_EQ(request_over(entry.identity, entry.mode), entry.expected);
    }
}

TEST(tls_modes, strict_trusts_a_ca_once_it_is_in_ssl_cert_file_without_a_restart) {
    const scoped_cert_file added;
    simulators::https_test_server server(certificates().server);
    impl_curl client(local_settings(server.port(), certificate_validation::strict));
    EXPECT_THROW(client.perform(request(method::get, "/"), generous_deadline()), exceptions::request_failed);

    const auto bundle = system_ca_bundle::shared();
    const auto before = bundle->current()->generation;
    added.write(certificates().authority.certificate);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.perform(request(method::get, "/"), generous_deadline()).status, 200);
    }
    EXPECT_EQ(bundle->current()->generation, before + 1) << "one rebuild for one change, none per request";
    EXPECT_EQ(server.tls_handshakes(), 1u);
}

TEST(tls_modes, strict_still_checks_name_and_validity_of_a_trusted_ca_s_certificates) {
    const scoped_cert_file added;
    added.write(certificates().authority.certificate);
    EXPECT_EQ(request_over(certificates().server, certificate_validation::strict), outcome::accepted);
    EXPECT_EQ(request_over(certificates().other_name, certificate_validation::strict), outcome::rejected);
    EXPECT_EQ(request_over(certificates().expired, certificate_validation::strict), outcome::rejected);
}

TEST(system_ca_bundle, holds_the_system_certificates_and_adds_the_ssl_cert_file_ones) {
    const scoped_cert_file added;
    const auto bundle = system_ca_bundle::shared();
    const auto system_only = bundle->current();
    // Debian's ca-certificates, which the bootstrap installs, brings well over a hundred.
    EXPECT_GT(system_only->certificate_count, 100u);
    EXPECT_EQ(system_only->pem.find(certificates().authority.certificate), std::string::npos);

    added.write(certificates().authority.certificate);
    const auto with_added = bundle->current();
    EXPECT_EQ(with_added->certificate_count, system_only->certificate_count + 1);
    EXPECT_NE(bundle->get_pem().find(certificates().authority.certificate), std::string::npos);
    EXPECT_EQ(bundle->current(), with_added) << "an unchanged file must not rebuild the bundle";
}

// The callback on its own: a TLS context that trusts nothing itself accepts the server only when the
// system trust (here: the SSL_CERT_FILE part of it) anchors the chain.
bool handshake_with_callback_only(std::uint16_t port) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    const auto bundle = system_ca_bundle::shared();
    korvel::probekit::libcertificatehelper::install_strict_verification(context.get(), *bundle);
    std::unique_ptr<BIO, decltype(&BIO_free_all)> connection(BIO_new_ssl_connect(context.get()),
                                                             BIO_free_all);
    BIO_set_conn_hostname(connection.get(), ("127.0.0.1:" + std::to_string(port)).c_str());
    return BIO_do_handshake(connection.get()) == 1;
}

TEST(strict_verification, consults_the_system_trust_for_a_chain_openssl_cannot_anchor) {
    const scoped_cert_file added;
    simulators::https_test_server private_ca(certificates().server);
    simulators::https_test_server self_signed(certificates().self_signed);
    EXPECT_FALSE(handshake_with_callback_only(private_ca.port()));

    added.write(certificates().authority.certificate);
    EXPECT_TRUE(handshake_with_callback_only(private_ca.port()));
    // A self-signed server certificate is not an unanchored chain: the callback does not overrule it.
    EXPECT_FALSE(handshake_with_callback_only(self_signed.port()));
}

}  // namespace
