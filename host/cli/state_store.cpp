#include "host/cli/state_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <thread>

#include "host/harness/protocol.hpp"

namespace korvel::probekit::host {
namespace {

namespace message_type = protocol::message_type;

constexpr int state_version = 1;
// Far above any sensor's state; a bigger file is not one of ours.
constexpr std::uintmax_t largest_state_file = 16u << 20;
constexpr auto lock_poll_interval = std::chrono::milliseconds(10);
// A held channel's text is one the host wrote: a lookup text or a number with its unit.
constexpr std::size_t longest_held_text = 1024;
// Seconds since 1970 that the clock's nanoseconds still hold (the year 2096).
constexpr std::int64_t latest_held_time = 4'000'000'000;
constexpr const char* directory_advice = " (choose another directory with --state-dir DIR)";

std::string absolute_text(const std::filesystem::path& path) {
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? path : absolute).lexically_normal().string();
}

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error_number,
                       const char* advice = directory_advice) {
    throw state_error(what + " " + absolute_text(path) + ": " + std::strerror(error_number) + advice);
}

// Owns a file descriptor; closing it also releases a lock held through it.
class descriptor {
public:
    explicit descriptor(int fd) : fd_(fd) {}
    ~descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

json target_object(const std::vector<target_setting>& target) {
    json object = json::object();
    for (const auto& setting : target) object[setting.key] = setting.value;
    return object;
}

json identity_document(const sensor_identity& identity) {
    return {{"kind", identity.kind}, {"id", identity.id}, {"target", target_object(identity.target)}};
}

bool is_channel_id(const std::string& id) {
    int number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    return error == std::errc() && end == id.data() + id.size();
}

// Why a document is not a state this program wrote; empty when it is one.
std::string invalid_reason(const json& document) {
    if (!document.is_object()) return "not a JSON object";
    if (integer_member(document, "version") != state_version)
        return "no \"version\": " + std::to_string(state_version);
    const auto persistent = document.find("persistent_data");
    if (persistent == document.end() || !persistent->is_object()) return "no \"persistent_data\" object";
    for (const auto& [key, value] : persistent->items()) {
        if (!value.is_string()) return "persistent value \"" + key + "\" is not a text";
    }
    const auto channels = document.find("channels");
    if (channels == document.end() || !channels->is_object()) return "no \"channels\" object";
    for (const auto& [id, channel] : channels->items()) {
        if (!is_channel_id(id)) return "channel id \"" + id + "\" is not a number";
        if (!channel.is_object() || !channel.contains("name") || !channel.at("name").is_string() ||
            !channel.contains("definition") || !channel.at("definition").is_object())
            return "channel " + id + " lacks its name or definition";
    }
    const auto held = document.find("held");  // absent in the files of runs without --hold
    if (held == document.end()) return std::string();
    if (!held->is_object()) return "\"held\" is not an object";
    for (const auto& [id, entry] : held->items()) {
        if (!is_channel_id(id)) return "held channel id \"" + id + "\" is not a number";
        const std::string state = text_member(entry, "state");
        if ((state != "warning" && state != "error") || !entry.contains("value") ||
            !(entry.at("value").is_number() || entry.at("value").is_null()) || !entry.contains("text") ||
            !entry.at("text").is_string() ||
            entry.at("text").get_ref<const std::string&>().size() > longest_held_text ||
            !integer_member(entry, "since") || *integer_member(entry, "since") < 0 ||
            *integer_member(entry, "since") > latest_held_time)
            return "held channel " + id + " lacks its state, value, text or time";
    }
    return std::string();
}

sensor_record record_from(const json& document) {
    sensor_record record;
    for (const auto& [key, value] : document.at("persistent_data").items())
        record.persistent_data.emplace(key, value.get<std::string>());
    for (const auto& [id, channel] : document.at("channels").items()) {
        record.channels.emplace(
            std::stoi(id), known_channel{channel.at("name").get<std::string>(), channel.at("definition")});
    }
    const auto held = document.find("held");
    if (held == document.end()) return record;
    for (const auto& [id, entry] : held->items()) {
        record.held.emplace(
            std::stoi(id),
            held_channel{text_member(entry, "state") == "error" ? severity::error : severity::warning,
                         entry.at("value"), entry.at("text").get<std::string>(),
                         std::chrono::system_clock::time_point(
                             std::chrono::seconds(*integer_member(entry, "since")))});
    }
    return record;
}

json held_document(const std::map<int, held_channel>& held) {
    json document = json::object();
    for (const auto& [id, entry] : held) {
        document[std::to_string(id)] = {
            {"state", severity_word(entry.state)},
            {"value", entry.value},
            {"text", entry.text},
            {"since",
             std::chrono::duration_cast<std::chrono::seconds>(entry.since.time_since_epoch()).count()}};
    }
    return document;
}

// A folder under the temporary directory that every user can write: only one of ours, that no one
// else can have prepared, will do.
void ensure_private_directory(const std::filesystem::path& directory) {
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        fail("cannot create the state directory", directory, errno);
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0) fail("cannot use the state directory", directory, errno);
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() || (status.st_mode & 077) != 0) {
        throw state_error("the state directory " + absolute_text(directory) +
                          " is not a directory of this user's alone (mode 0700)" + directory_advice);
    }
}

std::string utc_stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// A name beside the file that nothing uses yet; the lock keeps other runs of this sensor away.
std::filesystem::path aside_name(const std::filesystem::path& file) {
    const std::string base = file.string() + ".corrupt-" + utc_stamp();
    std::filesystem::path candidate = base;
    for (int suffix = 2; std::filesystem::exists(candidate); ++suffix)
        candidate = base + "-" + std::to_string(suffix);
    return candidate;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void sync_directory(const std::filesystem::path& directory) {
    // The rename is durable only once the directory itself is on disk.
    descriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace

bool sensor_record::apply(const json& message) {
    const std::string type = text_member(message, "type");
    if (type == message_type::persistent_data) {
        if (!message.contains("key") || !message.at("key").is_string() || !message.contains("value") ||
            !message.at("value").is_string())
            return false;
        const std::string key = message.at("key").get<std::string>();
        const std::string value = message.at("value").get<std::string>();
        const auto found = persistent_data.find(key);
        if (found != persistent_data.end() && found->second == value) return false;
        persistent_data.insert_or_assign(key, value);
        return true;
    }
    if (type == message_type::dynamic_channel) {
        const json channel = message.value("channel", json());
        const auto id = integer_member(channel, "id");
        if (!id || *id < std::numeric_limits<int>::min() || *id > std::numeric_limits<int>::max())
            return false;
        known_channel known{text_member(channel.value("name", json()), "text"), channel};
        const auto found = channels.find(static_cast<int>(*id));
        if (found != channels.end() && found->second == known) return false;
        channels.insert_or_assign(static_cast<int>(*id), std::move(known));
        return true;
    }
    return false;
}

std::optional<std::filesystem::path> preferred_state_directory(
    const std::function<const char*(const char*)>& variable) {
    if (const char* state_home = variable("XDG_STATE_HOME"); state_home != nullptr && *state_home == '/')
        return std::filesystem::path(state_home) / "s7host";
    if (const char* home = variable("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".local" / "state" / "s7host";
    return std::nullopt;
}

std::filesystem::path default_state_directory(const std::function<const char*(const char*)>& variable,
                                              std::ostream& notices) {
    const auto preferred = preferred_state_directory(variable);
    std::string problem = "neither XDG_STATE_HOME nor HOME is set";
    if (preferred) {
        std::error_code error;
        std::filesystem::create_directories(*preferred, error);
        if (!error && ::access(preferred->c_str(), W_OK | X_OK) != 0)
            error = std::error_code(errno, std::generic_category());
        if (!error) return *preferred;
        problem = "cannot use " + absolute_text(*preferred) + ": " + error.message();
    }
    std::error_code error;
    const auto temporary = std::filesystem::temp_directory_path(error);
    const auto fallback =
        (error ? std::filesystem::path("/tmp") : temporary) / ("s7host-" + std::to_string(::geteuid()));
    ensure_private_directory(fallback);
    notices << "s7host: " << problem << "; keeping the state in " << fallback.string()
            << " instead (choose a directory with --state-dir DIR)\n";
    return fallback;
}

std::string state_file_name(const sensor_identity& identity) {
    std::string host;
    for (const auto& setting : identity.target) {
        if (setting.key == "host") host = setting.value.substr(0, 64);
    }
    for (char& c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    }
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx",
                  static_cast<unsigned long long>(fnv1a(identity_document(identity).dump())));
    return identity.kind + "-" + std::to_string(identity.id) + "-" + host + "-" + digest + ".json";
}

sensor_state::sensor_state(const std::filesystem::path& directory, const sensor_identity& identity,
                           std::chrono::milliseconds lock_wait, std::ostream& notices)
    : file_(std::filesystem::absolute(directory) / state_file_name(identity)),
      identity_(identity_document(identity)) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) fail("cannot create the state directory", directory, error.value());

    const std::filesystem::path lock_file = file_.string() + ".lock";
    descriptor lock(::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) fail("cannot open the lock file", lock_file, errno);
    const auto deadline = std::chrono::steady_clock::now() + lock_wait;
    bool told = false;
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) fail("cannot lock", lock_file, errno);
        if (std::chrono::steady_clock::now() >= deadline) {
            throw state_error("the state file " + file_.string() +
                              " stays locked by another s7host run of this sensor " + "(waited " +
                              std::to_string(lock_wait.count() / 1000) +
                              " s, the timeout setting); give this run another --id or --state-dir");
        }
        if (!told)
            notices << "s7host: waiting for " << file_.string()
                    << ": another s7host run of this sensor holds it\n";
        told = true;
        std::this_thread::sleep_for(lock_poll_interval);
    }
    lock_ = lock.release();

    try {
        const descriptor in(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) {
            if (errno == ENOENT) return;
            fail("cannot read the state file", file_, errno);
        }
        std::string content;
        char buffer[65536];
        ssize_t got = 0;
        while ((got = ::read(in.get(), buffer, sizeof buffer)) != 0) {
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail("cannot read the state file", file_, errno);
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > largest_state_file) break;
        }
        const json document = json::parse(content, nullptr, false);
        std::string reason = content.size() > largest_state_file ? "larger than 16 MiB"
                             : document.is_discarded()           ? "not JSON"
                                                                 : invalid_reason(document);
        if (reason.empty()) {
            record_ = record_from(document);
            return;
        }
        const auto aside = aside_name(file_);
        if (::rename(file_.c_str(), aside.c_str()) != 0)
            fail("cannot move the unreadable state file", file_, errno);
        notices << "s7host: the state file " << file_.string() << " is not a valid state (" << reason
                << "); kept it as " << aside.string() << " and started this sensor afresh\n";
    } catch (...) {
        ::close(std::exchange(lock_, -1));
        throw;
    }
}

sensor_state::~sensor_state() {
    if (lock_ >= 0) ::close(lock_);
}

void sensor_state::save() {
    json document = {{"version", state_version}};
    document.update(identity_);
    json channels = json::object();
    for (const auto& [id, channel] : record_.channels)
        channels[std::to_string(id)] = {{"name", channel.name}, {"definition", channel.definition}};
    document["persistent_data"] = record_.persistent_data;
    document["channels"] = std::move(channels);
    if (!record_.held.empty()) document["held"] = held_document(record_.held);
    const std::string content = document.dump(2) + "\n";

    std::string temporary = file_.string() + ".tmp-XXXXXX";
    descriptor out(::mkstemp(temporary.data()));
    if (out.get() < 0) fail("cannot write the state file", file_, errno);
    const auto give_up = [&](int error_number) {
        ::unlink(temporary.c_str());
        fail("cannot write the state file", file_, error_number);
    };
    if (!write_all(out.get(), content) || ::fsync(out.get()) != 0) give_up(errno);
    if (::close(out.release()) != 0) give_up(errno);
    if (::rename(temporary.c_str(), file_.c_str()) != 0) give_up(errno);
    sync_directory(file_.parent_path());
}

}  // namespace korvel::probekit::host
