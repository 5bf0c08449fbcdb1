#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>

#include "ProcessSupport.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/InstanceHandover.h"

namespace trek::platform {
namespace {

using testing::TempDir;

struct HandoverFixture : ::testing::Test {
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved = old ? old : "";
        setenv("XDG_RUNTIME_DIR", dir.path.c_str(), 1);
    }
    void TearDown() override {
        if (saved.empty()) unsetenv("XDG_RUNTIME_DIR");
        else setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    }
    TempDir dir{"trek_handover"};
    std::string saved;
};

TEST_F(HandoverFixture, SecondInstanceHandsItsCommandLineOverAsCopyData) {
    EXPECT_EQ(InstanceHandover::socketPath("Trek vane/1"), dir.file("Trek_vane_1.instance"));
    MessageLoop loop;
    InstanceHandover first;
    std::string error;
    ASSERT_TRUE(first.listen("Trekvane", loop, 9, &error)) << error;
    InstanceHandover rival;
    EXPECT_FALSE(rival.listen("Trekvane", loop, 9, &error));
    EXPECT_NE(error.find("another instance"), std::string::npos);

    const std::string file = "\\Storage Card\\Tours\\Größe 😀.TUR";
    ASSERT_TRUE(InstanceHandover::handOver("Trekvane", file));
    Message m;
    ASSERT_TRUE(loop.getFor(m, 2000));
    EXPECT_EQ(m.message, static_cast<uint32_t>(WM_COPYDATA));
    EXPECT_EQ(m.window, 9u);
    auto* data = static_cast<const CopyData*>(m.payload.get());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->dwData, 0x3224u);
    std::u16string wide = u"\\Storage Card\\Tours\\Größe 😀.TUR";
    EXPECT_EQ(data->data.size(), (wide.size() + 1) * 2);  // UTF-16 with its terminating zero
    EXPECT_EQ(data->data[0], '\\');
    EXPECT_EQ(data->data[1], 0);
    EXPECT_EQ(InstanceHandover::decodeCommandLine(data->data), file);

    ASSERT_TRUE(InstanceHandover::handOver("Trekvane", ""));
    ASSERT_TRUE(loop.getFor(m, 2000));
    EXPECT_TRUE(static_cast<const CopyData*>(m.payload.get())->data.empty());  // cbData 0

    first.stop();
    EXPECT_FALSE(InstanceHandover::handOver("Trekvane", file));  // nobody is running
}

TEST_F(HandoverFixture, SocketLeftBehindByACrashIsReplaced) {
    std::string path = InstanceHandover::socketPath("Crashy");
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);  // the file stays, nobody listens
    MessageLoop loop;
    InstanceHandover h;
    std::string error;
    EXPECT_TRUE(h.listen("Crashy", loop, 1, &error)) << error;
}

TEST_F(HandoverFixture, BetweenTwoProcesses) {
    std::string script = dir.file("keep.txt");
    std::ofstream(script) << "wait 10000\nquit\n";
    std::vector<std::string> env{"XDG_RUNTIME_DIR=" + dir.path};
    auto first = testing::Spawn({testing::ExamplePath(), "--headless", "--script", script}, env, dir.file("1.out"),
                                dir.file("1.err"));
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(testing::WaitForPath(InstanceHandover::socketPath("Trekvane GUI Example"), 5000))
        << testing::ReadText(dir.file("1.err"));
    auto second = testing::Spawn({testing::ExamplePath(), "--headless", "/data/Tour 1.tur"}, env, dir.file("2.out"),
                                 dir.file("2.err"));
    EXPECT_EQ(second.wait(5000), 0);
    EXPECT_NE(testing::ReadText(dir.file("2.out")).find("handed over"), std::string::npos);
    // The first instance gets it on its UI thread.
    bool received = false;
    for (int i = 0; i < 300 && !received; ++i) {
        received = testing::ReadText(dir.file("1.out")).find("handover /data/Tour 1.tur") != std::string::npos;
        if (!received) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(received) << testing::ReadText(dir.file("1.out"));
    first.stop();
}

}  // namespace
}  // namespace trek::platform
