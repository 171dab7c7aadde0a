#include "framework/messaging/secret_mask.hpp"

#include <algorithm>

#include "framework/messaging/json_writer.hpp"
#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::messaging {
namespace {

constexpr std::string_view replacement = "***";
// What marks a text cut short (a quoted excerpt, a bounded dump).
constexpr std::string_view cut_mark = "...";
// The shortest start of a secret that counts where a text was cut through it.
constexpr std::size_t shortest_cut_secret = 3;

thread_local const secret_mask* innermost = nullptr;

}  // namespace

secret_mask::secret_mask(const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        if (secret.empty()) continue;
        // A JSON text that quotes another (a device's error message quoting our request's parameters)
        // escapes the secret twice.
        const std::string in_json = wire::escaped_json_text(secret);
        for (const std::string& text : {secret, in_json, wire::escaped_json_text(in_json)}) {
            for (std::string form : {text, libi18n::escape_argument(text)}) {
                if (std::ranges::find(forms_, form) == forms_.end()) forms_.push_back(std::move(form));
            }
        }
    }
    std::ranges::stable_sort(forms_,
                             [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

// Where the start of a secret begins that ends a text cut short (its part before the trailing
// "..."): the cut may have gone through a secret. npos when none does, or the text was not cut.
std::size_t secret_mask::cut_secret_at(std::string_view text) const {
    if (!text.ends_with(cut_mark)) return std::string_view::npos;
    text.remove_suffix(cut_mark.size());
    for (const std::string& form : forms_) {
        for (std::size_t length = std::min(form.size() - 1, text.size()); length >= shortest_cut_secret;
             --length) {
            if (text.ends_with(std::string_view(form).substr(0, length))) return text.size() - length;
        }
    }
    return std::string_view::npos;
}

bool secret_mask::finds(std::string_view text) const {
    return std::ranges::any_of(forms_,
                               [&](const std::string& form) { return text.find(form) != text.npos; }) ||
           cut_secret_at(text) != std::string_view::npos;
}

std::string secret_mask::masked(std::string_view text) const {
    std::string result(text);
    for (const std::string& form : forms_) {
        for (std::size_t at = result.find(form); at != std::string::npos; at = result.find(form, at)) {
            result.replace(at, form.size(), replacement);
            at += replacement.size();
        }
    }
    if (const std::size_t cut = cut_secret_at(result); cut != std::string::npos)
        result.replace(cut, result.size() - cut_mark.size() - cut, replacement);
    return result;
}

secret_mask_scope::secret_mask_scope(const secret_mask* mask) : outer_(innermost) {
    innermost = mask;
}

secret_mask_scope::~secret_mask_scope() {
    innermost = outer_;
}

const secret_mask* secret_mask_scope::active() {
    return innermost;
}

}  // namespace korvel::probekit::libvexahelper::messaging
