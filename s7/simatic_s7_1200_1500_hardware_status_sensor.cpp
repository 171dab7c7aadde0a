#include "s7/simatic_s7_1200_1500_hardware_status_sensor.hpp"

#include <string>

#include "libi18n/i18n_exception.hpp"
#include "libi18n/i18n_msg.hpp"
#include "s7/answers_by_id.hpp"
#include "s7/channel_options.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/hardware_status_evaluation.hpp"
#include "s7/hardware_tree_walk.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channels = libvexahelper::channels;
namespace channel_text = texts::channel;

constexpr int fault_count_channel = 0;
constexpr int first_hardware_module_channel = 1;

dynamic_channel_options fault_count_options() {
    auto options = channel_options(fault_count_channel, channel_text::hardware_fault_count,
                                   channels::value_kind::integer, channels::unit::count);
    options.limit_mode = true;
    options.limits[1] = {true, 0.0};
    options.limits[3] = {true, 1.0};
    return options;
}

dynamic_channel_options module_status_options(int id, const std::string& module_name) {
    return lookup_channel_options(id, channel_text::hardware_device,
                                  libi18n::make_msg(channel_text::hardware_device, module_name),
                                  "hardware_status");
}

std::vector<std::int32_t> hwids_of(const std::vector<const s7web::module_node*>& modules) {
    std::vector<std::int32_t> hwids;
    hwids.reserve(modules.size());
    for (const s7web::module_node* module : modules) hwids.push_back(module->hwid);
    return hwids;
}

}  // namespace

simatic_s7_1200_1500_hardware_status_sensor::simatic_s7_1200_1500_hardware_status_sensor(
    std::shared_ptr<libvexahelper::module::service_container> container, int id,
    settings::simatic_s7_1200_1500_hardware_status_sensor settings,
    std::shared_ptr<libvexahelper::settings::channel_map> channels,
    libvexahelper::settings::persistent_data_storage persistent)
    : s7web_sensor(std::move(container), id, std::move(settings), std::move(channels), std::move(persistent),
                   "SIMATIC S7-1200/1500 Hardware Status") {}

void simatic_s7_1200_1500_hardware_status_sensor::do_scan() {
    trace("Walking hardware tree");
    const auto nodes = walk_hardware_tree();
    const auto monitored = monitored_modules(nodes);
    const hardware_tree tree(nodes);
    const auto containers = tree.ancestors_of(hwids_of(monitored));

    ensure_dynamic_channel(fault_count_options());
    auto result = make_result(libi18n::literal_msg(""), libvexahelper::responses::scan_response_codes::ok);
    std::vector<std::int32_t> faulty;
    if (monitored.empty()) {
        trace("No monitored hardware modules found");
    } else {
        trace("Found ", monitored.size(), " monitored module(s)");
        s7web::request_batch batch;
        for (const s7web::module_node* module : monitored) batch.add_modules_read_status(module->hwid);
        const auto answers = execute(std::move(batch));
        const auto by_id = answers_by_id(answers);
        for (const s7web::module_node* module : monitored) {
            const std::int64_t value = status_value(*module, by_id, containers.contains(module->hwid));
            if (const auto id = channel_id_for(std::to_string(module->hwid), first_hardware_module_channel)) {
                ensure_dynamic_channel(module_status_options(*id, module->name));
                result.set_value(*id, value);
            }
            if (is_fault(value)) faulty.push_back(module->hwid);
        }
    }
    const std::size_t faults = count_faults(faulty, tree);
    result.set_value(fault_count_channel, static_cast<std::int64_t>(faults));
    result.set_response_message(libi18n::make_msg(texts::message::hardware_status, std::to_string(faults),
                                                  std::to_string(monitored.size())));
    send(result);
}

std::vector<s7web::module_node> simatic_s7_1200_1500_hardware_status_sensor::walk_hardware_tree() {
    s7web::module_collection collection;
    const auto root_answers = execute(s7web::request_batch().add_modules_browse(std::nullopt));
    if (!answers_by_id(root_answers).contains("Modules.Browse.root")) {
        trace("The batch response contained no Modules.Browse.root result");
        throw exceptions::api_unexpected_error();
    }
    s7web::collect_modules_browse(collection, root_answers);
    expand_hardware_tree(collection,
                         [this](s7web::request_batch batch) { return execute(std::move(batch)); });
    if (!collection.pending_hwids.empty()) {
        trace("Reached maximum tree depth; ", collection.pending_hwids.size(),
              " node(s) below this level are not monitored");
    }
    log_left_out_nodes(collection, sensor_log());
    return std::move(collection.nodes);
}

std::int64_t simatic_s7_1200_1500_hardware_status_sensor::status_value(
    const s7web::module_node& module,
    const std::unordered_map<std::string, const libparser::parser_interface*>& answers,
    bool contains_monitored) const {
    const auto answer = answers.find("Modules.ReadStatus." + std::to_string(module.hwid));
    if (answer == answers.end()) return 0;
    try {
        return hardware_status_value(s7web::parse_modules_read_status(*answer->second), contains_monitored);
    } catch (const exceptions::modules_read_status_internal_error&) {
        trace("Status unreadable for module '", module.name, "' (hwid ", module.hwid,
              "); reporting as Unknown");
        return 0;
    } catch (const libi18n::i18n_exception& error) {
        // Any other answer that cannot be read costs this module's value, not the scan.
        liblog::write_line(sensor_log(), liblog::level::warning, "Status of module '", module.name,
                           "' (hwid ", module.hwid, ") cannot be read; reporting as Unknown: ", error.what());
        return 0;
    }
}

}  // namespace korvel::probekit::s7
