// What one POST through the module's REST client costs next to the same POST made with plain libcurl
// on a kept-alive handle, against the same local HTTPS server in the same run; the same for one Web
// API call (login and three requests through the JSON-RPC session, answers parsed and matched by id);
// the same three requests with the token reused (no login in the batch); and requests per second with 1 and 8 clients shared by four threads. Prints ratios; absolute times
// depend on the machine.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "libjsonparser/jsonpointer_parser.hpp"
#include "libjsonparser/simdjson_pointer_parser.hpp"
#include "libparser/query_or_default.hpp"
#include "libresthelper/check_status.hpp"
#include "libresthelper/impl_curl.hpp"
#include "s7/s7web/s7web_client.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "simulators/https_server/test_certificates.hpp"

namespace {

namespace libresthelper = korvel::probekit::libresthelper;
namespace simulators = korvel::probekit::simulators;
namespace s7web = korvel::probekit::s7::s7web;
using libresthelper::certificate_validation;

const std::string request_body =
    R"([{"jsonrpc":"2.0","method":"Api.Login","params":{"user":"u","password":"p"},"id":1}])";
const std::string answer_body = R"([{"jsonrpc":"2.0","id":1,"result":{"token":"0123456789abcdef"}}])";

// The body the session writes for a login and three requests, and a device's answer to it.
const std::string batch_body =
    R"([{"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"password":"p","user":"u"}},)"
    R"({"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"},)"
    R"({"id":"Plc.ReadModeSelectorState","jsonrpc":"2.0","method":"Plc.ReadModeSelectorState"},)"
    R"({"id":"Plc.ReadRuntimeInformation","jsonrpc":"2.0","method":"Plc.ReadRuntimeInformation"}])";
const std::string batch_answer =
    R"([{"id":"Api.Login","jsonrpc":"2.0","result":{"token":"Jr4D.f0+Xw"}},)"
    R"({"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","result":"run"},)"
    R"({"id":"Plc.ReadModeSelectorState","jsonrpc":"2.0","result":"run"},)"
    R"({"id":"Plc.ReadRuntimeInformation","jsonrpc":"2.0","result":{"cycle_time":{"program":)"
    R"({"current":"PT0.002S","longest":"PT0.150S","shortest":"PT0.001S"}}}}])";

// The same three requests with the token reused, as a batch without the login, and their answer.
const std::string reused_token_body =
    R"([{"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"},)"
    R"({"id":"Plc.ReadModeSelectorState","jsonrpc":"2.0","method":"Plc.ReadModeSelectorState"},)"
    R"({"id":"Plc.ReadRuntimeInformation","jsonrpc":"2.0","method":"Plc.ReadRuntimeInformation"}])";
const std::string reused_token_answer =
    R"([{"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","result":"run"},)"
    R"({"id":"Plc.ReadModeSelectorState","jsonrpc":"2.0","result":"run"},)"
    R"({"id":"Plc.ReadRuntimeInformation","jsonrpc":"2.0","result":{"cycle_time":{"program":)"
    R"({"current":"PT0.002S","longest":"PT0.150S","shortest":"PT0.001S"}}}}])";

const simulators::test_certificates& certificates() {
    static const auto made = simulators::generate_test_certificates();
    return made;
}

// The private CA in a file of its own, named by SSL_CERT_FILE, so strict validation trusts the server.
const std::string& authority_file() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "rest_post_bench_ca.pem";
        std::ofstream(file) << certificates().authority.certificate;
        ::setenv("SSL_CERT_FILE", file.c_str(), 1);
        return file.string();
    }();
    return path;
}

simulators::https_test_server& server() {
    static simulators::https_test_server instance(certificates().server, [](const simulators::http_request& request) {
        const std::string& answer = request.body == batch_body          ? batch_answer
                                    : request.body == reused_token_body ? reused_token_answer
                                                                        : answer_body;
        return simulators::http_answer{200, answer, "application/json", {}};
    });
    return instance;
}

libresthelper::settings client_settings(certificate_validation mode, int client = 0) {
    libresthelper::settings settings(libresthelper::url("https", "127.0.0.1", server().port()));
    settings.certificate_validation = mode;
    // Distinct settings for distinct clients, as distinct devices would have.
    settings.default_headers = {{"Accept", "application/json"}, {"X-Client", std::to_string(client)}};
    return settings;
}

libresthelper::request post() {
    return libresthelper::request(libresthelper::method::post, "/api/jsonrpc", request_body,
                                  "application/json");
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// The baseline: the same POST, headers and TLS checks, straight on a libcurl handle that stays open.
class plain_handle {
public:
    plain_handle(bool strict, const std::string& posted) : handle_(curl_easy_init()) {
        headers_ = curl_slist_append(headers_, "Accept: application/json");
        headers_ = curl_slist_append(headers_, "X-Client: 0");
        headers_ = curl_slist_append(headers_, "Content-Type: application/json");
        address_ = "https://127.0.0.1:" + std::to_string(server().port()) + "/api/jsonrpc";
        curl_easy_setopt(handle_, CURLOPT_URL, address_.c_str());
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, posted.c_str());
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(posted.size()));
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &body_);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, strict ? 1L : 0L);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, strict ? 2L : 0L);
        if (strict) curl_easy_setopt(handle_, CURLOPT_CAINFO, authority_file().c_str());
    }
    ~plain_handle() {
        curl_slist_free_all(headers_);
        curl_easy_cleanup(handle_);
    }
    plain_handle(const plain_handle&) = delete;
    plain_handle& operator=(const plain_handle&) = delete;

    // True when the server answered 200.
    bool post() {
        body_.clear();
        long status = 0;
        if (curl_easy_perform(handle_) != CURLE_OK) return false;
        curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
        return status == 200;
    }

private:
    CURL* handle_;
    curl_slist* headers_ = nullptr;
    std::string address_;
    std::string body_;
};

void plain_libcurl(benchmark::State& state, bool strict) {
    plain_handle plain(strict, request_body);
    for (auto _ : state) {
        if (!plain.post()) state.SkipWithError("plain libcurl POST failed");
    }
}

void module_client(benchmark::State& state, certificate_validation mode) {
    authority_file();
    libresthelper::impl_curl client(client_settings(mode));
    for (auto _ : state) {
        const auto answer =
            client.perform(post(), korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30)));
        if (answer.status != 200) state.SkipWithError("module POST failed");
        benchmark::DoNotOptimize(answer);
    }
}

void plain_libcurl_post(benchmark::State& state) {
    plain_libcurl(state, false);
}
void plain_libcurl_post_strict(benchmark::State& state) {
    plain_libcurl(state, true);
}

double now_us(clockid_t clock) {
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_nsec) / 1e3;
}

struct timings {
    std::vector<double> wall_us;
    std::vector<double> cpu_us;

    template <typename Work>
    void measure(Work work) {
        const double wall = now_us(CLOCK_MONOTONIC);
        const double cpu = now_us(CLOCK_THREAD_CPUTIME_ID);
        work();
        cpu_us.push_back(now_us(CLOCK_THREAD_CPUTIME_ID) - cpu);
        wall_us.push_back(now_us(CLOCK_MONOTONIC) - wall);
    }
};

// Pins every thread of the process, the server's too, to the first CPU while it lives, and restores
// their affinity after: both sides of a comparison then meet the same scheduler. Unpinned, on two CPUs,
// two identical handles differ by several per cent, by where the server's threads happen to run.
class process_pinned_to_one_cpu {
public:
    process_pinned_to_one_cpu() {
        cpu_set_t first;
        CPU_ZERO(&first);
        CPU_SET(0, &first);
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            const auto thread = static_cast<pid_t>(std::stol(task.path().filename().string()));
            cpu_set_t before;
            if (sched_getaffinity(thread, sizeof before, &before) != 0) continue;
            if (sched_setaffinity(thread, sizeof first, &first) == 0) saved_.emplace_back(thread, before);
        }
    }
    ~process_pinned_to_one_cpu() {
        for (const auto& [thread, before] : saved_) sched_setaffinity(thread, sizeof before, &before);
    }
    process_pinned_to_one_cpu(const process_pinned_to_one_cpu&) = delete;
    process_pinned_to_one_cpu& operator=(const process_pinned_to_one_cpu&) = delete;

private:
    std::vector<std::pair<pid_t, cpu_set_t>> saved_;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One Web API call as a sensor makes it (the batch built, the login put first, the answers parsed)
// against the same batch POSTed with plain libcurl, in alternating turns of `range(0)` rounds each,
// pinned to one CPU, so that both meet the same machine; medians, which a round disturbed by other work
// cannot move. Turns of one round leave each side the caches the other has just used, as a scan once a
// minute finds them; long turns measure both warm.
void execute_against_plain_batch(benchmark::State& state) {
    const auto rounds_per_turn = static_cast<int>(state.range(0));
    const process_pinned_to_one_cpu pinned;
    plain_handle plain(false, batch_body);
    s7web::s7web_client client(
        {std::make_shared<libresthelper::impl_curl>(client_settings(certificate_validation::none)), "u", "p"});
    const auto batch = s7web::request_batch()
                           .add("Plc.ReadOperatingMode")
                           .add("Plc.ReadModeSelectorState")
                           .add("Plc.ReadRuntimeInformation");
    timings baseline;
    timings module;
    const auto plain_round = [&] {
        baseline.measure([&] {
            if (!plain.post()) state.SkipWithError("plain libcurl POST failed");
        });
    };
    const auto module_round = [&] {
        module.measure([&] {
            const auto answers =
                client.execute(batch, korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30)));
            if (answers.size() != 3) state.SkipWithError("the call did not answer the three requests");
        });
    };
    bool module_first = false;
    for (auto _ : state) {
        for (int round = 0; round < rounds_per_turn && module_first; ++round) module_round();
        for (int round = 0; round < rounds_per_turn; ++round) plain_round();
        for (int round = 0; round < rounds_per_turn && !module_first; ++round) module_round();
        module_first = !module_first;
    }
    state.counters["plain_us"] = median(baseline.wall_us);
    state.counters["module_us"] = median(module.wall_us);
    state.counters["wall_ratio"] = median(module.wall_us) / median(baseline.wall_us);
    state.counters["cpu_ratio"] = median(module.cpu_us) / median(baseline.cpu_us);
    state.counters["tls_handshakes"] = static_cast<double>(server().tls_handshakes());
}
// One call with the token reused: the batch without the login, sent with X-Auth-Token, through the
// path every answer takes (the REST client, the status check, the parse, the answers found by id and
// their error codes read), against the same POST with plain libcurl; alternating rounds, pinned,
// medians, as above.
void reused_token_against_plain_batch(benchmark::State& state) {
    const process_pinned_to_one_cpu pinned;
    plain_handle plain(false, reused_token_body);
    libresthelper::impl_curl client(client_settings(certificate_validation::none));
    libresthelper::request call(libresthelper::method::post, "/api/jsonrpc", reused_token_body,
                                "application/json; charset=utf-8");
    call.headers.emplace("X-Auth-Token", "Jr4D.f0+Xw");
    timings baseline;
    timings module;
    for (auto _ : state) {
        baseline.measure([&] {
            if (!plain.post()) state.SkipWithError("plain libcurl POST failed");
        });
        module.measure([&] {
            const auto response =
                client.perform(call, korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30)));
            libresthelper::check_status(response);
            const auto answers = korvel::probekit::libjsonparser::parse_json_document(response.body)->get_array("");
            std::size_t matched = 0;
            for (const auto& answer : answers) {
                const bool ours = answer->get_string("id").starts_with("Plc.");
                const auto code = korvel::probekit::libparser::query_or_default(
                    *answer, &korvel::probekit::libparser::parser_interface::get_int64, "error.code", 0);
                matched += ours && code == 0 ? 1 : 0;
            }
            if (matched != 3) state.SkipWithError("the call did not answer the three requests");
        });
    }
    state.counters["plain_us"] = median(baseline.wall_us);
    state.counters["module_us"] = median(module.wall_us);
    state.counters["wall_ratio"] = median(module.wall_us) / median(baseline.wall_us);
    state.counters["cpu_ratio"] = median(module.cpu_us) / median(baseline.cpu_us);
}

// The answer's share of that call: the parse, the answers found by id and their error codes read; on
// simdjson's DOM as the client parses, and on nlohmann's (jsonpointer_parser) for the ratio.
template <typename Parse>
void answer_parse(benchmark::State& state, Parse parse) {
    for (auto _ : state) {
        const auto answers = parse(reused_token_answer)->get_array("");
        for (const auto& answer : answers) {
            benchmark::DoNotOptimize(answer->get_string("id"));
            benchmark::DoNotOptimize(korvel::probekit::libparser::query_or_default(
                *answer, &korvel::probekit::libparser::parser_interface::get_int64, "error.code", 0));
        }
    }
}
void reused_token_answer_parse(benchmark::State& state) {
    answer_parse(state, korvel::probekit::libjsonparser::parse_json_document);
}
void reused_token_answer_parse_nlohmann(benchmark::State& state) {
    answer_parse(state, [](const std::string& text) {
        return std::make_unique<korvel::probekit::libjsonparser::jsonpointer_parser>(text);
    });
}

void module_post(benchmark::State& state) {
    module_client(state, certificate_validation::none);
}
void module_post_strict(benchmark::State& state) {
    module_client(state, certificate_validation::strict);
}

// Clients shared by four threads, as sensors on a few devices share their device's client.
void concurrent_posts(benchmark::State& state) {
    authority_file();
    const int clients = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<libresthelper::impl_curl>> pool;
    for (int i = 0; i < clients; ++i) {
        pool.push_back(
            std::make_unique<libresthelper::impl_curl>(client_settings(certificate_validation::strict, i)));
    }
    constexpr int threads = 4;
    constexpr int posts_per_round = 64;
    for (auto _ : state) {
        std::atomic<int> next{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&] {
                for (int n = next++; n < posts_per_round; n = next++) {
                    pool[static_cast<std::size_t>(n % clients)]->perform(
                        post(), korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30)));
                }
            });
        }
        for (auto& worker : workers) worker.join();
    }
    state.counters["requests_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations() * posts_per_round), benchmark::Counter::kIsRate);
}

class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            for (const auto& [name, counter] : run.counters) counters[run.benchmark_name()][name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct time {
        double real;
        double cpu;
    };
    std::map<std::string, time> times;
    std::map<std::string, std::map<std::string, double>> counters;
};

void print_ratio(const ratio_reporter& reporter, const std::string& module, const std::string& plain,
                 const std::string& what) {
    const auto ours = reporter.times.find(module);
    const auto baseline = reporter.times.find(plain);
    if (ours == reporter.times.end() || baseline == reporter.times.end()) return;
    std::cout << what << ": wall time " << ours->second.real / baseline->second.real
              << ", CPU time of the calling thread " << ours->second.cpu / baseline->second.cpu << "\n";
}

}  // namespace

BENCHMARK(plain_libcurl_post)->UseRealTime()->MinTime(1.0);
BENCHMARK(module_post)->UseRealTime()->MinTime(1.0);
BENCHMARK(plain_libcurl_post_strict)->UseRealTime()->MinTime(1.0);
BENCHMARK(module_post_strict)->UseRealTime()->MinTime(1.0);
BENCHMARK(execute_against_plain_batch)->Arg(1)->Arg(100)->UseRealTime()->MinTime(3.0);
BENCHMARK(reused_token_against_plain_batch)->UseRealTime()->MinTime(3.0);
BENCHMARK(reused_token_answer_parse);
BENCHMARK(reused_token_answer_parse_nlohmann);
BENCHMARK(concurrent_posts)->Arg(1)->Arg(8)->UseRealTime()->MinTime(1.0);

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::cout << "One POST through the module's client / the same POST with plain libcurl (target: at most "
                 "1.10):\n";
    print_ratio(reporter, "module_post/min_time:1.000/real_time",
                "plain_libcurl_post/min_time:1.000/real_time", "  no validation");
    print_ratio(reporter, "module_post_strict/min_time:1.000/real_time",
                "plain_libcurl_post_strict/min_time:1.000/real_time", "  strict validation");
    for (const auto& [turn, what] : {std::pair{"1", "turns of one round (cold)"}, {"100", "turns of 100 rounds (warm)"}}) {
        const auto found =
            reporter.counters.find(std::string("execute_against_plain_batch/") + turn + "/min_time:3.000/real_time");
        if (found == reporter.counters.end()) continue;
        std::cout << "  one Web API call (login and three requests), medians on one CPU, " << what << ": wall time "
                  << found->second["wall_ratio"] << ", CPU time of the calling thread " << found->second["cpu_ratio"]
                  << "\n";
    }
    if (const auto found = reporter.counters.find("reused_token_against_plain_batch/min_time:3.000/real_time");
        found != reporter.counters.end()) {
        std::cout << "  one call with the token reused (no login in the batch), medians on one CPU: wall time "
                  << found->second["wall_ratio"] << ", CPU time of the calling thread " << found->second["cpu_ratio"]
                  << "\n";
    }
    print_ratio(reporter, "reused_token_answer_parse", "reused_token_answer_parse_nlohmann",
                "The answer's parse and reads on simdjson / the same on nlohmann");
    benchmark::Shutdown();
    std::filesystem::remove(authority_file());
    return 0;
}
