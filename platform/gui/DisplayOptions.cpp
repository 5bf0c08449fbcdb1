#include "platform/gui/DisplayOptions.h"

#include <cstdio>
#include <cstdlib>

#include "platform/gui/headless/HeadlessBackend.h"
#include "platform/gui/sdl/SdlBackend.h"

namespace trek::platform {
namespace {

bool ParseSize(const std::string& s, Size& out) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X')) return false;
    if (w < 64 || h < 64 || w > 8192 || h > 8192) return false;
    out = {w, h};
    return true;
}

}  // namespace

bool TakeDisplayOptions(std::vector<std::string>& args, DisplayOptions& out, std::string* error) {
    std::vector<std::string> rest;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--headless") {
            out.headless = true;
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, out.size)) return fail("--size needs WIDTHxHEIGHT (64..8192), e.g. 480x640");
        } else if (a == "--dpi") {
            char* end = nullptr;
            long dpi = value(v) ? std::strtol(v.c_str(), &end, 10) : 0;
            if (v.empty() || *end || dpi < 32 || dpi > 1000) return fail("--dpi needs a resolution from 32 to 1000");
            out.dpi = static_cast<int>(dpi);
        } else if (a == "--script") {
            if (!value(v) || v.empty()) return fail("--script needs a file");
            out.script = v;
        } else if (a == "--screenshot") {
            if (!value(v) || v.empty()) return fail("--screenshot needs a PNG file name");
            out.screenshot = v;
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return true;
}

const char* DisplayOptionsHelp() {
    return "  --headless          no display; the run ends when its script is done\n"
           "  --size WxH          window size in pixels (default 480x640)\n"
           "  --dpi N             screen resolution; above 120 the display scale is 2 (default 96)\n"
           "  --script FILE       scripted input: tap/down/move/up X Y, key NAME [down|up], wheel N,\n"
           "                      text \"...\", wait MS, command ID, answer ok|cancel|yes|no,\n"
           "                      screenshot FILE.png, quit\n"
           "  --screenshot FILE   write the screen as PNG when the program ends\n";
}

std::unique_ptr<Backend> CreateBackend(const DisplayOptions& options, const std::string& title) {
    if (!options.headless) {
        std::string error;
        if (auto sdl = SdlBackend::open(options.size, options.dpi, title, &error)) return sdl;
        std::fprintf(stderr, "no display (%s): running headless\n", error.c_str());
    }
    return std::make_unique<HeadlessBackend>(options.size, options.dpi);
}

}  // namespace trek::platform
