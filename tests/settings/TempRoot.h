#pragma once
// A scratch device root for one test, removed afterwards.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/Paths.h"

struct TempRoot {
    std::filesystem::path path;
    TempRoot() {
        char tmpl[] = "/tmp/trek-settings-XXXXXX";
        path = ::mkdtemp(tmpl);
        trek::platform::SetDeviceRoot(path.string());
    }
    ~TempRoot() {
        trek::platform::SetDeviceRoot("");
        std::filesystem::remove_all(path);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(file(name), std::ios::binary) << content;
    }
};
