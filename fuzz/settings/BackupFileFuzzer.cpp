// Backup files: unscrambling and the checks must survive any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/Registry.h"
#include "settings/RegistryBackup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto text = trek::UnscrambleBackup(bytes)) {
        trek::platform::Registry reg;
        trek::ApplyRegistryText(reg, *text);
    }
    // Whatever is scrambled comes back unchanged.
    auto again = trek::UnscrambleBackup(trek::ScrambleBackup(bytes));
    if (!again || *again != bytes) __builtin_trap();
    return 0;
}
