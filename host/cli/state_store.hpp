#pragma once

// What the host keeps for a sensor between runs, as the module asks it to: the persistent values and
// the channels it announced. One file per sensor and target under a state directory, read and
// written under an advisory lock, replaced atomically, and never overwritten when it cannot be read.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/cli/json.hpp"
#include "host/cli/settings.hpp"
#include "host/cli/severity.hpp"

namespace korvel::probekit::host {

// The state cannot be used; the text names the absolute path, the system's reason and the option
// that changes it.
class state_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A channel the host holds for a sensor.
struct known_channel {
    std::string name;  // what the settings block announces back: the name's English text
    json definition;   // the channel object of its dynamic_channel message, for names, units and lookups

    bool operator==(const known_channel&) const = default;
};

// A channel's problem that the host goes on reporting after the channel recovered (--hold).
struct held_channel {
    severity state = severity::warning;           // warning or error
    json value;                                   // the number as shown
    std::string text;                             // the value as shown
    std::chrono::system_clock::time_point since;  // the scan that last showed it

    bool operator==(const held_channel&) const = default;
};

// What the host keeps for one sensor.
struct sensor_record {
    std::map<std::string, std::string> persistent_data;
    std::map<int, known_channel> channels;
    std::map<int, held_channel> held;

    // Takes in one of this sensor's persistent_data or dynamic_channel messages (others are
    // ignored); true when the record changed.
    bool apply(const json& message);

    bool operator==(const sensor_record&) const = default;
};

// Which sensor a state file belongs to: the kind, the host's id for it and the controller it watches.
struct sensor_identity {
    std::string kind;
    int id = 0;
    std::vector<target_setting> target;
};

// $XDG_STATE_HOME/s7host, else $HOME/.local/state/s7host; nothing when neither is set.
std::optional<std::filesystem::path> preferred_state_directory(
    const std::function<const char*(const char*)>& variable);

// The state directory when the user names none: the preferred one, else (no HOME, or one that is not
// the user's, as for a daemon) a folder of the user's own in the system's temporary directory, which
// `notices` is told once. state_error when that folder is not the user's alone.
std::filesystem::path default_state_directory(const std::function<const char*(const char*)>& variable,
                                              std::ostream& notices);

// The state file of one sensor, locked from opening to destruction, so runs of the same sensor
// take turns and each one starts from what the last one saved.
class sensor_state {
public:
    // Creates the directory when missing and waits up to lock_wait for the lock (telling `notices`
    // once that it waits). A file that cannot be read as a state is renamed aside with a ".corrupt-"
    // suffix, reported to `notices`, and the sensor starts with an empty record.
    sensor_state(const std::filesystem::path& directory, const sensor_identity& identity,
                 std::chrono::milliseconds lock_wait, std::ostream& notices);
    ~sensor_state();
    sensor_state(const sensor_state&) = delete;
    sensor_state& operator=(const sensor_state&) = delete;

    const std::filesystem::path& file() const { return file_; }
    sensor_record& record() { return record_; }

    // Writes the record to a temporary file, flushes it to disk and renames it over the file.
    void save();

private:
    std::filesystem::path file_;
    json identity_;
    int lock_ = -1;
    sensor_record record_;
};

// The file name of a sensor's state: readable parts and a digest of the whole identity.
std::string state_file_name(const sensor_identity& identity);

}  // namespace korvel::probekit::host
