#include "model/device_notice.h"

#include "model/variants.h"

std::optional<std::string> latch_data_notice(std::string_view device) {
    if (variants::is_family_variant(device)) return std::nullopt;
    constexpr size_t kShown = 20;  // a name from a file may be longer than the status line
    const std::string name = device.size() > kShown ? std::string(device.substr(0, kShown)) + "..." : std::string(device);
    const std::string who = device.empty() ? "No variant is chosen" : "\"" + name + "\" is not a variant";
    return who + ", so no latch data is sent. Get Settings from a file that holds a variant to send again.";
}
