#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/DynamicLibrary.h"
#include "platform/core/Paths.h"
#include "platform/core/Process.h"
#include "platform/core/Sync.h"

using namespace trek::platform;

TEST(Sync, NamedAutoResetEventReleasesOneWaiterPerSet) {
    auto a = OpenNamedEvent(kTourImportFinishedEvent);
    auto b = OpenNamedEvent("TourImportFinished");
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), OpenNamedEvent(kUsrCtrlWaitEvent).get());
    EXPECT_FALSE(a->wait(10));
    std::thread worker([b] { b->set(); });
    EXPECT_TRUE(a->wait(5000));
    worker.join();
    EXPECT_FALSE(a->wait(10));  // reset itself

    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] { woken += a->wait(300) ? 1 : 0; });
    a->set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 1);
}

TEST(Sync, ManualResetEventStaysSet) {
    Event e(true);
    e.set();
    EXPECT_TRUE(e.wait(0));
    EXPECT_TRUE(e.wait(0));
    e.reset();
    EXPECT_FALSE(e.wait(0));
}

TEST(Process, StartsWithAnArgumentVectorWithoutAShell) {
    // A shell would expand the pattern and the variable; exec does not.
    pid_t pid = StartProcess({"/bin/sh", "-c", "test \"$1\" = '*$HOME'", "sh", "*$HOME"}, false);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitProcess(pid), 0);
    std::string error;
    EXPECT_EQ(StartProcess({"trek-no-such-program"}, false, &error), -1);
    EXPECT_FALSE(error.empty());
}

TEST(DynamicLibrary, OpensAndFindsSymbols) {
    DynamicLibrary lib;
    ASSERT_TRUE(lib.open("libz.so.1"));
    EXPECT_NE(lib.symbol("crc32"), nullptr);
    EXPECT_EQ(lib.symbol("trek_no_such_symbol"), nullptr);
    DynamicLibrary missing;
    EXPECT_FALSE(missing.open("/nonexistent/DEU.so"));
    EXPECT_FALSE(missing.error().empty());
}

TEST(Paths, BackslashPathsLiveBelowTheDeviceRoot) {
    SetDeviceRoot("/data/root/");
    EXPECT_EQ(DeviceRoot(), "/data/root");
    EXPECT_EQ(MapPath("\\trekvane.reg"), "/data/root/trekvane.reg");
    EXPECT_EQ(MapPath("\\Storage Card\\Trekvane"), "/data/root/Storage Card/Trekvane");
    EXPECT_EQ(MapPath("/usr/share/x"), "/usr/share/x");
    EXPECT_EQ(MapPath("maps\\a.cal"), "maps/a.cal");
    EXPECT_EQ(ToDevicePath("/data/root/Storage Card/a.tur"), "\\Storage Card\\a.tur");
    EXPECT_EQ(ToDevicePath("/data/rootless/a"), "/data/rootless/a");
    EXPECT_EQ(JoinDevicePath("\\", "thisdev.xml"), "\\thisdev.xml");
    EXPECT_EQ(JoinDevicePath("\\Maps", "\\a.cal"), "\\Maps\\a.cal");
    SetDeviceRoot("");
    ::setenv("TREKVANE_ROOT", "/env/root", 1);
    EXPECT_EQ(DeviceRoot(), "/env/root");
    ::unsetenv("TREKVANE_ROOT");
    ::setenv("XDG_DATA_HOME", "/xdg", 1);
    EXPECT_EQ(DeviceRoot(), "/xdg/trekvane");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(RegistryFile(), "/cfg/trekvane/registry.reg");
    SetRegistryFile("/x/r.reg");
    EXPECT_EQ(RegistryFile(), "/x/r.reg");
    SetRegistryFile("");
}
