#include "host/exporter/sensor_pool.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ranges>
#include <set>
#include <sstream>
#include <utility>

#include "host/cli/channel_hold.hpp"
#include "host/cli/evaluation.hpp"
#include "host/cli/state_store.hpp"
#include "host/harness/protocol.hpp"
#include "libdeadline/deadline_mutex.hpp"

namespace korvel::probekit::host {

namespace {

namespace export_code = protocol::export_code;
namespace message_type = protocol::message_type;

// A CPU ends a Web API session 120 s after its last use; the module logs in again after 90 s.
constexpr auto web_api_session_reuse = std::chrono::seconds(90);

// The module calls back on the thread that made the call: each call collects its own messages.
thread_local std::vector<json>* collected = nullptr;

class message_capture {
public:
    message_capture() { collected = &messages_; }
    ~message_capture() { collected = nullptr; }
    message_capture(const message_capture&) = delete;
    message_capture& operator=(const message_capture&) = delete;

    std::vector<json>& messages() { return messages_; }

private:
    std::vector<json> messages_;
};

const json* scan_answer_of(const std::vector<json>& messages, int id) {
    for (const auto& message : messages) {
        const std::string type = text_member(message, "type");
        if ((type == message_type::scan_result || type == message_type::error_result) &&
            integer_member(message, "sensor_id") == id)
            return &message;
    }
    return nullptr;
}

std::string connection_key(const std::vector<target_setting>& target, const resolved_settings& settings) {
    std::string key;
    for (const auto& setting : target) key += setting.key + "=" + setting.value + "\n";
    return key + settings.value("s7web_credentials_section.username").value_or("");
}

// Whether the settings give a timeout below the scrape's; a value that is no number is left to
// the settings check.
bool asks_for_less(const std::vector<setting_assignment>& assignments, std::chrono::seconds scan_timeout) {
    const auto given = std::ranges::find(assignments | std::views::reverse, std::string("timeout"),
                                         &setting_assignment::key);
    if (given == assignments.rend()) return false;
    long long seconds = 0;
    const auto [end, error] = std::from_chars(given->value.data(), given->value.data() + given->value.size(), seconds);
    return error != std::errc() || end != given->value.data() + given->value.size() || seconds <= scan_timeout.count();
}

}  // namespace

struct pooled_sensor {
    libdeadline::deadline_mutex busy;  // held for each creation and scan
    // Under busy:
    int id = 0;  // 0: not created
    std::string settings_dump;
    std::vector<target_setting> target;
    std::unique_ptr<sensor_state> state;
    std::optional<scan_evaluator> evaluator;
    // Under the pool's mutex:
    std::string link;   // which S7 link or Web API client it shares
    bool web_api = false;
    bool last_up = false;
    std::chrono::steady_clock::time_point last_success;
    std::chrono::steady_clock::time_point last_used;
};

sensor_pool::sensor_pool(module_session& session, std::filesystem::path state_directory, std::size_t most_sensors)
    : session_(session), state_directory_(std::move(state_directory)), most_sensors_(std::max<std::size_t>(1, most_sensors)) {
    session_.module().on_message([](const std::string& bytes) {
        if (collected == nullptr) return;  // logs of calls nobody waits for
        auto message = json::parse(bytes, nullptr, false);
        if (message.is_object()) collected->push_back(std::move(message));
    });
}

sensor_pool::~sensor_pool() {
    drop_if([](const std::string&) { return true; });
}

std::shared_ptr<pooled_sensor> sensor_pool::entry_for(const std::string& instance) {
    const auto now = std::chrono::steady_clock::now();
    std::shared_ptr<pooled_sensor> evicted;
    std::shared_ptr<pooled_sensor> entry;
    {
        std::lock_guard lock(mutex_);
        if (const auto found = sensors_.find(instance); found != sensors_.end()) {
            found->second->last_used = now;
            return found->second;
        }
        if (sensors_.size() >= most_sensors_) {
            const auto oldest = std::ranges::min_element(
                sensors_, {}, [](const auto& named) { return named.second->last_used; });
            evicted = std::move(oldest->second);
            sensors_.erase(oldest);
        }
        entry = std::make_shared<pooled_sensor>();
        entry->last_used = now;
        sensors_.emplace(instance, entry);
    }
    if (evicted) {
        std::lock_guard busy(evicted->busy);  // a scan in progress ends by its own timeout
        destroy(*evicted);
        evicted->state.reset();
    }
    return entry;
}

void sensor_pool::destroy(pooled_sensor& sensor) {
    if (sensor.id == 0) return;
    message_capture capture;
    session_.module().destroy_sensor(sensor.id);
    sensor.id = 0;
}

void sensor_pool::drop_if(const std::function<bool(const std::string&)>& pick) {
    std::vector<std::shared_ptr<pooled_sensor>> dropped;
    {
        std::lock_guard lock(mutex_);
        for (auto at = sensors_.begin(); at != sensors_.end();) {
            if (pick(at->first)) {
                dropped.push_back(std::move(at->second));
                at = sensors_.erase(at);
            } else {
                ++at;
            }
        }
    }
    for (const auto& sensor : dropped) {
        std::lock_guard busy(sensor->busy);  // a scan in progress ends by its own timeout
        destroy(*sensor);
        sensor->state.reset();
    }
}

scrape_result sensor_pool::probe(const probe_plan& plan, std::chrono::seconds scan_timeout,
                                 std::chrono::steady_clock::time_point deadline, exposition_format format) {
    scrape_result scrape;
    scrape.kind = plan.kind;
    sensor_report header;
    header.kind = plan.kind;
    header.kind_display = session_.kind_display(plan.kind);
    header.time = std::chrono::system_clock::now();
    exposition_context context{{{"target", plan.target}, {"kind", plan.kind}}, &session_.descriptor()};
    const auto answer = [&](const sensor_report& report) {
        std::ostringstream body;
        write_exposition(report, context, format, body);
        scrape.body = body.str();
        scrape.up = !report.failed;
        scrape.reason = context.error_reason;
        return scrape;
    };

    // The module's timeout for the sensor, unless the settings ask for less.
    auto assignments = plan.assignments;
    if (!asks_for_less(assignments, scan_timeout))
        assignments.push_back({"timeout", std::to_string(scan_timeout.count()), "the scrape's timeout"});
    const resolved_settings settings(plan.kind, *plan.settings, assignments, session_.texts());
    const auto target = target_of(settings);
    const std::string dump = settings.values().dump();

    const auto sensor = entry_for(plan.instance);
    std::unique_lock busy(sensor->busy, std::defer_lock);
    if (!busy.try_lock_until(deadline)) {
        context.error_reason = failure_reason::busy;
        return answer(failure_report(header, "the sensor's previous scan is still running"));
    }
    try {
        if (sensor->id == 0 || sensor->settings_dump != dump) {
            if (sensor->state && sensor->target != target) {  // another controller: another state
                destroy(*sensor);
                sensor->state.reset();
            }
            if (!sensor->state) {
                auto identity_target = target;
                identity_target.push_back({"serve.instance", "instance", plan.instance});
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::max(deadline - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration(0)));
                sensor->state = std::make_unique<sensor_state>(
                    state_directory_, sensor_identity{plan.kind, 1, identity_target}, wait, session_.notices());
                sensor->target = target;
            }
            int id = 0;
            {
                std::lock_guard lock(mutex_);
                id = next_id_++;
            }
            // The new instance is created before the old one goes, so the link or session they
            // share stays open.
            message_capture capture;
            const int created =
                session_.module().create_sensor(id, settings_block(plan.kind, settings, &sensor->state->record()).dump());
            bool changed = false;
            for (const auto& message : capture.messages()) {
                if (integer_member(message, "sensor_id") == id)
                    changed = sensor->state->record().apply(message) || changed;
            }
            if (changed) sensor->state->save();
            if (created != export_code::success) {
                const json* error = scan_answer_of(capture.messages(), id);
                throw std::runtime_error(error != nullptr ? "cannot create the sensor: " +
                                                                session_.texts().message(error->value("message", json::object()))
                                                          : export_failure_text(created, "creating the sensor", plan.kind, id));
            }
            destroy(*sensor);
            scrape.created = true;
            sensor->id = id;
            sensor->settings_dump = dump;
            sensor->evaluator.emplace(session_.descriptor(), session_.texts());
            std::lock_guard lock(mutex_);
            sensor->link = connection_key(target, settings);
            sensor->web_api = settings.value("s7web_credentials_section.port").has_value();
        }

        header.id = sensor->id;
        header.target = sensor->target;
        message_capture capture;
        const auto started = std::chrono::steady_clock::now();
        const int code = session_.module().scan(sensor->id);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        bool changed = false;
        for (const auto& message : capture.messages()) {
            if (integer_member(message, "sensor_id") == sensor->id)
                changed = sensor->state->record().apply(message) || changed;
        }
        if (changed) sensor->state->save();
        const json* result = scan_answer_of(capture.messages(), sensor->id);
        auto report = result != nullptr ? sensor->evaluator->evaluate(header, *result, sensor->state->record())
                                        : failure_report(header, "no result (ExecuteSensorScan returned " +
                                                                     std::to_string(code) + ")");
        // A problem that lasted one scan (a restart) stays visible to scrapes for the profile's hold.
        if (!report.failed && channel_hold(plan.hold).apply(report, sensor->state->record().held, header.time))
            sensor->state->save();
        context.sensor = &sensor->state->record();
        context.duration_seconds = took.count();
        scrape.duration_seconds = took.count();
        if (report.failed)
            context.error_reason = result != nullptr ? error_reason_of(*result) : std::string(failure_reason::no_result);
        {
            std::lock_guard lock(mutex_);
            sensor->last_up = !report.failed;
            if (!report.failed) sensor->last_success = std::chrono::steady_clock::now();
        }
        return answer(report);
    } catch (const std::exception& error) {  // the state or the sensor cannot be had: a failed scrape
        session_.notices() << "s7host serve: " << plan.target << " " << plan.kind << ": " << error.what() << '\n';
        context.error_reason = failure_reason::cannot_run;
        return answer(failure_report(header, error.what()));
    }
}

pool_figures sensor_pool::figures() const {
    pool_figures figures;
    std::set<std::string> links, clients, sessions;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    for (const auto& [instance, sensor] : sensors_) {
        if (sensor->link.empty()) continue;
        ++figures.sensors;
        if (!sensor->web_api) {
            if (sensor->last_up) links.insert(sensor->link);
            continue;
        }
        clients.insert(sensor->link);
        if (sensor->last_up && now - sensor->last_success < web_api_session_reuse) sessions.insert(sensor->link);
    }
    figures.s7_links = links.size();
    figures.web_api_clients = clients.size();
    figures.web_api_sessions = sessions.size();
    return figures;
}

}  // namespace korvel::probekit::host
