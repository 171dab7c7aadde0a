#include "libs7/szl_retry.hpp"

#include <exception>
#include <string>
#include <thread>

#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

void wait_for_real(std::chrono::milliseconds delay) {
    std::this_thread::sleep_for(delay);
}

void read_with_retries(const szl_address& address, std::chrono::milliseconds retry_delay, bool retry,
                       liblog::log_interface& log, const wait_function& wait,
                       const std::function<void()>& attempt) {
    const std::string failed_read = "Failed to read SZL " + to_text(address) + ": ";
    std::exception_ptr last_failure;
    for (int attempts = retry ? 3 : 1; attempts > 0; --attempts) {
        try {
            attempt();
            return;
        } catch (const exceptions::szl_too_large& error) {
            log.log(3, failed_read + error.what());
            throw;
        } catch (const std::exception& error) {
            last_failure = std::current_exception();
            log.log(3, failed_read + error.what() + ". " + std::to_string(attempts - 1) + " attempts left.");
        }
        wait(retry_delay);
    }
    std::rethrow_exception(last_failure);
}

}  // namespace korvel::probekit::libs7
