#include "libresthelper/curl_owners.hpp"

#include <curl/curl.h>

#include "libresthelper/transfer_failure.hpp"

namespace korvel::probekit::libresthelper {

void easy_handle_deleter::operator()(Curl_easy* handle) const noexcept {
    curl_easy_cleanup(handle);
}
void string_list_deleter::operator()(curl_slist* list) const noexcept {
    curl_slist_free_all(list);
}

easy_handle make_easy_handle() {
    // curl_global_init must run once before any handle exists and is not safe to race with itself on
    // every platform; a function-local static runs it exactly once.
    static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (global != CURLE_OK) throw_transfer_failure(global);
    easy_handle handle(curl_easy_init());
    if (!handle) throw_transfer_failure(CURLE_OUT_OF_MEMORY);
    return handle;
}

}  // namespace korvel::probekit::libresthelper
