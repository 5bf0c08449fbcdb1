#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "tests/exchange/RecordingSink.h"

namespace trek::test {

std::string Fixture(const std::string& name) {
    std::ifstream in(std::string(TREK_SOURCE_DIR) + "/tests/exchange/fixtures/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) {
        had_ = true;
        old_ = old;
    }
    setenv("TZ", tz, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (had_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

}  // namespace trek::test
