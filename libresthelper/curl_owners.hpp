#pragma once

#include <memory>

// libcurl's handle types, declared without curl.h (our sources build with CURL_STRICTER, under which
// curl.h names the easy handle `struct Curl_easy` too).
struct Curl_easy;
struct curl_slist;

namespace korvel::probekit::libresthelper {

// clang-format off
struct easy_handle_deleter { void operator()(Curl_easy* handle) const noexcept; };
struct string_list_deleter { void operator()(curl_slist* list) const noexcept; };
// clang-format on

// One easy handle: its connections stay open between requests and close with it. Move-only.
using easy_handle = std::unique_ptr<Curl_easy, easy_handle_deleter>;
// A libcurl string list (request headers, the cookie list it reports). Move-only.
using string_list = std::unique_ptr<curl_slist, string_list_deleter>;

// A new easy handle after libcurl's global set-up; throws request_failed when libcurl has no memory.
easy_handle make_easy_handle();

}  // namespace korvel::probekit::libresthelper
