#include "libs7/szl_retry.hpp"

#include <exception>
#include <string>
#include <thread>

#include "liblog/log_levels.hpp"
#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

void wait_for_real(std::chrono::milliseconds delay) {
    std::this_thread::sleep_for(delay);
}

void read_with_retries(const szl_address& address, std::chrono::milliseconds retry_delay, bool retry,
                       const libdeadline::deadline& deadline, liblog::log_interface& log,
                       const wait_function& wait, const std::function<void()>& attempt) {
    const auto failed_read = [&] { return "Failed to read SZL " + to_text(address) + ": "; };
    std::exception_ptr last_failure;
    std::string last_reason;
    for (int attempts = retry ? 3 : 1; attempts > 0; --attempts) {
        if (deadline.expired()) throw libdeadline::deadline_exceeded(deadline, last_reason);
        try {
            attempt();
            return;
        } catch (const exceptions::szl_too_large& error) {
            log.log(liblog::level::error, failed_read() + error.what());
            throw;
        } catch (const libdeadline::deadline_exceeded& error) {
            log.log(liblog::level::error, failed_read() + error.what());
            throw;
        } catch (const std::exception& error) {
            last_failure = std::current_exception();
            last_reason = error.what();
            log.log(liblog::level::error,
                    failed_read() + last_reason + ". " + std::to_string(attempts - 1) + " attempts left.");
        }
        wait(deadline.cap(retry_delay));
    }
    std::rethrow_exception(last_failure);
}

}  // namespace korvel::probekit::libs7
