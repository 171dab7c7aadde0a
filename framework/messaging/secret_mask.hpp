#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvel::probekit::libvexahelper::messaging {

// The secret values of one sensor or check (its secure settings: passwords, the API key) in every
// form a text may carry them: as they are, escaped inside a JSON text once or twice (a device or front
// end that echoes our request, or quotes it in a JSON error message), and each of these escaped as an
// argument of a localisable message. Each occurrence becomes "***", and so does the start of one
// (three bytes or more) that ends a text cut short (before its trailing "..."): the cut may have gone
// through a secret.
class secret_mask {
public:
    // Empty secrets are no secrets.
    explicit secret_mask(const std::vector<std::string>& secrets);

    bool empty() const { return forms_.empty(); }
    // Whether `text` holds a secret in any of its forms.
    bool finds(std::string_view text) const;
    // `text` with every form of every secret replaced by "***".
    std::string masked(std::string_view text) const;

private:
    std::size_t cut_secret_at(std::string_view text) const;

    std::vector<std::string> forms_;  // longest first, so a longer form is replaced whole
};

// While a scope is alive, every text value a message of this thread writes, log lines included, is
// masked with its mask. Scopes nest; the innermost counts. The dispatcher opens one around every
// call that runs a sensor's or check's code, so no text of theirs leaves unmasked.
class secret_mask_scope {
public:
    explicit secret_mask_scope(const secret_mask* mask);
    ~secret_mask_scope();
    secret_mask_scope(const secret_mask_scope&) = delete;
    secret_mask_scope& operator=(const secret_mask_scope&) = delete;

    // The innermost scope's mask on this thread, or null.
    static const secret_mask* active();

private:
    const secret_mask* outer_;
};

}  // namespace korvel::probekit::libvexahelper::messaging
