// serve's configuration file and the settings a /probe resolves to, over a canned descriptor: what
// each target field becomes for each kind, where secrets may come from, and what is refused.

#include "host/exporter/probe_request.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;
using korvel::probekit::host::test_support::temporary_directory;

setting_description setting(std::string key, setting_kind kind = setting_kind::text) {
    setting_description made;
    made.key = std::move(key);
    made.kind = kind;
    return made;
}

// An S7 kind and a Web API kind with the settings the target fields map to.
const std::vector<setting_description>& kind_settings(const std::string& kind) {
    static const std::vector<setting_description> s7{setting("host"), setting("connection_section.port"),
                                                     setting("connection_section.rack"),
                                                     setting("connection_section.slot"), setting("interval")};
    static const std::vector<setting_description> web{
        setting("host"), setting("s7web_credentials_section.port"), setting("s7web_credentials_section.username"),
        setting("s7web_credentials_section.password", setting_kind::secure_text),
        setting("shared_http_validation_section.certificate_validation")};
    if (kind == "s7_kind") return s7;
    if (kind == "web_kind") return web;
    throw std::runtime_error("unknown sensor kind " + kind);
}

const char* environment(const char* name) {
    return std::string(name) == "PLANT_PASSWORD" ? "from-env" : nullptr;
}

std::vector<std::pair<std::string, std::string>> keys_and_values(const probe_plan& plan) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& assignment : plan.assignments) pairs.emplace_back(assignment.key, assignment.value);
    return pairs;
}

const exporter_config config = parse_exporter_config(R"(
targets:
  plc:
    host: 10.0.0.5
    port: 1102
    rack: 0
    slot: 2
    settings:
      shared_http_validation_section.certificate_validation: none
  plant:
    host: plant.local
    port: 8443
    rack: 1
    username: diag
    password_env: PLANT_PASSWORD
    settings:
      shared_http_validation_section.certificate_validation: none
profiles:
  cpu:
    kind: s7_kind
    settings:
      interval: "30"
  web:
    kind: web_kind
)",
                                                     "serve.yml");

TEST(plan_probe, each_target_field_becomes_the_setting_of_the_kind_that_has_it) {
    const auto s7 = plan_probe({{"target", "plc"}, {"profile", "cpu"}}, config, kind_settings, environment);
    EXPECT_EQ(keys_and_values(s7), (std::vector<std::pair<std::string, std::string>>{
                                       {"host", "10.0.0.5"},
                                       {"connection_section.port", "1102"},
                                       {"connection_section.rack", "0"},
                                       {"connection_section.slot", "2"},
                                       {"interval", "30"}}))
        << "a Web API setting of the target does not reach an S7 kind";
    const auto web = plan_probe({{"target", "plant"}, {"profile", "web"}}, config, kind_settings, environment);
    EXPECT_EQ(keys_and_values(web), (std::vector<std::pair<std::string, std::string>>{
                                        {"host", "plant.local"},
                                        {"s7web_credentials_section.port", "8443"},
                                        {"s7web_credentials_section.username", "diag"},
                                        {"s7web_credentials_section.password", "from-env"},
                                        {"shared_http_validation_section.certificate_validation", "none"}}))
        << "the rack does not reach a Web API kind; the password comes from the environment";
    EXPECT_NE(s7.instance, plan_probe({{"target", "plc"}, {"kind", "s7_kind"}}, config, kind_settings, environment).instance)
        << "a profile and the kind's defaults are two sensors";
    EXPECT_NE(s7.instance,
              plan_probe({{"target", "plc"}, {"profile", "cpu"}, {"interval", "31"}}, config, kind_settings, environment)
                  .instance)
        << "a parameter makes a sensor of its own";
}

TEST(plan_probe, a_target_outside_the_configuration_is_host_and_port) {
    const auto plan = plan_probe({{"target", "[::1]:1102"}, {"kind", "s7_kind"}, {"rack", "0"}}, config,
                                 kind_settings, environment);
    ASSERT_EQ(plan.assignments.size(), 3u);
    EXPECT_EQ(plan.assignments[0].value, "::1");
    EXPECT_TRUE(plan.assignments[1].by_name && plan.assignments[1].key == "port" && plan.assignments[1].value == "1102");
    EXPECT_TRUE(plan.assignments[2].by_name && plan.assignments[2].key == "rack");
    EXPECT_EQ(split_host_port("fe80::1"), (std::pair<std::string, std::string>{"fe80::1", ""}));
    EXPECT_EQ(split_host_port("plc.local:102"), (std::pair<std::string, std::string>{"plc.local", "102"}));
    EXPECT_THROW(split_host_port("[::1"), probe_error);
}

TEST(plan_probe, a_password_comes_from_a_file_and_never_from_the_url) {
    temporary_directory directory;
    const auto secret = directory.path() / "password";
    std::ofstream(secret) << "from-file\n";
    auto with_file = config;
    with_file.targets["plant"].password_env.reset();
    with_file.targets["plant"].password_file = secret.string();
    const auto plan = plan_probe({{"target", "plant"}, {"profile", "web"}}, with_file, kind_settings, environment);
    EXPECT_EQ(plan.assignments[3].value, "from-file") << "the line feed is not part of it";

    with_file.targets["plant"].password_file = (directory.path() / "absent").string();
    EXPECT_THROW(plan_probe({{"target", "plant"}, {"profile", "web"}}, with_file, kind_settings, environment), probe_error);
    auto unset = config;
    unset.targets["plant"].password_env = "NOT_SET";
    EXPECT_THROW(plan_probe({{"target", "plant"}, {"profile", "web"}}, unset, kind_settings, environment), probe_error);
    EXPECT_THROW(plan_probe({{"target", "plant"}, {"profile", "web"}, {"s7web_credentials_section.password", "x"}},
                            config, kind_settings, environment),
                 probe_error);
}

TEST(parse_exporter_config, refuses_what_it_cannot_use_naming_the_line) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"targets:\n  plc:\n    hots: x\n", "serve.yml:3: unknown target plc field \"hots\"; did you mean host?"},
        {"targets:\n  plc:\n    port: 102\n", "serve.yml:3: target plc needs a host"},
        {"targets:\n  plc:\n    host: x\n    password_file: a\n    password_env: B\n",
         "serve.yml:3: target plc names its password once"},
        {"targets:\n  plc:\n    host: x\n    settings:\n      s7web_credentials_section.password: p\n",
         "serve.yml:3: target plc: a password is not written into the file"},
        {"profiles:\n  cpu:\n    settings: {}\n", "serve.yml:3: profile cpu needs a kind"},
        {"profiles:\n  cpu:\n    kind: k\n    hold: 15x\n",
         "serve.yml:4: profile cpu hold expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"15x\""},
        {"profiles:\n  cpu:\n    kind: k\n    hold: 32d\n", "profile cpu hold expects a duration"},
        {"target:\n  plc: {}\n", "serve.yml:1: unknown top-level field \"target\"; did you mean targets?"},
        {"targets: [\n", "serve.yml:2: not YAML"},
        {"targets:\n  plc:\n    host: [a, b]\n", "target plc host must be a single value"},
    };
    for (const auto& [text, error] : cases) {
        try {
            parse_exporter_config(text, "serve.yml");
            ADD_FAILURE() << "accepted:\n" << text;
        } catch (const config_error& refused) {
            EXPECT_NE(std::string(refused.what()).find(error), std::string::npos) << refused.what();
        }
    }
}

}  // namespace
