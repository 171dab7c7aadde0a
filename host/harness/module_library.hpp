#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace korvel::probekit::host {

// Loads the module shared library with dlopen, calls its ten exports and collects every message
// the module sends through the host callback. One object per loaded library.
class module_library {
public:
    explicit module_library(const std::string& path);
    ~module_library();
    module_library(const module_library&) = delete;
    module_library& operator=(const module_library&) = delete;

    int get_api_level() const;
    int initialize();
    // With another callback than the collecting one (or none), to see how the module takes it.
    int initialize_with(void (*callback)(std::uint64_t, const void*, std::uint32_t));
    int cleanup();
    void get_module_information(bool include_languages);
    int get_module_information_sync(void* buffer, std::uint32_t* size, bool include_texts);
    int create_sensor(int id, const std::string& settings);
    int scan(int id);
    int check(int id, const std::string& settings);
    int meta_scan(int id, unsigned selector, const std::string& settings);
    int destroy_sensor(int id);

    // The descriptor as the synchronous call gives it (size query, then the copy).
    std::string module_information(bool include_texts);

    // curl_version() of the libcurl the module loaded; nothing when the module uses none.
    std::optional<std::string> libcurl_version() const;

    // Every message received so far, in arrival order; take_messages also forgets them.
    std::vector<std::string> messages() const;
    std::vector<std::string> take_messages();
    // Called for each message as it arrives, on the thread that made the module call, instead of
    // collecting it: a long-running host routes messages itself and keeps none.
    void on_message(std::function<void(const std::string&)> listener);

private:
    static void receive(std::uint64_t context, const void* bytes, std::uint32_t size);
    template <typename F>
    F* symbol(const char* name) const;

    void* handle_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::function<void(const std::string&)> listener_;
};

}  // namespace korvel::probekit::host
