// trektool nmea / ports: the real receiver on any source, and the port list.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "gps/GpsMessages.h"
#include "gps/GpsReceiver.h"
#include "gps/PortList.h"
#include "platform/core/MessageLoop.h"
#include "tools/trektool/Command.h"
#include "tools/trektool/Json.h"

namespace trek::tool {
namespace {

void PrintPosition(const GpsFix& f) {
    const GpsPosition& p = f.position;
    std::printf(
        "{\"time\": %u, \"fix\": %u, \"sats\": %u, \"lat\": %d, \"lon\": %d, \"alt_cm\": %d, \"speed_cms\": %u, "
        "\"course_mrad\": %u, \"slat\": %d, \"slon\": %d, \"salt_cm\": %d, \"sspeed_cms\": %d, \"course_avg\": %d}\n",
        f.gpsTime, p.fixMode, p.satellitesUsed, p.lat, p.lon, p.altitude, p.speed, p.course, f.smoothed.lat,
        f.smoothed.lon, f.smoothedAltitude, f.smoothedSpeed, f.smoothedCourse);
}

void PrintSky(const GpsFix& f) {
    std::string sky;
    for (int i = 0; i < f.sky.satellitesInView && i < kGpsMaxSatellites; ++i) {
        const GpsSatellite& s = f.sky.satellites[i];
        char item[48];
        std::snprintf(item, sizeof item, "%s[%u, %d, %d]", i ? ", " : "", s.prn, s.azimuth, s.elevation);
        sky += item;
    }
    std::printf("{\"sky\": [%s], \"pdop\": %u, \"hdop\": %u, \"vdop\": %u}\n", sky.c_str(), f.sky.pdop, f.sky.hdop,
                f.sky.vdop);
}

bool ParseNumber(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && out >= 0;
}

// A plain path to a log is replayed at once, like "file:PATH@0"; "file:PATH"
// without a speed also replays at once here.
std::string SourceName(const std::string& arg) {
    struct stat st;
    if (arg.rfind("file:", 0) == 0) return arg.find('@') == std::string::npos ? arg + "@0" : arg;
    if (::stat(arg.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return "file:" + arg + "@0";
    return arg;
}

int RunNmea(const std::vector<std::string>& args) {
    std::string source;
    double baud = 4800, seconds = -1;
    bool count = false, sirf = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--baud" || a == "--seconds") {
            if (i + 1 >= args.size()) return UsageError(a + " needs a number");
            double& target = a == "--baud" ? baud : seconds;
            if (!ParseNumber(args[++i], target)) return UsageError("bad number for " + a + ": " + args[i]);
        } else if (a == "--count") {
            count = true;
        } else if (a == "--sirf") {
            sirf = true;
        } else if (a.rfind("--", 0) == 0) {
            return UsageError("unknown option " + a);
        } else if (source.empty()) {
            source = a;
        } else {
            return UsageError("one source only");
        }
    }
    if (source.empty()) return UsageError("nmea needs a SOURCE (device, gpsd[:host[:port]], tcp:host:port, file:PATH[@SPEED])");

    platform::MessageLoop& loop = platform::MessageLoop::main();
    loop.bindToCurrentThread();
    GpsReceiverOptions options = GpsReceiverOptions::FromSettings();
    options.loop = &loop;
    options.attachSnapshots = !count;  // every position, not only the latest
    options.maxPending = count ? 0 : 8192;        // a log read at once must not outrun the printing
    options.sirfInput = sirf;
    GpsReceiver receiver(SourceName(source), 1, nullptr, static_cast<uint32_t>(baud), options);
    if (!receiver.waitOpened()) return Failure("cannot open " + source + ": " + receiver.openError());

    auto start = std::chrono::steady_clock::now();
    uint64_t positions = 0, satellites = 0;
    platform::Message m;
    for (;;) {
        // Counting only: drain in bursts, so that the reader's posts need not
        // wake this thread once per message.
        bool got = count ? loop.peek(m) : loop.getFor(m, 50);
        if (count && !got) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (got && (m.message == UM_POSITION || m.message == UM_SATELLITES)) {
            bool position = m.message == UM_POSITION;
            ++(position ? positions : satellites);
            if (!count) {
                GpsFix fix;
                if (m.payload) fix = *static_cast<const GpsFix*>(m.payload.get());
                else receiver.snapshotFix(fix);
                position ? PrintPosition(fix) : PrintSky(fix);
            }
            continue;
        }
        if (got) continue;
        if (loop.quitting()) break;
        // Everything the source gave has been posted once it reports the end.
        if (receiver.sourceEnded() && loop.pending() == 0) break;
        if (seconds >= 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds)
            break;
    }
    receiver.close();
    if (count) std::printf("{\"positions\": %llu, \"satellites\": %llu}\n", static_cast<unsigned long long>(positions),
                           static_cast<unsigned long long>(satellites));
    std::fflush(stdout);
    return 0;
}

int RunPorts(const std::vector<std::string>& args) {
    bool verify = false;
    for (const auto& a : args) {
        if (a == "--verify") verify = true;
        else return UsageError("ports takes only --verify");
    }
    PortList list = EnumeratePorts(verify);
    for (size_t i = 0; i < list.count(); ++i)
        std::printf("{\"number\": %d, \"name\": %s, \"key\": %s}\n", list.number(i), JsonString(list.name(i)).c_str(),
                    JsonString(list.key(i)).c_str());
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("nmea",
                 "nmea SOURCE [--baud N] [--seconds S] [--count] [--sirf]\n"
                 "    read a receiver: a device, gpsd[:host[:port]], tcp:host:port, file:PATH[@SPEED]\n"
                 "    (a log file replays at once unless @SPEED says otherwise); prints one JSON line\n"
                 "    per position and per satellite update; --count prints only the numbers;\n"
                 "    --sirf reads SiRF binary messages instead of NMEA",
                 RunNmea);
TREKTOOL_COMMAND("ports", "ports [--verify]\n    list the GPS ports as JSON lines (--verify: only those that open now)",
                 RunPorts);

}  // namespace trek::tool
