// Device profile XML against a matching device.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/Paths.h"
#include "platform/core/Registry.h"
#include "settings/DeviceProfile.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Saving a matching device writes a backup below the device root.
    trek::platform::SetDeviceRoot("/tmp/trek-fuzz-profile");
    trek::platform::Registry reg;
    trek::Settings settings(reg, "Pi");
    trek::DeviceProfile profile;
    trek::DeviceProfileLoader loader(settings, profile);
    loader.parseDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    if (profile.buttonCount > trek::DeviceProfile::kMaxButtons) __builtin_trap();
    return 0;
}
