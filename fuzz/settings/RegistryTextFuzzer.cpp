// Registry text, both forms: the backup's line parser and the registry file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/Registry.h"
#include "settings/RegistryBackup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    trek::platform::Registry a;
    trek::ApplyRegistryText(a, text);
    trek::platform::Registry b;
    b.loadText(text);
    // What the file form writes must read back to the same content.
    trek::platform::Registry c;
    c.loadText(b.toText());
    if (c.toText() != b.toText()) __builtin_trap();
    return 0;
}
