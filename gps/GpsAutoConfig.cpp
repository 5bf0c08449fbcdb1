#include "gps/GpsAutoConfig.h"

#include <strings.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/io/GpsSource.h"

namespace trek {
namespace {

constexpr uint32_t kSearchBauds[] = {4800, 9600, 19200, 38400, 2400, 57600};
constexpr const char* kCaption = "Auto Config GPS";

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

std::vector<uint32_t> AutoConfigureBauds(uint32_t configured) {
    std::vector<uint32_t> bauds{configured};
    for (uint32_t b : kSearchBauds)
        if (b != configured) bauds.push_back(b);
    return bauds;
}

std::optional<AutoConfigureResult> AutoConfigure(GpsConnection& connection, const PortList& ports,
                                                 AutoConfigureObserver& observer, const AutoConfigureTiming& timing) {
    observer.waitCursor(true);
    connection.destroyReceiver();
    GpsConnection::Config config = connection.config();

    std::vector<PortEntry> candidates;
    if (!config.port.empty()) {
        int i = ports.find(config.port);
        candidates.push_back(i >= 0 ? ports.entries()[static_cast<size_t>(i)] : PortEntry{0, config.port, ""});
    }
    for (const PortEntry& p : ports.entries()) {
        if (strcasecmp(p.name.c_str(), config.port.c_str()) == 0) continue;
        if (strncasecmp(p.name.c_str(), "GPD", 3) == 0) continue;
        if (!platform::IsSerialPortName(p.name)) continue;  // baud rates mean nothing to gpsd, tcp, file
        candidates.push_back(p);
    }

    std::optional<AutoConfigureResult> found;
    for (const PortEntry& port : candidates) {
        observer.portSelected(port);
        auto receiver = connection.createReceiver(port.name, config.baud);
        if (!receiver->waitOpened(timing.openTimeoutMs)) {
            receiver->close();
            continue;
        }
        std::vector<uint32_t> bauds = platform::IsSerialPortName(port.name)
                                          ? AutoConfigureBauds(config.baud)
                                          : std::vector<uint32_t>{config.baud};
        for (uint32_t baud : bauds) {
            observer.baudSelected(baud);
            receiver->setBaudrate(baud);
            if (!receiver->dataReceived()) Sleep(timing.dataWaitMs);
            if (receiver->dataReceived()) {
                found = AutoConfigureResult{port.name, baud};
                break;
            }
        }
        if (found) {
            config.port = found->port;
            config.baud = found->baud;
            connection.configure(config);
            connection.adopt(std::move(receiver));
            char text[512];
            std::snprintf(text, sizeof text, "Found GPS at Port %s\r\nBaudrate is %u", found->port.c_str(),
                          found->baud);
            observer.message(kCaption, text);
            observer.store(found->port, found->baud);
            break;
        }
        receiver->close();
        Sleep(timing.portPauseMs);
    }
    if (!found) observer.message(kCaption, "No GPS found\r\nPlease check the device and try maunally");
    observer.waitCursor(false);
    return found;
}

}  // namespace trek
