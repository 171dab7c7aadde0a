#include "framework/module/sensor_dispatcher.hpp"

#include <stdexcept>

#include "framework/messaging/message_service.hpp"
#include "framework/messaging/secret_mask.hpp"
#include "framework/responses/check_result.hpp"
#include "framework/responses/error_message.hpp"
#include "framework/responses/sensor_scan_result.hpp"
#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::module {
namespace {

using kind_map = std::unordered_map<std::string, sensor_dispatcher::factory>;

[[noreturn]] void registry_error(const std::string& reason) {
    throw utils::exceptions::exception(
        libi18n::make_msg(libi18n::error_keys::libvexahelper::sensor_registry, reason));
}

void add_kind(kind_map& factories, const std::string& what, const std::string& kind,
              sensor_dispatcher::factory factory) {
    if (kind.empty()) registry_error("A " + what + " kind needs a name.");
    if (!factory) registry_error("The " + what + " kind \"" + kind + "\" needs a factory.");
    if (!factories.emplace(kind, std::move(factory)).second) {
        registry_error("The " + what + " kind \"" + kind + "\" is already registered.");
    }
}

const sensor_dispatcher::factory* find_kind(const kind_map& factories, const std::string& kind) {
    const auto found = factories.find(kind);
    return found == factories.end() ? nullptr : &found->second;
}

// Runs the factory; if it throws, `report` tells the host why before the exception goes on to the caller.
// The report is best effort: when it fails too, the factory's error is the one that matters.
template <typename Report>
void run_reporting_failure(const sensor_dispatcher::factory& run,
                           const std::shared_ptr<service_container>& container, int id,
                           const settings::sensor_data_wrapper& data, Report report) {
    try {
        run(container, id, data);
    } catch (const std::exception& error) {
        try {
            report(error);
        } catch (...) {
        }
        throw;
    } catch (...) {
        try {
            report(std::runtime_error("Unknown error."));
        } catch (...) {
        }
        throw;
    }
}

}  // namespace

sensor_dispatcher::sensor_dispatcher(std::shared_ptr<service_container> container)
    : container_(std::move(container)), stock_(std::make_shared<sensor_stock>()) {
    if (!container_) throw std::invalid_argument("sensor_dispatcher: the service container must not be null");
    container_->add<sensor_stock>(stock_);
}

sensor_dispatcher::~sensor_dispatcher() {
    stock_->clear();
}

void sensor_dispatcher::register_sensor(const std::string& kind, factory create) {
    add_kind(sensor_factories_, "sensor", kind, std::move(create));
}

void sensor_dispatcher::register_check(const std::string& kind, factory run) {
    add_kind(check_factories_, "check", kind, std::move(run));
}

sensor_create_response_code sensor_dispatcher::create_sensor_instance(
    int id, const settings::sensor_data_wrapper& data) {
    const factory* create = find_kind(sensor_factories_, data.kind());
    if (create == nullptr) return sensor_create_response_code::unknown_sensor_kind;
    // Creation does no I/O, so one creation at a time costs little, and it makes "is the id free" and
    // "store the sensor" one step: a second create of a live id answers in-use and never reaches the
    // factory, whose failure report would otherwise land on the live sensor.
    std::lock_guard creating(create_mutex_);
    if (stock_->find(id)) return sensor_create_response_code::sensor_id_in_use;
    const messaging::secret_mask secrets(data.secure_values());
    const messaging::secret_mask_scope masking(&secrets);
    run_reporting_failure(*create, container_, id, data, [&](const std::exception& error) {
        const responses::sensor_scan_result result(id, error);
        container_->get<messaging::message_service_interface>()->send(result);
    });
    return sensor_create_response_code::success;
}

sensor_scan_response_code sensor_dispatcher::execute_sensor_scan(int id) {
    // Our own reference keeps the sensor alive through the scan even if it is destroyed meanwhile.
    const live_sensor live = stock_->find(id);
    if (!live) return sensor_scan_response_code::sensor_not_found;
    const messaging::secret_mask_scope masking(&live.sensor->secrets());
    const auto deadline = libdeadline::deadline::after(live.sensor->scan_timeout());
    // A sensor's state (its link, persistent values, channels) belongs to one scan at a time; a scan
    // that waits for the previous one does so within its own deadline.
    std::unique_lock scanning(*live.scan_lock, std::defer_lock);
    if (!scanning.try_lock_until(deadline.at())) {
        const responses::sensor_scan_result result(
            id,
            libdeadline::deadline_exceeded(deadline, "(waiting for the sensor's previous scan to finish)"));
        container_->get<messaging::message_service_interface>()->send(result);
        return sensor_scan_response_code::success;
    }
    live.sensor->scan(deadline);
    return sensor_scan_response_code::success;
}

check_response_code sensor_dispatcher::execute_check(int id, const settings::sensor_data_wrapper& data) {
    const factory* run = find_kind(check_factories_, data.kind());
    if (run == nullptr) return check_response_code::unknown_check_kind;
    const messaging::secret_mask secrets(data.secure_values());
    const messaging::secret_mask_scope masking(&secrets);
    run_reporting_failure(*run, container_, id, data, [&](const std::exception& error) {
        responses::check_result result(id);
        result.set_success(false);
        result.set_message(responses::error_message(error));
        container_->get<messaging::message_service_interface>()->send(result);
    });
    return check_response_code::success;
}

meta_scan_response_code sensor_dispatcher::execute_meta_scan(int, unsigned,
                                                             const settings::sensor_data_wrapper&) {
    return meta_scan_response_code::not_supported;
}

sensor_destroy_response_code sensor_dispatcher::destroy_sensor_instance(int id) {
    return stock_->remove(id) ? sensor_destroy_response_code::success
                              : sensor_destroy_response_code::sensor_not_found;
}

}  // namespace korvel::probekit::libvexahelper::module
