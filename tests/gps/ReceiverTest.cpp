// The real reader thread on pseudo-terminals, a gpsd stand-in on 127.0.0.1,
// raw TCP and replayed logs; the port search and the no-data watchdog.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gps/GpsAutoConfig.h"
#include "gps/GpsConnection.h"
#include "gps/GpsMessages.h"
#include "gps/GpsReceiver.h"
#include "gps/Sirf.h"
#include "platform/io/GpsSource.h"
#include "tests/gps/GpsTestSupport.h"

namespace trek {
namespace {

using namespace std::chrono_literals;
using test::Nmea;

const std::string kGga = Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
constexpr int32_t kGgaLat = 83980531;

// A receiver on the slave side of a pseudo-terminal; the test plays the GPS
// on the master side.
struct Pty {
    int master = -1, slave = -1;
    std::string path;
    Pty() {
        char name[256];
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
    void send(const std::string& s) const { EXPECT_EQ(::write(master, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
    speed_t speed() const {
        termios t{};
        ::tcgetattr(slave, &t);
        return ::cfgetospeed(&t);
    }
    // Everything the receiver wrote within `ms`.
    std::string drain(int ms) const {
        std::string out;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buf[256];
                ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0) out.append(buf, static_cast<size_t>(n));
            }
        }
        return out;
    }
};

// A receiver that talks only at one baud rate, as the terminal is set.
struct Simulator {
    std::atomic<bool> stop{false};
    std::thread thread;
    Simulator(const Pty& pty, speed_t only) {
        thread = std::thread([&pty, only, this] {
            while (!stop) {
                if (pty.speed() == only) pty.send(kGga);
                std::this_thread::sleep_for(100ms);
            }
        });
    }
    ~Simulator() {
        stop = true;
        thread.join();
    }
};

GpsReceiverOptions Options(platform::MessageLoop& loop) {
    GpsReceiverOptions o;
    o.loop = &loop;
    return o;
}

// Waits for a message, at most 5 s.
bool WaitFor(platform::MessageLoop& loop, uint32_t message, int seconds = 5) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    platform::Message m;
    while (std::chrono::steady_clock::now() < end)
        if (loop.getFor(m, 50) && m.message == message) return true;
    return false;
}

TEST(ReceiverOnPty, SplitSentencesAndGarbageReachTheParsers) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    platform::MessageLoop loop;
    NmeaTextBuffer text;
    GpsReceiver r(pty.path, 7, &text, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    r.setCapture(true);
    std::string stream = "\x13\xff garbage $GPG" + kGga + kGga;  // the broken start is dropped
    for (size_t i = 0; i < stream.size(); i += 5) {
        pty.send(stream.substr(i, 5));
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(WaitFor(loop, UM_POSITION));
    GpsFix fix;
    SnapshotFix(r, fix);
    EXPECT_EQ(fix.position.lat, kGgaLat);
    EXPECT_TRUE(r.dataReceived());
    ASSERT_TRUE(WaitFor(loop, UM_RAW_DATA));
    std::vector<std::string> lines = text.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kGga.substr(0, kGga.size() - 2));
}

TEST(ReceiverOnPty, ManySentencesWrapTheRing) {
    Pty pty;
    platform::MessageLoop loop;
    GpsReceiver r(pty.path, 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    const int count = 120;  // about 9 KB: the ring wraps twice
    for (int i = 0; i < count; ++i) pty.send(kGga);
    int positions = 0;
    platform::Message m;
    auto end = std::chrono::steady_clock::now() + 10s;
    while (positions < count && std::chrono::steady_clock::now() < end)
        if (loop.getFor(m, 50) && m.message == UM_POSITION) ++positions;
    EXPECT_EQ(positions, count);
}

TEST(ReceiverOnPty, CloseEndsABlockedReadAtOnce) {
    Pty pty;
    platform::MessageLoop loop;
    GpsReceiver r(pty.path, 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    std::this_thread::sleep_for(100ms);  // the reader now waits for bytes that never come
    auto start = std::chrono::steady_clock::now();
    r.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "not the 10 s bound";
    EXPECT_FALSE(r.isOpen());
}

TEST(ReceiverOnPty, MissingPortEndsOpenAttempt) {
    platform::MessageLoop loop;
    GpsReceiver r("/dev/does-not-exist-gps", 7, nullptr, 4800, Options(loop));
    EXPECT_FALSE(r.waitOpened());
    EXPECT_TRUE(r.opened());
    EXPECT_FALSE(r.openError().empty());
}

TEST(ReceiverOnPty, GarminUsbIsAReceiverWithoutThread) {
    platform::MessageLoop loop;
    GpsReceiver r("GARMIN USB", 7, nullptr, 4800, Options(loop));
    EXPECT_TRUE(r.opened());
    EXPECT_TRUE(r.isOpen());
    EXPECT_FALSE(r.setBaudrate(9600));
}

struct Observer : AutoConfigureObserver {
    std::vector<uint32_t> bauds;
    std::vector<std::string> ports, messages;
    std::string storedPort;
    uint32_t storedBaud = 0;
    void portSelected(const PortEntry& p) override { ports.push_back(p.name); }
    void baudSelected(uint32_t b) override { bauds.push_back(b); }
    void message(const std::string& caption, const std::string& text) override { messages.push_back(caption + "|" + text); }
    void store(const std::string& port, uint32_t baud) override {
        storedPort = port;
        storedBaud = baud;
    }
};

TEST(ReceiverOnPty, AutoConfigureFindsTheReceiverAtItsRate) {
    Pty pty;
    Simulator sim(pty, B9600);
    platform::MessageLoop loop;
    GpsConnection connection;
    GpsConnection::Config config;
    config.port = pty.path;
    config.baud = 4800;
    config.options = Options(loop);
    connection.configure(config);
    Observer observer;
    AutoConfigureTiming timing;
    timing.dataWaitMs = 600;
    auto found = AutoConfigure(connection, PortList({{0, "/dev/does-not-exist-gps", "none"}, {0, "GPD1:", ""}}),
                               observer, timing);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->baud, 9600u);
    EXPECT_EQ(observer.bauds, (std::vector<uint32_t>{4800, 9600}));
    EXPECT_EQ(observer.ports, std::vector<std::string>{pty.path});
    EXPECT_EQ(observer.messages,
              std::vector<std::string>{"Auto Config GPS|Found GPS at Port " + pty.path + "\r\nBaudrate is 9600"});
    EXPECT_EQ(observer.storedBaud, 9600u);
    EXPECT_EQ(connection.config().baud, 9600u);
    ASSERT_TRUE(connection.receiver());
    EXPECT_TRUE(connection.receiver()->dataReceived());
}

TEST(ReceiverOnPty, AutoConfigureReportsNothingFound) {
    platform::MessageLoop loop;
    GpsConnection connection;
    GpsConnection::Config config;
    config.port = "/dev/does-not-exist-gps";
    config.options = Options(loop);
    connection.configure(config);
    Observer observer;
    EXPECT_FALSE(AutoConfigure(connection, PortList(), observer, {}));
    EXPECT_EQ(observer.messages,
              std::vector<std::string>{"Auto Config GPS|No GPS found\r\nPlease check the device and try maunally"});
    EXPECT_FALSE(connection.receiver());
}

TEST(AutoConfigureBauds, EachRateOnceConfiguredFirst) {
    EXPECT_EQ(AutoConfigureBauds(9600), (std::vector<uint32_t>{9600, 4800, 19200, 38400, 2400, 57600}));
    EXPECT_EQ(AutoConfigureBauds(115200), (std::vector<uint32_t>{115200, 4800, 9600, 19200, 38400, 2400, 57600}));
}

TEST(Watchdog, ReconnectsAfterSixteenSecondsOfSilence) {
    Pty pty;
    platform::MessageLoop loop;
    std::atomic<uint64_t> clock{1000000};
    GpsConnection connection([&] { return clock.load(); });
    GpsConnection::Config config;
    config.port = pty.path;
    config.options = Options(loop);
    config.options.external = true;
    connection.configure(config);
    ASSERT_TRUE(connection.open());
    auto first = connection.receiver();

    // Data keeps it quiet.
    clock += 10000;
    pty.send(kGga);
    for (int i = 0; i < 100 && !first->dataReceived(); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(first->dataReceived());
    clock += 15999;
    EXPECT_FALSE(connection.tick());

    clock += 1;
    EXPECT_TRUE(connection.tick());
    connection.waitForReconnect();
    EXPECT_EQ(connection.reconnects(), 1);
    ASSERT_TRUE(connection.receiver());
    EXPECT_NE(connection.receiver(), first);
    EXPECT_FALSE(first->isOpen()) << "the old receiver was closed";

    // Again every 16 s while silent; never after "Close Port".
    clock += 16000;
    EXPECT_TRUE(connection.tick());
    connection.waitForReconnect();
    EXPECT_EQ(connection.reconnects(), 2);
    connection.closePort();
    clock += 60000;
    EXPECT_FALSE(connection.tick());
}

TEST(Watchdog, OnlyForExternalReceivers) {
    Pty pty;
    platform::MessageLoop loop;
    std::atomic<uint64_t> clock{0};
    GpsConnection connection([&] { return clock.load(); });
    GpsConnection::Config config;
    config.port = pty.path;
    config.options = Options(loop);
    connection.configure(config);
    ASSERT_TRUE(connection.open());
    clock += 100000;
    EXPECT_FALSE(connection.tick());
}

TEST(SirfOnPty, QueryStaticNavigationReadsTheAnswerAndSwitchesBack) {
    Pty pty;
    platform::MessageLoop loop;
    GpsReceiver r(pty.path, 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    StaticNavigationState() = false;
    // The receiver side: answer the poll with navigation parameters (static navigation on).
    std::string written;
    std::thread gps([&] {
        const uint8_t zero = 0;
        std::vector<uint8_t> poll = BuildSirfFrame(kSirfMidPollNavigation, &zero, 1);
        std::string pollText(poll.begin(), poll.end());
        auto end = std::chrono::steady_clock::now() + 8s;
        bool answered = false;
        while (std::chrono::steady_clock::now() < end) {
            written += pty.drain(50);
            if (!answered && written.find(pollText) != std::string::npos) {
                std::vector<uint8_t> p(65, 0);
                p[0] = kSirfMidNavigationParameters;
                p[13] = 1;
                auto f = BuildSirfFrame(p[0], p.data() + 1, p.size() - 1);
                pty.send(std::string(f.begin(), f.end()));
                answered = true;
            }
            if (answered && written.find(std::string("\xA0\xA2\x00\x18\x81", 5)) != std::string::npos) break;
        }
    });
    r.queryStaticNavigation();
    for (int i = 0; i < 40 && r.sirfBinaryMode(); ++i) std::this_thread::sleep_for(100ms);
    gps.join();
    EXPECT_FALSE(r.sirfBinaryMode());
    EXPECT_TRUE(StaticNavigationState());
    std::string sw = SirfBinarySwitchSentence(4800);
    int switches = 0;
    for (size_t at = written.find(sw); at != std::string::npos; at = written.find(sw, at + 1)) ++switches;
    EXPECT_EQ(switches, 3);
    auto toNmea = SirfNmeaModeData(4800);
    auto frame = BuildSirfFrame(kSirfMidSwitchToNmea, toNmea.data(), toNmea.size());
    EXPECT_NE(written.find(std::string(frame.begin(), frame.end())), std::string::npos) << "back to NMEA";
}

// A gpsd that expects the WATCH request and then streams NMEA.
struct GpsdStandIn {
    int listener = -1;
    uint16_t port = 0;
    std::atomic<bool> stop{false};
    std::string request;
    std::thread thread;
    explicit GpsdStandIn(bool gpsd, bool talk = true) {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener, 4);
        socklen_t len = sizeof a;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        thread = std::thread([this, gpsd, talk] {
            int c = ::accept(listener, nullptr, nullptr);
            if (c < 0) return;
            if (gpsd) {
                std::string banner = "{\"class\":\"VERSION\",\"release\":\"3.22\",\"proto_major\":3}\n";
                ::send(c, banner.data(), banner.size(), MSG_NOSIGNAL);
                char ch;
                while (::recv(c, &ch, 1, 0) == 1 && ch != '\n') request += ch;
            }
            while (!stop) {
                if (talk) ::send(c, kGga.data(), kGga.size(), MSG_NOSIGNAL);
                std::this_thread::sleep_for(50ms);
            }
            ::close(c);
        });
    }
    ~GpsdStandIn() {
        stop = true;
        ::shutdown(listener, SHUT_RDWR);
        thread.join();
        ::close(listener);
    }
};

TEST(NetworkSources, GpsdIsAskedForNmea) {
    GpsdStandIn server(true);
    platform::MessageLoop loop;
    GpsReceiver r("gpsd:127.0.0.1:" + std::to_string(server.port), 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened()) << r.openError();
    ASSERT_TRUE(WaitFor(loop, UM_POSITION));
    GpsFix fix;
    r.snapshotFix(fix);
    EXPECT_EQ(fix.position.lat, kGgaLat);
    EXPECT_NE(server.request.find("?WATCH="), std::string::npos);
    EXPECT_NE(server.request.find("\"nmea\":true"), std::string::npos);
    EXPECT_FALSE(r.setBaudrate(9600)) << "baud rates are for serial devices";
}

TEST(NetworkSources, RawTcpStream) {
    GpsdStandIn server(false);
    platform::MessageLoop loop;
    GpsReceiver r("tcp:127.0.0.1:" + std::to_string(server.port), 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened()) << r.openError();
    EXPECT_TRUE(WaitFor(loop, UM_POSITION));
}

TEST(NetworkSources, CloseEndsABlockedGpsdRead) {
    GpsdStandIn server(true, false);
    platform::MessageLoop loop;
    GpsReceiver r("gpsd:127.0.0.1:" + std::to_string(server.port), 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    std::this_thread::sleep_for(100ms);
    auto start = std::chrono::steady_clock::now();
    r.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(NetworkSources, RefusedConnectionFailsToOpen) {
    int port;
    {
        GpsdStandIn server(false);
        port = server.port;
    }
    platform::MessageLoop loop;
    GpsReceiver r("tcp:127.0.0.1:" + std::to_string(port), 7, nullptr, 4800, Options(loop));
    EXPECT_FALSE(r.waitOpened());
}

struct LogFile {
    std::filesystem::path path;
    explicit LogFile(const std::string& text) {
        path = std::filesystem::temp_directory_path() / ("trek-gps-" + std::to_string(::getpid()) + "-" +
                                                        std::to_string(reinterpret_cast<uintptr_t>(this)) + ".log");
        std::ofstream(path, std::ios::binary) << text;
    }
    ~LogFile() { std::filesystem::remove(path); }
};

std::string TimedLog(int seconds) {
    std::string log = "# comment line, not NMEA\n";
    for (int s = 0; s <= seconds; ++s) {
        char body[96];
        std::snprintf(body, sizeof body, "GPGGA,1200%02d,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", s);
        log += Nmea(body) + "\n";  // LF only, as many logs on Linux
    }
    return log;
}

int CountPositions(platform::MessageLoop& loop, GpsReceiver& r) {
    int positions = 0;
    platform::Message m;
    auto end = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < end) {
        if (loop.getFor(m, 20)) {
            positions += m.message == UM_POSITION;
        } else if (r.sourceEnded() && loop.pending() == 0) {
            break;
        }
    }
    return positions;
}

TEST(FileReplay, WholeLogAtOnceAndAtItsPace) {
    LogFile log(TimedLog(4));
    platform::MessageLoop loop;
    {
        GpsReceiver r("file:" + log.path.string() + "@0", 7, nullptr, 4800, Options(loop));
        ASSERT_TRUE(r.waitOpened());
        EXPECT_EQ(CountPositions(loop, r), 5);
        EXPECT_TRUE(r.sourceEnded());
    }
    {
        // 4 s of log at ten times real time: at least 0.4 s.
        auto start = std::chrono::steady_clock::now();
        GpsReceiver r("file:" + log.path.string() + "@10", 7, nullptr, 4800, Options(loop));
        ASSERT_TRUE(r.waitOpened());
        EXPECT_EQ(CountPositions(loop, r), 5);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 350ms);
    }
}

TEST(FileReplay, CloseDuringAPacedWait) {
    LogFile log(TimedLog(600));
    platform::MessageLoop loop;
    GpsReceiver r("file:" + log.path.string(), 7, nullptr, 4800, Options(loop));
    ASSERT_TRUE(r.waitOpened());
    ASSERT_TRUE(WaitFor(loop, UM_POSITION));
    auto start = std::chrono::steady_clock::now();
    r.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(SourceNames, Table) {
    using platform::GpsSourceKind;
    struct Row {
        const char* name;
        bool ok;
        GpsSourceKind kind;
        const char* host;
        uint16_t port;
        const char* path;
        double speed;
    };
    const Row rows[] = {
        {"/dev/ttyUSB0", true, GpsSourceKind::Serial, "", 0, "/dev/ttyUSB0", 1},
        {"gpsd", true, GpsSourceKind::Gpsd, "localhost", 2947, "", 1},
        {"gpsd:pi.local", true, GpsSourceKind::Gpsd, "pi.local", 2947, "", 1},
        {"gpsd:10.0.0.2:3000", true, GpsSourceKind::Gpsd, "10.0.0.2", 3000, "", 1},
        {"gpsd:[::1]:2948", true, GpsSourceKind::Gpsd, "::1", 2948, "", 1},
        {"gpsd:host:0", false, GpsSourceKind::Gpsd, "", 0, "", 1},
        {"tcp:192.168.1.5:10110", true, GpsSourceKind::Tcp, "192.168.1.5", 10110, "", 1},
        {"tcp:192.168.1.5", false, GpsSourceKind::Tcp, "", 0, "", 1},
        {"tcp::80", false, GpsSourceKind::Tcp, "", 0, "", 1},
        {"file:/tmp/a.nmea", true, GpsSourceKind::File, "", 0, "/tmp/a.nmea", 1},
        {"file:/tmp/a@b.nmea@10", true, GpsSourceKind::File, "", 0, "/tmp/a@b.nmea", 10},
        {"file:/tmp/a.nmea@0", true, GpsSourceKind::File, "", 0, "/tmp/a.nmea", 0},
        {"file:/tmp/a.nmea@-1", false, GpsSourceKind::File, "", 0, "", 1},
        {"file:/tmp/a.nmea@fast", false, GpsSourceKind::File, "", 0, "", 1},
        {"file:", false, GpsSourceKind::File, "", 0, "", 1},
        {"", false, GpsSourceKind::Serial, "", 0, "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::GpsSourceAddress a;
        std::string error;
        ASSERT_EQ(platform::ParseGpsSourceName(row.name, a, &error), row.ok);
        if (!row.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(a.kind, row.kind);
        EXPECT_EQ(a.host, row.host);
        EXPECT_EQ(a.port, row.port);
        EXPECT_EQ(a.path, row.path);
        EXPECT_EQ(a.speed, row.speed);
    }
}

}  // namespace
}  // namespace trek
