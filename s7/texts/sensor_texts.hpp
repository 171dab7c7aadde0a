#pragma once

#include <span>

#include "libi18n/message_key.hpp"

// Channel names and scan messages of the sensors with their English texts, in one place: the sensors
// build their messages from here and the descriptor's English text table reads them from here too.
namespace korvel::probekit::s7::texts {

using libi18n::message_key;

// clang-format off
namespace channel {
inline constexpr message_key active_alarms_total{"channel.active_alarms_total", "Total Alarms"};
inline constexpr message_key active_program_alarms{"channel.active_program_alarms", "Program Alarms"};
inline constexpr message_key active_system_alarms{"channel.active_system_alarms", "System Diagnostic Alarms"};
inline constexpr message_key automatic_cold_restarts{"channel.automatic_cold_restarts", "Automatic Cold Restarts"};
inline constexpr message_key automatic_hot_restarts{"channel.automatic_hot_restarts", "Automatic Hot Restarts"};
inline constexpr message_key automatic_warm_restarts{"channel.automatic_warm_restarts", "Automatic Warm Restarts"};
inline constexpr message_key communication_load_percent{"channel.communication_load_percent", "Communication Load"};
inline constexpr message_key communication_load_ratio_percent{"channel.communication_load_ratio_percent", "Communication Load Ratio"};
inline constexpr message_key cpu_status{"channel.cpu_status", "CPU Status"};
inline constexpr message_key current_cycle_time{"channel.current_cycle_time", "Current Cycle Time"};
inline constexpr message_key cycle_ratio{"channel.cycle_ratio", "Cycle Ratio"};
inline constexpr message_key hardware_device{"channel.hardware_device", "%0:s Status"};
inline constexpr message_key hardware_fault_count{"channel.hardware_fault_count", "Hardware Fault Count"};
inline constexpr message_key led_number_0x01{"channel.led_number_0x01", "SF (Group Error)"};
inline constexpr message_key led_number_0x02{"channel.led_number_0x02", "INTF (Internal Error)"};
inline constexpr message_key led_number_0x03{"channel.led_number_0x03", "EXTF (External Error)"};
inline constexpr message_key led_number_0x04{"channel.led_number_0x04", "RUN"};
inline constexpr message_key led_number_0x05{"channel.led_number_0x05", "STOP"};
inline constexpr message_key led_number_0x06{"channel.led_number_0x06", "FRCE (Force)"};
inline constexpr message_key led_number_0x07{"channel.led_number_0x07", "CRST (Cold Restart)"};
inline constexpr message_key led_number_0x08{"channel.led_number_0x08", "BAF (Battery Fault/Overload)"};
inline constexpr message_key led_number_0x09{"channel.led_number_0x09", "USR (User-defined)"};
inline constexpr message_key led_number_0x0a{"channel.led_number_0x0a", "USR1 (User-defined)"};
inline constexpr message_key led_number_0x0b{"channel.led_number_0x0b", "BUS1F (Bus Error Interface 1)"};
inline constexpr message_key led_number_0x0c{"channel.led_number_0x0c", "BUS2F/BUS5F (Bus Error Interface 2 or 5)"};
inline constexpr message_key led_number_0x0d{"channel.led_number_0x0d", "REDF (Redundancy Error)"};
inline constexpr message_key led_number_0x0e{"channel.led_number_0x0e", "MSTR (Master)"};
inline constexpr message_key led_number_0x0f{"channel.led_number_0x0f", "RACK0 (Rack Number 0)"};
inline constexpr message_key led_number_0x10{"channel.led_number_0x10", "RACK1 (Rack Number 1)"};
inline constexpr message_key led_number_0x11{"channel.led_number_0x11", "RACK2 (Rack Number 2)"};
inline constexpr message_key led_number_0x12{"channel.led_number_0x12", "IFM1F (Interface Error Module 1)"};
inline constexpr message_key led_number_0x13{"channel.led_number_0x13", "IFM2F (Interface Error Module 2)"};
inline constexpr message_key led_number_0x14{"channel.led_number_0x14", "BUS3F (Bus Fault Interface 3)"};
inline constexpr message_key led_number_0x15{"channel.led_number_0x15", "MAINT (Maintenance Required)"};
inline constexpr message_key led_number_0x16{"channel.led_number_0x16", "DC24V"};
inline constexpr message_key led_number_0x80{"channel.led_number_0x80", "IF (Init Failure)"};
inline constexpr message_key led_number_0x81{"channel.led_number_0x81", "UF (User Failure)"};
inline constexpr message_key led_number_0x82{"channel.led_number_0x82", "MF (Monitoring Failure)"};
inline constexpr message_key led_number_0x83{"channel.led_number_0x83", "CF (Communication Failure)"};
inline constexpr message_key led_number_0x84{"channel.led_number_0x84", "TF (Task Failure)"};
inline constexpr message_key led_unknown{"channel.led_unknown", "LED 0x%0:s"};
inline constexpr message_key longest_cycle_time{"channel.longest_cycle_time", "Longest Cycle Time"};
inline constexpr message_key manual_cold_restarts{"channel.manual_cold_restarts", "Manual Cold Restarts"};
inline constexpr message_key manual_hot_restarts{"channel.manual_hot_restarts", "Manual Hot Restarts"};
inline constexpr message_key manual_warm_restarts{"channel.manual_warm_restarts", "Manual Warm Restarts"};
inline constexpr message_key mode_selector{"channel.mode_selector", "Mode Selector"};
inline constexpr message_key mode_selector_r2{"channel.mode_selector_r2", "Mode Selector (R2)"};
inline constexpr message_key module_alarm_state{"channel.module_alarm_state", "%0:s Alarm Status"};
inline constexpr message_key ob1_cycle_time_max{"channel.ob1_cycle_time_max", "OB1 Max. Cycle Time"};
inline constexpr message_key ob1_cycle_time_min{"channel.ob1_cycle_time_min", "OB1 Min. Cycle Time"};
inline constexpr message_key ob1_cycle_time_prev{"channel.ob1_cycle_time_prev", "OB1 Cycle Time"};
inline constexpr message_key operating_mode{"channel.operating_mode", "Operating Mode"};
inline constexpr message_key operating_mode_r2{"channel.operating_mode_r2", "Operating Mode (R2)"};
inline constexpr message_key other_active_alarms{"channel.other_active_alarms", "Other Alarms"};
inline constexpr message_key program_load_cyclic_percent{"channel.program_load_cyclic_percent", "Program Load Cyclic OBs"};
inline constexpr message_key program_load_high_priority_percent{"channel.program_load_high_priority_percent", "Program Load High-Priority OBs"};
inline constexpr message_key recent_cycle_time_status{"channel.recent_cycle_time_status", "Cycle Time Events"};
inline constexpr message_key restart_state{"channel.restart_state", "Restart Event"};
inline constexpr message_key shortest_cycle_time{"channel.shortest_cycle_time", "Shortest Cycle Time"};
inline constexpr message_key total_restarts{"channel.total_restarts", "Total Restarts"};
inline constexpr message_key unacknowledged_active_alarms{"channel.unacknowledged_active_alarms", "Total Unacknowledged Alarms"};
}  // namespace channel

namespace message {
inline constexpr message_key hardware_status{"message.hardware_status", "%0:s of %1:s monitored hardware modules in a fault state"};
inline constexpr message_key most_critical_active_alarm{"message.most_critical_active_alarm", "Active Alarm: %0:s"};
inline constexpr message_key most_critical_active_alarm_number{"message.most_critical_active_alarm_number", "Active Alarm: Alarm Number %0:s"};
inline constexpr message_key no_active_alarms{"message.no_active_alarms", "No active alarms"};
inline constexpr message_key operating_mode{"message.operating_mode", "Operating mode: %0:s"};
}  // namespace message
// clang-format on

// Every key above, for the descriptor.
std::span<const message_key* const> all_sensor_texts();

}  // namespace korvel::probekit::s7::texts
