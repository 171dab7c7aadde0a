#include "host/harness/module_library.hpp"

#include <dlfcn.h>

#include <stdexcept>
#include <utility>

#include "host/harness/protocol.hpp"
#include "module/s7_module.h"

namespace korvel::probekit::host {

module_library::module_library(const std::string& path) {
    // RTLD_LOCAL keeps the module's symbols out of the host's namespace, as a real host would.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(std::string("cannot load module: ") + dlerror());
}

module_library::~module_library() {
    cleanup();
    dlclose(handle_);
}

template <typename F>
F* module_library::symbol(const char* name) const {
    void* address = dlsym(handle_, name);
    if (address == nullptr) throw std::runtime_error(std::string("module lacks export ") + name);
    return reinterpret_cast<F*>(address);
}

void module_library::receive(std::uint64_t context, const void* bytes, std::uint32_t size) {
    auto* self = reinterpret_cast<module_library*>(static_cast<std::uintptr_t>(context));
    std::string message(static_cast<const char*>(bytes), size);
    std::function<void(const std::string&)> listener;
    {
        std::lock_guard lock(self->mutex_);
        listener = self->listener_;
        if (!listener) self->messages_.push_back(message);
    }
    if (listener) listener(message);
}

int module_library::get_api_level() const {
    return symbol<decltype(GetApiLevel)>("GetApiLevel")();
}

int module_library::initialize() {
    return initialize_with(&module_library::receive);
}

int module_library::initialize_with(host_callback callback) {
    return symbol<decltype(InitializeModule)>("InitializeModule")(
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(this)), callback);
}

int module_library::cleanup() {
    return symbol<decltype(CleanupModule)>("CleanupModule")();
}

void module_library::get_module_information(bool include_languages) {
    symbol<decltype(GetModuleInformation)>("GetModuleInformation")(include_languages);
}

int module_library::get_module_information_sync(void* buffer, std::uint32_t* size, bool include_texts) {
    return symbol<decltype(GetModuleInformationSync)>("GetModuleInformationSync")(buffer, size,
                                                                                  include_texts);
}

int module_library::create_sensor(int id, const std::string& settings) {
    return symbol<decltype(CreateSensorInstance)>("CreateSensorInstance")(
        id, settings.data(), static_cast<std::uint32_t>(settings.size()));
}

int module_library::scan(int id) {
    return symbol<decltype(ExecuteSensorScan)>("ExecuteSensorScan")(id);
}

int module_library::check(int id, const std::string& settings) {
    return symbol<decltype(ExecuteCheck)>("ExecuteCheck")(id, settings.data(),
                                                          static_cast<std::uint32_t>(settings.size()));
}

int module_library::meta_scan(int id, unsigned selector, const std::string& settings) {
    return symbol<decltype(ExecuteMetaScan)>("ExecuteMetaScan")(id, selector, settings.data(),
                                                                static_cast<std::uint32_t>(settings.size()));
}

int module_library::destroy_sensor(int id) {
    return symbol<decltype(DestroySensorInstance)>("DestroySensorInstance")(id);
}

std::string module_library::module_information(bool include_texts) {
    std::uint32_t size = 0;
    if (const int code = get_module_information_sync(nullptr, &size, include_texts);
        code != protocol::information_code::success) {
        throw std::runtime_error("module information size query failed with code " + std::to_string(code));
    }
    std::string bytes(size, '\0');
    if (const int code = get_module_information_sync(bytes.data(), &size, include_texts);
        code != protocol::information_code::success) {
        throw std::runtime_error("module information copy failed with code " + std::to_string(code));
    }
    bytes.resize(size);
    return bytes;
}

std::optional<std::string> module_library::libcurl_version() const {
    // A handle's lookup scope is the module and the libraries it depends on, so this finds the
    // libcurl the module itself was linked with, and nothing when it links none.
    using version_function = const char*();
    void* address = dlsym(handle_, "curl_version");
    if (address == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<version_function*>(address)());
}

std::vector<std::string> module_library::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> module_library::take_messages() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

void module_library::on_message(std::function<void(const std::string&)> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

}  // namespace korvel::probekit::host
