#include "s7/led_status_sensor.hpp"

#include "libi18n/i18n_msg.hpp"
#include "libstringutils/hex.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/led_channels.hpp"
#include "s7/records/led_status.hpp"

namespace korvel::probekit::s7 {
namespace {

using libstringutils::hex_digits;

std::string record_line(const led_status& led) {
    return "S7 LED Status: LED_ID=0x" + hex_digits(led.led_id, 4) + ": LED_ON=0x" + hex_digits(led.on, 2) +
           ", LED_BLINK=0x" + hex_digits(led.blink, 2);
}

}  // namespace

led_status_sensor::led_status_sensor(std::shared_ptr<libvexahelper::module::service_container> container, int id,
                                     settings::s7_300_400_settings settings,
                                     std::shared_ptr<libvexahelper::settings::channel_map> channels,
                                     libvexahelper::settings::persistent_data_storage persistent)
    : s7_300_400_sensor(std::move(container), id, std::move(settings), std::move(channels), std::move(persistent),
                        "SIMATIC S7-300/400 LED Status") {}

void led_status_sensor::do_scan() {
    auto result = make_result(libi18n::literal_msg("OK"), libvexahelper::responses::scan_response_codes::ok);
    connection();

    const auto leds = read<std::vector<led_status>>();
    trace("S7 LED Status: Got ", leds.size(), " LED status records");
    if (leds.empty()) throw exceptions::no_leds_found();

    for (const auto& led : leds) {
        if (sensor_log().enabled()) log(record_line(led));
        if (!led_record_applies(led.led_id, led.on, led.blink, sensor_settings().connection.rack)) continue;
        const auto options = led_channel_options(led.led_id);
        ensure_dynamic_channel(options);
        result.set_value(options.id, led_state(led.led_id, led.on, led.blink));
    }
    send(result);
}

}  // namespace korvel::probekit::s7
