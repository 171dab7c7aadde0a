#include "s7/s7web/s7web_login_check.hpp"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

#include "framework/responses/check_result.hpp"
#include "libdeadline/deadline.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

// The level of a failed check's reason.
constexpr int failed_check_level = 0;
// What every S7-1200/1500 sensor reads needs; firmware that cannot list rights is taken at its word.
constexpr const char* needed_right = "read_diagnostics";

// The check's own log, handed to the client so its trace lines land there; off when the check's
// logging is, so the client formats nothing for it.
class check_log final : public liblog::log_interface {
public:
    check_log(libvexahelper::checks::check_interface& check, bool enabled)
        : check_(check), enabled_(enabled) {}

    void log(int level, const std::string& message) override { check_.log(level, message); }
    bool enabled() const override { return enabled_; }

private:
    libvexahelper::checks::check_interface& check_;
    bool enabled_;
};

}  // namespace

void s7web_login_check::check() {
    libvexahelper::responses::check_result result(get_id());
    try {
        const settings::s7web_settings& settings = check_settings();
        const auto deadline = libdeadline::deadline::after(std::chrono::seconds(settings.base.timeout));
        check_log log(*this, settings.base.logging);
        const auto client = acquire_s7web_client(*container(), settings.target());
        client->ensure_api_supported(deadline, &log);
        // A login of its own, logged out again: the sensors' session is left as it is.
        const auto rights = client->check_login(deadline, &log);
        if (rights && std::find(rights->begin(), rights->end(), needed_right) == rights->end())
            throw exceptions::api_permission_denied(
                libi18n::because{std::string("Api.GetPermissions: the user lacks the ") + needed_right + " right"});
        result.set_success(true);
    } catch (const std::exception& error) {
        // Exception texts name hosts and statuses, never the passwords the client holds.
        log(failed_check_level, error.what());
    }
    send(result);
}

}  // namespace korvel::probekit::s7::s7web
