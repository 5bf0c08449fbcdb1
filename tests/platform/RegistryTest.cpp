#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/core/Files.h"
#include "platform/core/Registry.h"

using namespace trek::platform;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/trek-reg-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
};

constexpr const char* kKey = "SOFTWARE\\Ostrafen\\Trekvane";

}  // namespace

TEST(Registry, ValuesOfEveryTypeSurviveTheFileRoundTrip) {
    TempDir dir;
    std::string file = dir.file("sub/registry.reg");
    {
        Registry reg(file);
        reg.setString(HKey::LocalMachine, kKey, "COM Port", "gpsd");
        reg.setString(HKey::LocalMachine, kKey, "Tricky", "a \"quoted\" C:\\path\r\nnext line");
        reg.setString(HKey::LocalMachine, kKey, "Empty", "");
        reg.setString(HKey::LocalMachine, kKey, "Umlaut", "Straße \xE2\x82\xAC");
        reg.setDword(HKey::LocalMachine, kKey, "Baudrate", 4800);
        reg.setDword(HKey::LocalMachine, kKey, "cfg1", 0xA3AF0010);
        reg.setBinary(HKey::LocalMachine, kKey, "Blob", {1, 2, 255});
        reg.setBinary(HKey::LocalMachine, kKey, "NoBytes", {});
        reg.setString(HKey::ClassesRoot, ".tur", "", "turfile");
        reg.createKey(HKey::LocalMachine, "Software\\Microsoft\\Today\\Items\\\"Trekvane\"");
    }
    Registry again(file);
    EXPECT_EQ(again.getString(HKey::LocalMachine, kKey, "COM Port"), "gpsd");
    EXPECT_EQ(again.getString(HKey::LocalMachine, kKey, "Tricky"), "a \"quoted\" C:\\path\r\nnext line");
    EXPECT_EQ(again.getString(HKey::LocalMachine, kKey, "Empty"), "");
    EXPECT_EQ(again.getString(HKey::LocalMachine, kKey, "Umlaut"), "Straße \xE2\x82\xAC");
    EXPECT_EQ(again.getDword(HKey::LocalMachine, kKey, "Baudrate"), 4800u);
    EXPECT_EQ(again.getDword(HKey::LocalMachine, kKey, "cfg1"), 0xA3AF0010u);
    EXPECT_EQ(again.getBinary(HKey::LocalMachine, kKey, "Blob"), (std::vector<uint8_t>{1, 2, 255}));
    EXPECT_EQ(again.getBinary(HKey::LocalMachine, kKey, "NoBytes"), std::vector<uint8_t>{});
    EXPECT_EQ(again.getString(HKey::ClassesRoot, ".tur", ""), "turfile");
    EXPECT_TRUE(again.keyExists(HKey::LocalMachine, "\\Software\\Microsoft\\Today\\Items\\\"Trekvane\""));
    EXPECT_EQ(again.toText(), Registry(file).toText());

    std::string text = *ReadWholeFile(file);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane]\n"), std::string::npos);
    EXPECT_NE(text.find("\"Baudrate\"=dword:000012c0\n"), std::string::npos);
    EXPECT_NE(text.find("\"Blob\"=hex:01,02,ff\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\.tur]\n@=\"turfile\"\n"), std::string::npos);
}

TEST(Registry, NamesAreCaseInsensitiveAndKeepTheirCase) {
    Registry reg;
    reg.setDword(HKey::LocalMachine, "Software\\A", "Value", 1);
    reg.setDword(HKey::LocalMachine, "SOFTWARE\\a", "VALUE", 2);
    EXPECT_EQ(reg.subkeys(HKey::LocalMachine, "software"), std::vector<std::string>{"A"});
    auto values = reg.values(HKey::LocalMachine, "software\\A");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Value");
    EXPECT_EQ(values[0].dword, 2u);
}

TEST(Registry, KeysAndValuesCanBeEnumeratedAndDeleted) {
    Registry reg;
    reg.createKey(HKey::LocalMachine, "S\\K\\Tour\\one");
    reg.setString(HKey::LocalMachine, "S\\K\\Tour\\two", "Filename", "\\a.tur");
    reg.setDword(HKey::LocalMachine, "S\\K", "x", 1);
    reg.setDword(HKey::LocalMachine, "S\\K", "y", 2);
    EXPECT_EQ(reg.subkeys(HKey::LocalMachine, "S\\K\\Tour"), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(reg.deleteValue(HKey::LocalMachine, "S\\K", "x"));
    EXPECT_FALSE(reg.deleteValue(HKey::LocalMachine, "S\\K", "x"));
    EXPECT_EQ(reg.values(HKey::LocalMachine, "S\\K").size(), 1u);
    EXPECT_TRUE(reg.deleteKey(HKey::LocalMachine, "S\\K\\Tour"));
    EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, "S\\K\\Tour\\two"));
    EXPECT_FALSE(reg.deleteKey(HKey::LocalMachine, "S\\K\\Tour"));
    EXPECT_TRUE(reg.keyExists(HKey::LocalMachine, "S\\K"));
    // A value of another type does not answer as a string or a word.
    EXPECT_EQ(reg.getString(HKey::LocalMachine, "S\\K", "y"), std::nullopt);
    EXPECT_FALSE(reg.setDword(HKey::LocalMachine, "", "rootValue", 1));
}

TEST(Registry, ParserToleratesHeadersEditsAndGarbage) {
    Registry reg;
    reg.loadText(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\"orphan\"=\"no key yet\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"
        "; a comment\r\n"
        "\"a\" = dword:FF\r\n"
        "\"wrapped\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"bad dword\"=dword:xyz\r\n"
        "\"too long\"=dword:123456789\r\n"
        "\"unterminated=\"x\r\n"
        "no equals sign\r\n"
        "[HKEY_NOWHERE\\Y]\r\n"
        "\"lost\"=\"value\"\r\n"
        "[HKEY_CLASSES_ROOT\\.tur]\r\n"
        "@=\"turfile\"\r\n"
        "\"Content Type\"=\"map/tour\"");
    EXPECT_EQ(reg.values(HKey::LocalMachine, "SOFTWARE\\X").size(), 2u);
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, "SOFTWARE\\X", "a"), 255u);
    EXPECT_EQ(reg.getBinary(HKey::LocalMachine, "SOFTWARE\\X", "wrapped"), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(reg.getString(HKey::ClassesRoot, ".tur", ""), "turfile");
    EXPECT_EQ(reg.getString(HKey::ClassesRoot, ".tur", "Content Type"), "map/tour");
    EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, "Y"));
}

TEST(Registry, BatchWritesTheFileOnceAtTheEnd) {
    TempDir dir;
    std::string file = dir.file("r.reg");
    Registry reg(file);
    {
        Registry::Batch batch(reg);
        reg.setDword(HKey::LocalMachine, "S", "a", 1);
        EXPECT_FALSE(FileExists(file));
        reg.setDword(HKey::LocalMachine, "S", "b", 2);
    }
    EXPECT_EQ(Registry(file).getDword(HKey::LocalMachine, "S", "b"), 2u);
}

TEST(Registry, ThreadsWritingAtOnceLoseNothing) {
    TempDir dir;
    std::string file = dir.file("r.reg");
    Registry reg(file);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                reg.setDword(HKey::LocalMachine, "S\\T" + std::to_string(t), "v" + std::to_string(i), i);
        });
    for (auto& th : threads) th.join();
    Registry again(file);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(again.values(HKey::LocalMachine, "S\\T" + std::to_string(t)).size(), 50u);
}

// A second process reads the file over and over while this one rewrites it:
// every read must be one complete version (it always ends with the marker key).
TEST(Registry, AReaderProcessNeverSeesATornFile) {
    TempDir dir;
    std::string file = dir.file("r.reg");
    Registry reg(file);
    std::string big(20000, 'x');
    reg.setString(HKey::LocalMachine, "S", "big", big);
    reg.setDword(HKey::LocalMachine, "Z", "end", 0);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < 300; ++i) {
            auto text = ReadWholeFile(file);
            if (!text) _exit(2);
            Registry probe;
            probe.loadText(*text);
            if (probe.getString(HKey::LocalMachine, "S", "big")->size() != big.size()) _exit(3);
            if (!probe.getDword(HKey::LocalMachine, "Z", "end")) _exit(4);
        }
        _exit(0);
    }
    for (uint32_t i = 1; i < 200; ++i) {
        reg.setString(HKey::LocalMachine, "S", "big", std::string(20000, static_cast<char>('a' + i % 26)));
        reg.setDword(HKey::LocalMachine, "Z", "end", i);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // No temporary files are left behind.
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path)) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(Registry, AnUnwritableFileIsReportedAndTheValueStaysInMemory) {
    Registry reg("/proc/trek-no-such-dir/r.reg");
    EXPECT_FALSE(reg.setDword(HKey::LocalMachine, "S", "a", 1));
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, "S", "a"), 1u);
}
