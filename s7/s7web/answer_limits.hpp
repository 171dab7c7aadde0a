#pragma once

#include <cstddef>

// What the parse operations accept from a device before they call its answer faulty (the method's
// error). Each limit lies far above what a controller sends (a CPU holds a few thousand alarms and
// diagnostic entries at most, its hardware tree is a handful of levels deep) and low enough that a
// faulty or hostile answer cannot make a scan keep, log or persist data without bound.
namespace korvel::probekit::s7::s7web::limits {

// Alarm entries, diagnostic entries, or hardware nodes of one answer.
inline constexpr std::size_t max_entries = 10000;
// Hardware nodes one walk collects over all its passes.
inline constexpr std::size_t max_collected_nodes = 10000;
// Levels of "children" arrays nested inside one Modules.Browse answer.
inline constexpr std::size_t max_children_depth = 16;
// Texts people read: alarm texts and module names (module names also key persistent data).
inline constexpr std::size_t max_text_length = 4096;
// Words the device picks from a list (modes, states, types) and time stamps.
inline constexpr std::size_t max_word_length = 64;

}  // namespace korvel::probekit::s7::s7web::limits
