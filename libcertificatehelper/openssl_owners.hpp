#pragma once

#include <memory>

// OpenSSL's own type names, declared without its headers, so that no header of ours pulls them in.
struct bio_st;
struct evp_pkey_st;
struct ssl_ctx_st;
struct stack_st_X509;
struct x509_st;
struct x509_store_ctx_st;
struct x509_store_st;

namespace korvel::probekit::libcertificatehelper {

// Each OpenSSL object has one owner; the owners move but never copy, so no object is freed twice.
// clang-format off
struct bio_deleter { void operator()(bio_st* bio) const noexcept; };
struct evp_pkey_deleter { void operator()(evp_pkey_st* key) const noexcept; };
struct x509_deleter { void operator()(x509_st* certificate) const noexcept; };
struct x509_stack_deleter { void operator()(stack_st_X509* certificates) const noexcept; };
struct x509_store_deleter { void operator()(x509_store_st* store) const noexcept; };
struct x509_store_ctx_deleter { void operator()(x509_store_ctx_st* context) const noexcept; };
// clang-format on

using bio_ptr = std::unique_ptr<bio_st, bio_deleter>;
using evp_pkey_ptr = std::unique_ptr<evp_pkey_st, evp_pkey_deleter>;
using x509_ptr = std::unique_ptr<x509_st, x509_deleter>;
// Frees the certificates with the stack.
using x509_stack_ptr = std::unique_ptr<stack_st_X509, x509_stack_deleter>;
using x509_store_ptr = std::unique_ptr<x509_store_st, x509_store_deleter>;
using x509_store_ctx_ptr = std::unique_ptr<x509_store_ctx_st, x509_store_ctx_deleter>;

}  // namespace korvel::probekit::libcertificatehelper
