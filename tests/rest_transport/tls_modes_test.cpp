// The three validation modes over real handshakes with the local HTTPS server, and the system trust
// behind strict mode: a CA added to the file named by SSL_CERT_FILE counts from the next request on,
// for a client that already exists, and the bundle is rebuilt for that change exactly once.

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Points SSL_CERT_FILE at a file of its own that does not exist yet, for as long as it lives.
class scoped_cert_file {
public:
    scoped_cert_file() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cert-file.XXXXXX").string();
        directory_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        ::setenv("SSL_CERT_FILE", path().c_str(), 1);
    }
    ~scoped_cert_file() {
        ::unsetenv("SSL_CERT_FILE");
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    scoped_cert_file(const scoped_cert_file&) = delete;
    scoped_cert_file& operator=(const scoped_cert_file&) = delete;

    void add_private_ca() const {
        std::ofstream(path(), std::ios::trunc) << certificates().authority.certificate;
    }

private:
    std::string path() const { return directory_ + "/added-ca.pem"; }
    std::string directory_;
};

const std::string rejected =
    "The sensor could not get a response from the server. 0 (No response code received). ";

// A rejected certificate ends the handshake: no status, and the reason in the message. Empty when
// the server was accepted.
std::string rejection(const simulators::pem_identity& identity, certificate_validation mode) {
    simulators::https_test_server server(identity);
    impl_curl client(local_settings(server.port(), mode));
    try {
        EXPECT_EQ(client.perform(request(method::get, "/"), generous_deadline()).status, 200);
        return {};
    } catch (const exceptions::request_failed& error) {
        EXPECT_EQ(server.requests(), 0u);
        return error.what();
    }
}

const std::string untrusted = rejected + "(TLS certificate not trusted: no trusted authority issued it)";
const std::string other_name = rejected + "(TLS certificate name mismatch: not issued for the device's host)";

TEST(tls_modes, each_mode_accepts_exactly_what_its_name_promises_and_says_why_it_refuses) {
    const scoped_cert_file nothing_added;
    const auto& made = certificates();
    const struct {
        const simulators::pem_identity& identity;
        const char* certificate;
        certificate_validation mode;
        std::string rejection;
    } rows[] = {
        {made.self_signed, "self-signed", certificate_validation::none, ""},
        {made.other_name, "other name", certificate_validation::none, ""},
        {made.expired, "expired", certificate_validation::none, ""},
        {made.self_signed, "self-signed", certificate_validation::hostname_only, ""},
        {made.other_name, "other name", certificate_validation::hostname_only, other_name},
        {made.self_signed, "self-signed", certificate_validation::strict, untrusted},
        {made.expired, "expired", certificate_validation::strict, untrusted},
        {made.server, "private CA", certificate_validation::strict, untrusted},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.certificate) + ", mode " + std::to_string(static_cast<int>(row.mode)));
        EXPECT_EQ(rejection(row.identity, row.mode), row.rejection);
    }
}

TEST(tls_modes, strict_trusts_a_ca_once_it_is_in_ssl_cert_file_without_a_restart) {
    const scoped_cert_file added;
    simulators::https_test_server server(certificates().server);
    impl_curl client(local_settings(server.port(), certificate_validation::strict));
    EXPECT_THROW(client.perform(request(method::get, "/"), generous_deadline()), exceptions::request_failed);

    const auto bundle = system_ca_bundle::shared();
    const auto before = bundle->current();
    // Debian's ca-certificates, which the bootstrap installs, brings well over a hundred.
    EXPECT_GT(before->certificate_count, 100u);
    added.add_private_ca();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.perform(request(method::get, "/"), generous_deadline()).status, 200);
    }
    const auto after = bundle->current();
    EXPECT_EQ(after->generation, before->generation + 1) << "one rebuild for one change, none per request";
    EXPECT_EQ(after->certificate_count, before->certificate_count + 1);
    EXPECT_EQ(server.tls_handshakes(), 1u);
    // The trusted CA's certificates still need the right name and must not have expired.
    EXPECT_EQ(rejection(certificates().other_name, certificate_validation::strict), other_name);
    EXPECT_EQ(rejection(certificates().expired, certificate_validation::strict),
              rejected + "(TLS certificate expired)");
}

// The callback on its own: a TLS context that trusts nothing itself accepts the server only when the
// system trust (here: the SSL_CERT_FILE part of it) anchors the chain.
bool handshake_with_callback_only(std::uint16_t port) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    korvel::probekit::libcertificatehelper::install_strict_verification(context.get(),
                                                                        *system_ca_bundle::shared());
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

    added.add_private_ca();
    EXPECT_TRUE(handshake_with_callback_only(private_ca.port()));
    // A self-signed server certificate is not an unanchored chain: the callback does not overrule it.
    EXPECT_FALSE(handshake_with_callback_only(self_signed.port()));
}

}  // namespace
