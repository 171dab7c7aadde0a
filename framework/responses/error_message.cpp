#include "framework/responses/error_message.hpp"

#include "libi18n/i18n_exception.hpp"

namespace korvel::probekit::libvexahelper::responses {

libi18n::i18n_msg error_message(const std::exception& error) {
    if (const auto* localised = dynamic_cast<const libi18n::i18n_exception*>(&error)) {
        return localised->get_message();
    }
    return libi18n::literal_msg(error.what());
}

}  // namespace korvel::probekit::libvexahelper::responses
