// s7host as a whole against the real module library (and, for scans, the simulated CPU).

#include <gtest/gtest.h>

#include <sstream>

#include "host/cli/run_host.hpp"
#include "host/cli/state_file.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;

struct run_output {
    int exit;
    std::string out;
    std::string err;
};

run_output run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--module", MODULE_PATH});
    std::ostringstream out, err;
    const int exit = run_host(arguments, out, err);
    return {exit, out.str(), err.str()};
}

TEST(real_module, info_is_translated_with_english_fallback) {
    struct case_ {
        std::string language;
        std::vector<std::string> expected;
    };
    const std::vector<case_> cases{
        {"English",
         {"S7 1.21.0.22799 (API level 6)", "Monitoring module to bundle Siemens SIMATIC S7-related sensors.",
          "SIMATIC S7-300/400 CPU Status [simatic_s7_300_400_cpu_status_sensor]",
          "Connection Settings for Siemens S7 [connection_section]", "connection_section.rack",
          "retry = Retry (default), noretry = Do not retry", "Required checks: s7web_login_check",
          "s7web_login_check", "English            403 keys"}},
        {"de",
         {"Überwachungsmodul", "SIMATIC S7-300/400 CPU-Status [simatic_s7_300_400_cpu_status_sensor]",
          "Verbindungseinstellungen für Siemens S7 [connection_section]", "noretry = Nicht wiederholen",
          "IP Address / DNS name  httpproxy.name",  // German lacks the shared proxy group's keys
          "German             221 keys"}},
    };
    for (const auto& [language, expected] : cases) {
        SCOPED_TRACE(language);
        const auto result = run({"--lang", language, "info"});
        EXPECT_EQ(result.exit, 0) << result.err;
        for (const auto& text : expected)
            EXPECT_NE(result.out.find(text), std::string::npos) << text << "\n" << result.out;
    }
}

// Unknown kinds are refused before the module is asked (unknown, 3); a failed creation shows the module's
// reason in the user's language (error, 2).
TEST(real_module, refusals_and_creation_failures_name_the_reason) {
    korvel::probekit::host::test_support::temporary_directory directory;
    const std::string state = (directory.path() / "state.json").string();
    struct case_ {
        std::vector<std::string> arguments;
        int exit;
        std::string reason;
    };
    const std::vector<case_> cases{
        {{"--state", state, "scan", "no_such_sensor"}, 3, "unknown sensor kind \"no_such_sensor\""},
        {{"--state", state, "check", "no_such_check"}, 3, "unknown check kind \"no_such_check\""},
        {{"--lang", "de", "--state", state, "scan", "simatic_s7_300_400_cpu_status_sensor", "--set",
          "connection_section.rack=8", "--set", "connection_section.slot=2"},
         2, "Der Einstellungswert 8 ist größer als der zulässige Wert von 7."},
    };
    for (const auto& [arguments, exit, reason] : cases) {
        SCOPED_TRACE(reason);
        const auto result = run(arguments);
        EXPECT_EQ(result.exit, exit);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    }
}

TEST(real_module, a_second_run_knows_the_channels_and_announces_nothing_again) {
    korvel::probekit::simulators::s7_cpu_simulator cpu;
    korvel::probekit::host::test_support::temporary_directory directory;
    const std::string state = (directory.path() / "state.json").string();
    const std::string logs = (directory.path() / "logs").string();
    const std::vector<std::string> scan{"scan",  "simatic_s7_300_400_cpu_status_sensor",
                                        "--id",  "3",
                                        "--set", "connection_section.rack=0",
                                        "--set", "connection_section.slot=2",
                                        "--set", "connection_section.port=" + std::to_string(cpu.port()),
                                        "--set", "logging=enabled"};
    const auto with = [&](std::vector<std::string> before, std::vector<std::string> after) {
        before.insert(before.end(), scan.begin(), scan.end());
        before.insert(before.end(), after.begin(), after.end());
        return before;
    };

    const auto first = run(with({"--state", state, "--log-dir", logs}, {}));
    ASSERT_EQ(first.exit, 0) << first.err;
    EXPECT_NE(first.out.find("RUN (solo mode) (8)"), std::string::npos) << first.out;
    const auto learned = load_state(state).sensor("simatic_s7_300_400_cpu_status_sensor", 3);
    EXPECT_TRUE(learned.channels.contains(0));
    EXPECT_FALSE(learned.persistent_data.empty());
    EXPECT_TRUE(std::filesystem::exists(directory.path() / "logs" / "module.log"));
    EXPECT_TRUE(std::filesystem::exists(directory.path() / "logs" / "sensor-3.log"));

    const auto raw = run(with({"--state", state}, {"--json"}));
    EXPECT_EQ(raw.exit, 0) << raw.err;
    EXPECT_NE(raw.out.find("\"type\":\"scan_result\""), std::string::npos) << raw.out;
    EXPECT_EQ(raw.out.find("\"type\":\"dynamic_channel\""), std::string::npos) << raw.out;

    const auto german = run(with({"--lang", "de", "--state", state}, {}));
    EXPECT_EQ(german.exit, 0) << german.err;
    EXPECT_NE(german.out.find("CPU-Status"), std::string::npos) << "names from the stored definitions\n"
                                                                << german.out;
}

TEST(real_module, restarts_counted_in_one_run_are_not_counted_again_in_the_next) {
    korvel::probekit::simulators::s7_cpu_simulator cpu;
    korvel::probekit::host::test_support::temporary_directory directory;
    const std::vector<std::string> scan{"--state", (directory.path() / "state.json").string(),
                                        "scan",    "simatic_s7_300_400_cpu_restart_overview_sensor",
                                        "--set",   "connection_section.rack=0",
                                        "--set",   "connection_section.slot=2",
                                        "--set",   "connection_section.port=" + std::to_string(cpu.port())};
    // The simulated CPU's buffer holds three manual warm restarts.
    const auto first = run(scan);
    EXPECT_NE(first.out.find("Warm Manual (7)"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("Total Restarts           3 #"), std::string::npos) << first.out;
    const auto second = run(scan);
    EXPECT_EQ(second.exit, 0) << second.err;
    EXPECT_NE(second.out.find("No Restarts (1)"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("Total Restarts           3 #"), std::string::npos) << second.out;
}

}  // namespace
