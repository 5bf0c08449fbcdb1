// trektool registry export|import|text: the registry backup file.
#include <cstdio>

#include "platform/core/Files.h"
#include "platform/core/Registry.h"
#include "settings/RegistryBackup.h"
#include "tools/trektool/Command.h"

namespace trek::tool {
namespace {

int RunExport(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("usage: registry export FILE");
    std::string error;
    if (!ExportBackup(platform::Registry::instance(), args[0], &error)) return Failure(error);
    return 0;
}

int RunImport(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("usage: registry import FILE");
    std::string error;
    auto& registry = platform::Registry::instance();
    switch (ImportBackup(registry, args[0], false, &error)) {
        case BackupImport::Applied:
            if (!registry.flush()) return Failure("cannot write the registry file " + registry.file());
            return 0;
        case BackupImport::Missing:
        case BackupImport::Empty:
        case BackupImport::Rejected: return Failure(args[0] + ": " + error);
    }
    return 1;
}

int RunText(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("usage: registry text FILE");
    auto bytes = platform::ReadWholeFile(args[0], 64u << 20);
    if (!bytes) return Failure("cannot read " + args[0]);
    std::string error;
    auto text = UnscrambleBackup(*bytes, &error);
    if (!text) return Failure(args[0] + ": " + error);
    std::fwrite(text->data(), 1, text->size(), stdout);
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("registry export", "registry export FILE            write the settings key as a backup file", RunExport);
TREKTOOL_COMMAND("registry import", "registry import FILE            apply a backup file to the registry", RunImport);
TREKTOOL_COMMAND("registry text", "registry text FILE              print a backup file's registry text", RunText);

}  // namespace trek::tool
