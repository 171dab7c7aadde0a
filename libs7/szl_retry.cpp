#include "libs7/szl_retry.hpp"

#include <exception>
#include <string>
#include <thread>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

void wait_for_real(std::chrono::milliseconds delay) {
    std::this_thread::sleep_for(delay);
}

void read_with_retries(const szl_address& address, std::chrono::milliseconds retry_delay, bool retry,
                       const libdeadline::deadline& deadline, liblog::log_interface& log,
                       const wait_function& wait, const std::function<void()>& attempt,
                       const std::function<bool()>& hopeless) {
    const auto log_failure = [&](std::string_view reason, std::string_view attempts_left = {}) {
        liblog::write_line(log, liblog::level::error, "Failed to read SZL ", to_text(address), ": ", reason,
                           attempts_left);
    };
    std::exception_ptr last_failure;
    std::string last_reason;
    for (int attempts = retry ? 3 : 1; attempts > 0; --attempts) {
        if (deadline.expired()) throw libdeadline::deadline_exceeded(deadline, last_reason);
        try {
            attempt();
            return;
        } catch (const exceptions::szl_too_large& error) {
            log_failure(error.what());
            throw;
        } catch (const libdeadline::deadline_exceeded& error) {
            log_failure(error.what());
            throw;
        } catch (const std::exception& error) {
            last_failure = std::current_exception();
            last_reason = error.what();
            if (log.enabled()) log_failure(last_reason, liblog::log_line(". ", attempts - 1, " attempts left."));
            if (hopeless()) break;
        }
        wait(deadline.cap(retry_delay));
    }
    std::rethrow_exception(last_failure);
}

}  // namespace korvel::probekit::libs7
