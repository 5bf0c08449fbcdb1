#pragma once
// The search for a receiver over ports and baud rates ("Auto Config" of the
// GPS settings). It reports through an observer, which the settings dialog
// implements: the port and rate being tried, the result message, and the
// storing of the port and baud that were found.
#include <cstdint>
#include <optional>
#include <string>

#include "gps/GpsConnection.h"
#include "gps/PortList.h"

namespace trek {

class AutoConfigureObserver {
public:
    virtual ~AutoConfigureObserver() = default;
    virtual void waitCursor(bool /*on*/) {}
    virtual void portSelected(const PortEntry& /*port*/) {}
    virtual void baudSelected(uint32_t /*baud*/) {}
    virtual void message(const std::string& /*caption*/, const std::string& /*text*/) {}
    // Configuration and registry: the port and baud found.
    virtual void store(const std::string& /*port*/, uint32_t /*baud*/) {}
};

struct AutoConfigureTiming {
    int dataWaitMs = 2000;      // silence at one rate before the next
    int portPauseMs = 200;      // after giving up a port
    int openTimeoutMs = 30000;  // bound on the open attempt
};

struct AutoConfigureResult {
    std::string port;
    uint32_t baud = 0;
};

// The rates in the order they are tried: the configured one, then 4800,
// 9600, 19200, 38400, 2400, 57600, each once.
std::vector<uint32_t> AutoConfigureBauds(uint32_t configured);

// Tries the configured port, then every serial port of `ports` (names
// beginning "GPD" excepted). The receiver that found data stays running as
// the connection's receiver, and the connection's configuration is updated.
std::optional<AutoConfigureResult> AutoConfigure(GpsConnection& connection, const PortList& ports,
                                                 AutoConfigureObserver& observer,
                                                 const AutoConfigureTiming& timing = {});

}  // namespace trek
