#pragma once

#include "host/cli/json.hpp"

namespace korvel::probekit::host::test_support {

// A small descriptor in the module's form: one sensor with a connection section, one lookup, and Text
// in German only, lacking some keys, so what it lacks shows the English text the module sent.
inline json canned_descriptor() {
    return json::parse(R"json({
  "Sensors": {"demo_sensor": {"Name": "demo_sensor", "Display": "Demo",
                              "Settings": {"Sections": ["connection_section", "proxy"]}}},
  "Sections": {
    "connection_section": {"Name": "connection_section", "Display": "Connection", "Groups": ["connection_group"]},
    "proxy": {"Name": "proxy", "Display": "Proxy", "Groups": ["proxy_group"]}},
  "Groups": {
    "connection_group": {"Name": "connection_group", "Items": [
      {"Setting": {"Name": "rack", "Display": "Rack", "Help": "",
                   "IntegerSigned": {"IsMinimumSet": true, "Minimum": 0, "IsMaximumSet": true, "Maximum": 7},
                   "Flags": ["SettingFlagRequired"]}},
      {"Setting": {"Name": "port", "Display": "Port", "Help": "", "Default": "102",
                   "IntegerSigned": {"IsMinimumSet": true, "Minimum": 1, "IsMaximumSet": false, "Maximum": 0}}}]},
    "proxy_group": {"Name": "proxy_group", "Items": [
      {"Setting": {"Name": "user", "Display": "User", "Help": "", "Text": {}}},
      {"Setting": {"Name": "password", "Display": "Password", "Help": "", "Text": {"Security": "SettingSecurityHigh"}}},
      {"Setting": {"Name": "mode", "Display": "Mode", "Help": "", "Default": "strict",
                   "Selection": {"Mode": "SettingSelectionModeSingle",
                                 "Options": [{"Display": "Strict", "Value": "strict"}, {"Display": "Lax", "Value": "lax"}]}}}]}},
  "Checks": {},
  "Lookups": {"cpu_status": {"Name": "cpu_status", "Mode": "LookupDisplayModeInteger", "LookupValues": [
    {"Name": "unknown", "Display": "Unknown", "Value": 0, "State": "LookupValueStateNone"},
    {"Name": "stop", "Display": "STOP", "Value": 4, "State": "LookupValueStateWarning"},
    {"Name": "run", "Display": "RUN", "Value": 8, "State": "LookupValueStateOk"},
    {"Name": "defective", "Display": "DEFECTIVE", "Value": 13, "State": "LookupValueStateError"}]}},
  "Text": {
    "German": {"Translation": {
      "channel.cpu_status": {"Display": "CPU-Status"},
      "channel.hardware_device": {"Display": "Status %0:s"},
      "message.operating_mode": {"Display": "Betriebszustand: %0:s"},
      "error.broken": {"Display": "Kaputt %1:s"},
      "lookup.cpu_status.4": {"Display": "STOPP"}}}}
})json");
}

}  // namespace korvel::probekit::host::test_support
