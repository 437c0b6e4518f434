// The settings file: INI text kept byte for byte around our keys, a save that never damages the
// old file, and nothing read from or written to anything but a regular file.
#include "qt/settings_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace kazuroi {
namespace {

namespace fs = std::filesystem;

const SettingValues kPosition = {{"Left", " 1500"}, {"Top", " 960"}};

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A user's file with much besides the position: every byte of it must survive any failed save.
std::string busyFile() {
    std::string text = "; kept by hand\r\n[Startup]\r\nLeft=\" 7\"\r\nTop=\" 8\"\r\n";
    for (int s = 0; s < 12; ++s) {
        text += "\r\n[Other" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 10; ++k)
            text += "key" + std::to_string(k) + "=\"value, with text " + std::string(40, 'x') +
                    "\"\r\n";
    }
    return text;
}

class SettingsFileTest : public ::testing::Test {
  protected:
    fs::path dir;
    fs::path ini;
    void SetUp() override {
        char name[] = "/tmp/kazuroi-settings-XXXXXX";
        dir = ::mkdtemp(name);
        ini = dir / "kazuroi.ini";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string save(const fs::path& path) {
        SettingsFile file(path);
        return file.write("Startup", kPosition);
    }
};

TEST(IniText, ReadsAsQSettingsWroteIt) {
    const std::string text = "[General]\nLeft=1\n[Startup]\nLeft=\" 1500\"\nTop = 2,5 \n"
                             "Text=\"a\\\"b\\\\c\\x41\"\n[Startup]\nTop=\" 9\"\n";
    EXPECT_EQ(iniValue(text, "Startup", "Left"), " 1500");
    EXPECT_EQ(iniValue(text, "Startup", "Top"), " 9") << "the later line wins";
    EXPECT_EQ(iniValue(text, "Startup", "Text"), "a\"b\\cA");
    EXPECT_EQ(iniValue("[Startup]\nTop = 2, 5 \n", "Startup", "Top"), "2,5");
    EXPECT_EQ(iniValue("[Startup]\nLeft=\n", "Startup", "Left"), "");
    EXPECT_EQ(iniValue(text, "startup", "Left"), std::nullopt) << "sections are case-sensitive";
    EXPECT_EQ(iniValue("\x01\xff[Startup\nLeft\n", "Startup", "Left"), std::nullopt);
}

TEST(IniText, RewritesOnlyItsOwnLines) {
    const std::string busy = busyFile();
    const std::string rewritten = iniWithValues(busy, "Startup", kPosition);
    std::string expected = busy;
    expected.replace(expected.find("Left=\" 7\""), 9, "Left=\" 1500\"");
    expected.replace(expected.find("Top=\" 8\""), 8, "Top=\" 960\"");
    EXPECT_EQ(rewritten, expected);
    EXPECT_EQ(iniWithValues("", "Startup", kPosition), "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n");
    EXPECT_EQ(iniWithValues("[Other]\nx=1", "Startup", {{"Left", "-7.5"}}),
              "[Other]\nx=1\n\n[Startup]\nLeft=-7.5\n");
    EXPECT_EQ(iniWithValues("[Startup]\nTop=1\n[B]\n", "Startup", kPosition),
              "[Startup]\nTop=\" 960\"\nLeft=\" 1500\"\n[B]\n");
    for (const std::string value : {" 1500", "a,b", "q\"uote", "back\\slash", "new\nline", ""})
        EXPECT_EQ(iniValue(iniWithValues("", "S", {{"K", value}}), "S", "K"), value);
}

TEST_F(SettingsFileTest, SavesWholeThroughALinkAndReadsBack) {
    put(ini, busyFile());
    EXPECT_EQ(save(ini), "");
    EXPECT_EQ(contents(ini), iniWithValues(busyFile(), "Startup", kPosition));

    const fs::path link = dir / "link.ini";
    fs::create_symlink(ini, link);
    SettingsFile throughLink(link);
    EXPECT_EQ(throughLink.read("Startup", "Left"), " 1500");
    EXPECT_EQ(throughLink.write("Startup", {{"Left", " 1"}}), "");
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), " 1");
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename().string().find(".ini."),
              std::string::npos)
        << "no temporary file left behind";
}

TEST_F(SettingsFileTest, AFailedWriteLeavesEveryByteOfTheOldFile) {
    put(ini, busyFile());
    // The new file may not grow as big as the old one: its write fails half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = busyFile().size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string why = save(ini);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(why.find("cannot write"), std::string::npos) << why;
    EXPECT_EQ(contents(ini), busyFile());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A real full disk: a small tmpfs filled to the last block (needs root, as CI has).
TEST_F(SettingsFileTest, AFullDiskLeavesEveryByteOfTheOldFile) {
    const fs::path disk = dir / "disk";
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (not root?)";
    const fs::path file = disk / "kazuroi.ini";
    put(file, busyFile());
    {
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size()))
            filler.flush();
    }
    const std::string why = save(file);
    const std::string after = contents(file);
    ::umount(disk.c_str());
    EXPECT_NE(why, "");
    EXPECT_EQ(after, busyFile());
}

TEST_F(SettingsFileTest, OnlyARegularFileIsReadOrWritten) {
    // A FIFO: reading must not block, and nothing replaces it.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, ini);
    SettingsFile throughFifo(ini);
    EXPECT_EQ(throughFifo.read("Startup", "Left"), std::nullopt);
    EXPECT_NE(throughFifo.write("Startup", kPosition), "");
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::remove(ini);

    // A device (a private copy of /dev/zero, so that a fault cannot harm the real one): neither
    // read, for it never ends, nor replaced.
    const fs::path zero = dir / "zero";
    if (::mknod(zero.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0) {
        fs::create_symlink(zero, ini);
        SettingsFile throughDevice(ini);
        EXPECT_EQ(throughDevice.read("Startup", "Left"), std::nullopt);
        EXPECT_NE(throughDevice.write("Startup", kPosition), "");
        EXPECT_TRUE(fs::is_character_file(zero));
        fs::remove(ini);
    }

    // A folder, and a socket.
    fs::create_directory(ini);
    EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), std::nullopt);
    EXPECT_NE(save(ini), "");
    EXPECT_TRUE(fs::is_directory(ini));
    fs::remove(ini);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", ini.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_NE(save(ini), "");
    EXPECT_TRUE(fs::is_socket(ini));
    ::close(sock);
}

TEST(SettingsPath, FollowsXdgButNeverARelativeFolder) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    ::setenv("XDG_CONFIG_HOME", "/somewhere", 1);
    EXPECT_EQ(SettingsFile::pathFor("kazuroi"), "/somewhere/kazuroi/kazuroi.ini");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(SettingsFile::pathFor("kazuroi"), std::string(home) + "/.config/kazuroi/kazuroi.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFile::pathFor("kazuroi"), std::string(home) + "/.config/kazuroi/kazuroi.ini");
}

} // namespace
} // namespace kazuroi
