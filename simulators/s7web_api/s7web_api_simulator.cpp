#include "simulators/s7web_api/s7web_api_simulator.hpp"

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "simulators/s7web_api/web_api_device.hpp"

namespace korvel::probekit::simulators {
namespace {

constexpr const char* jsonrpc_path = "/api/jsonrpc";
// Far above any batch the module sends; a larger body is refused before it is parsed.
constexpr std::size_t max_body_bytes = 1024 * 1024;

http_answer status_page(int status) {
    return {status, "<html><body><h1>" + std::to_string(status) + "</h1></body></html>", "text/html", {}};
}

// The headers a device sends with every JSON-RPC answer.
const http_headers& answer_headers() {
    static const http_headers headers{{"Cache-Control", "no-cache"},
                                      {"Pragma", "no-cache"},
                                      {"Expires", "0"},
                                      {"Access-Control-Allow-Origin", "*"},
                                      {"Access-Control-Allow-Headers", "Content-Type,X-Auth-Token"},
                                      {"Access-Control-Allow-Methods", "POST,OPTIONS"}};
    return headers;
}

plc_cpu& cpu_of(s7web_scenario& scenario, int redundancy_id) {
    if (redundancy_id < 1 || static_cast<std::size_t>(redundancy_id) > scenario.cpus.size())
        throw std::out_of_range("the scenario has no CPU with redundancy id " +
                                std::to_string(redundancy_id));
    return scenario.cpus[static_cast<std::size_t>(redundancy_id - 1)];
}

}  // namespace

struct s7web_api_simulator::state {
    state(s7web_scenario scenario, pem_identity issuer, const pem_identity& identity, std::uint16_t port,
          std::chrono::seconds idle_close)
        : authority(std::move(issuer)),
          device(std::move(scenario)),
          server(
              identity, [this](const http_request& request) { return answer(request); }, port, idle_close) {}

    // Wakes answers held back by an injected delay, so the server's threads can be joined at once.
    ~state() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
    }

    http_answer answer(const http_request& request) {
        if (request.method != "POST" || request.path != jsonrpc_path) return status_page(404);
        std::unique_lock lock(mutex);
        ++batches;
        const injected_failures failures = device.scenario().failures;
        http_answer answer = status_page(failures.http_status != 0 ? failures.http_status : 413);
        if (failures.http_status == 0 && request.body.size() <= max_body_bytes) {
            answer = {
                200,
                device.answer(request.body, request.header("X-Auth-Token"), web_api_device::clock::now()),
                "application/json", answer_headers()};
        }
        if (failures.cut_answers) answer.cut_after = answer.body.size() / 2;
        if (failures.delay.count() > 0) wake.wait_for(lock, failures.delay, [this] { return stopping; });
        return answer;
    }

    template <typename Change>
    auto locked(Change change) {
        std::lock_guard lock(mutex);
        return change(device);
    }

    const pem_identity authority;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;     // guarded by mutex
    web_api_device device;     // guarded by mutex
    std::size_t batches = 0;   // guarded by mutex
    https_test_server server;  // last: its threads use everything above
};

s7web_api_simulator::s7web_api_simulator(s7web_scenario scenario, std::uint16_t port,
                                         std::chrono::seconds idle_close) {
    const test_certificates made = generate_test_certificates();
    state_ = std::make_unique<state>(std::move(scenario), made.authority, made.server, port, idle_close);
}

s7web_api_simulator::s7web_api_simulator(s7web_scenario scenario, const pem_identity& identity,
                                         std::uint16_t port, std::chrono::seconds idle_close)
    : state_(std::make_unique<state>(std::move(scenario), pem_identity{}, identity, port, idle_close)) {}

s7web_api_simulator::~s7web_api_simulator() = default;

std::uint16_t s7web_api_simulator::port() const {
    return state_->server.port();
}
const pem_identity& s7web_api_simulator::authority() const {
    return state_->authority;
}
std::size_t s7web_api_simulator::logins() const {
    return state_->locked([](web_api_device& device) { return device.logins(); });
}
std::size_t s7web_api_simulator::refused_logins() const {
    return state_->locked([](web_api_device& device) { return device.refused_logins(); });
}
std::size_t s7web_api_simulator::live_sessions() const {
    return state_->locked(
        [](web_api_device& device) { return device.live_sessions(web_api_device::clock::now()); });
}
std::vector<std::string> s7web_api_simulator::session_users() const {
    return state_->locked(
        [](web_api_device& device) { return device.session_users(web_api_device::clock::now()); });
}
std::size_t s7web_api_simulator::logouts() const {
    return state_->locked([](web_api_device& device) { return device.logouts(); });
}
std::size_t s7web_api_simulator::security_events() const {
    return state_->locked([](web_api_device& device) { return device.security_events(); });
}
std::size_t s7web_api_simulator::restarts() const {
    return state_->locked([](web_api_device& device) { return device.restarts(); });
}
std::string s7web_api_simulator::cpu_id() const {
    return state_->locked([](web_api_device& device) { return device.cpu_id(); });
}
std::size_t s7web_api_simulator::requests() const {
    return state_->locked([](web_api_device& device) { return device.requests(); });
}
std::size_t s7web_api_simulator::batches() const {
    return state_->locked([this](web_api_device&) { return state_->batches; });
}
std::size_t s7web_api_simulator::tcp_connections() const {
    return state_->server.tcp_connections();
}
std::vector<http_request> s7web_api_simulator::received() const {
    return state_->server.received();
}

void s7web_api_simulator::change(const std::function<void(s7web_scenario&)>& edit) {
    state_->locked([&edit](web_api_device& device) { edit(device.scenario()); });
}

void s7web_api_simulator::set_operating_mode(const std::string& mode, int redundancy_id) {
    change([&](s7web_scenario& scenario) { cpu_of(scenario, redundancy_id).operating_mode = mode; });
}

void s7web_api_simulator::set_mode_selector(const std::string& mode, int redundancy_id) {
    change([&](s7web_scenario& scenario) { cpu_of(scenario, redundancy_id).mode_selector = mode; });
}

void s7web_api_simulator::add_alarm(alarm entry) {
    change(
        [&](s7web_scenario& scenario) { scenario.alarms.insert(scenario.alarms.begin(), std::move(entry)); });
}

void s7web_api_simulator::remove_alarm(std::uint64_t id) {
    change([id](s7web_scenario& scenario) {
        std::erase_if(scenario.alarms, [id](const alarm& entry) { return entry.id == id; });
    });
}

void s7web_api_simulator::add_diagnostic_entry(diagnostic_entry entry) {
    change([&](s7web_scenario& scenario) {
        auto& buffer = scenario.diagnostic_buffer;
        buffer.insert(buffer.begin(), std::move(entry));
        if (buffer.size() > scenario.diagnostic_buffer_capacity)
            buffer.resize(scenario.diagnostic_buffer_capacity);
    });
}

void s7web_api_simulator::set_module_status(std::int32_t hwid, module_status_values status) {
    change([&](s7web_scenario& scenario) {
        hardware_node* node = find_node(scenario.hardware, hwid);
        if (node == nullptr)
            throw std::out_of_range("the scenario has no hardware node " + std::to_string(hwid));
        node->status = std::move(status);
    });
}

void s7web_api_simulator::set_failures(injected_failures failures) {
    change([&](s7web_scenario& scenario) { scenario.failures = failures; });
}

void s7web_api_simulator::restart() {
    state_->locked([](web_api_device& device) { device.restart(web_api_device::clock::now()); });
}

}  // namespace korvel::probekit::simulators
