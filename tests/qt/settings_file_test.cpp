// The settings file against QSettings, which is its oracle: every file read as QSettings reads it
// and written so that QSettings reads it back as meant; what the file had kept (other programs'
// lines, mode, owner); a save that never damages the old file; only a regular file touched.
#include "qt/settings_file.h"

#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/file.h>
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

// Every key of a file with its value, as QSettings itself reads the file: a copy under a name of
// its own, since QSettings takes a file of the same name, size and time stamp for the one it read.
IniReading qsettingsReading(const fs::path& path) {
    static int readings = 0;
    const fs::path copy = path.parent_path() / ("oracle-" + std::to_string(++readings) + ".ini");
    fs::copy_file(path, copy);
    const QSettings settings(QString::fromStdString(copy.string()), QSettings::IniFormat);
    IniReading reading;
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        reading[key.toStdString()] =
            (value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                      : value.toString())
                .toStdString();
    }
    fs::remove(copy);
    return reading;
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
        return file.write("Startup", kPosition).failure;
    }
};

// Files as people and other programs leave them: each is read as QSettings reads it, and after
// a save QSettings reads our keys as written and every other key as it was.
TEST_F(SettingsFileTest, ReadAndWrittenAsQSettingsReadsThem) {
    const std::string files[] = {
        "\xEF\xBB\xBF[Startup]\nLeft=1500\nTop=960\n", // a byte-order mark
        "[Startup]\rLeft=1500\rTop=960\r",             // CR line ends
        "[Startup]\nLeft=1500 ; comment\nTop=960\n",
        "[Startup]\n%4Ceft=1500\nT%6Fp=960\n", // escaped key names
        "[Startup] ;comment\nLeft=1500\n",
        "[Startup]\nLeft=15\\\n00\nTop=9\\\n   60\n",             // continued lines
        "[Startup]\nLeft=\"15\\x30\\\"0\"\nTop=\"a\\\\b\\tc\"\n", // escapes
        "[Startup]\nLeft=@String(1500)\nTop=@@960\nOther=@ByteArray(x)\n",
        "[Startup]]\nLeft=1500\n",
        "[Startup]\nLeft=1\nLeft=2\n[Other]\nk=v\n[Startup]\nLeft=3\n",
        "[Startup]\nLeft = a, b\n#Top=8\n;Top=7\n",
        "Left=1\n[General]\nTop=2\n[startup]\nLeft=4\n[St%61rtup]\nTop=5\n",
        "[Startup]\nLeft=1\\\n[Other]\nk=v\n",
        "[Startup]\nTop=2\n; ends in a backslash\\\nLeft=1\n", // which continues nothing
        "[Startup]\nLeft=1\n; c\n[%U0053tartup]\nTop=2\n",     // Startup again
        "Startup\\Left=4\n[Startup]\nTop=1\n",                 // Startup's key in General
        "[Startup]\nnote=\"a\n[Other]\nb=\"\nLeft=1\n",        // a quoted line end
        "[Startup]\ndir=C:\\temp\\\n",                         // an escaped last line end
        "[Startup\nLeft=1\n",                                  // a broken section line
        "[Startup]\nLeft=1",                                   // no line end at all
        "[Other]\nk=v",
        "",
        "\xEF\xBB\xBF",
        std::string("\x01\xff[Startup\0\nLeft\n\xfe", 17),
        busyFile(),
        // Last lines that nothing can follow unchanged: an open quote, and a backslash that
        // escapes what comes after it. QSettings writes these two itself.
        "[Startup]\nk=\"open",
        "[Startup]\nk=v\\",
    };
    for (const std::string& text : files) {
        put(ini, text);
        const IniReading before = qsettingsReading(ini);
        SettingsFile file(ini);
        for (const auto& [key, value] : before) {
            const auto slash = key.find('/');
            if (slash != std::string::npos) {
                EXPECT_EQ(file.read(key.substr(0, slash), key.substr(slash + 1)), value)
                    << key << " in " << text;
            }
        }
        EXPECT_EQ(file.read("Startup", "Left").has_value(), before.count("Startup/Left") == 1);

        const SettingsFile::Saved saved = file.write("Startup", kPosition);
        ASSERT_EQ(saved.failure, "") << text;
        EXPECT_EQ(saved.rewrittenByQSettings, text.find("[Startup]\nk=") == 0) << text;
        IniReading meant = before;
        meant["Startup/Left"] = " 1500";
        meant["Startup/Top"] = " 960";
        EXPECT_EQ(qsettingsReading(ini), meant) << text << "\nwritten as\n" << contents(ini);
    }
}

// Other programs' lines and the file's mode stay as they were.
TEST_F(SettingsFileTest, KeepsWhatTheFileHad) {
    put(ini, busyFile());
    ASSERT_EQ(::chmod(ini.c_str(), 0600), 0);
    EXPECT_EQ(save(ini), "");
    std::string expected = busyFile();
    expected.replace(expected.find("Left=\" 7\""), 9, "Left=\" 1500\"");
    expected.replace(expected.find("Top=\" 8\""), 8, "Top=\" 960\"");
    EXPECT_EQ(contents(ini), expected) << "every other line byte for byte";
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "an owner-only file stays owner-only";

    // Files QSettings reads in its own ways: our lines set where it reads them, the rest as it was.
    const struct {
        std::string before;
        SettingValues values;
        std::string after;
    } edits[] = {
        {"\xEF\xBB\xBF[Startup]\nLeft=1\nTop=9\n", kPosition,
         "\xEF\xBB\xBF[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n"},
        {"; c\r[Startup]\rLeft=1\r", kPosition, "; c\r[Startup]\rLeft=\" 1500\"\rTop=\" 960\"\r"},
        {"[Startup]\n%4Ceft=1 ; note\nTop=9\n", kPosition,
         "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n"},
        {"[Startup] ;c\nLeft=15\\\n00\n[Other]\nk=v\n", kPosition,
         "[Startup] ;c\nLeft=\" 1500\"\nTop=\" 960\"\n[Other]\nk=v\n"},
        {"[Startup]]\nLeft=1\n", kPosition, "[Startup]]\nLeft=\" 1500\"\nTop=\" 960\"\n"},
        // The line after a backslash is part of Left's value, so k is Startup's and stays so.
        {"[Startup]\nLeft=1\\\n[Other]\nk=v\n", kPosition,
         "[Startup]\nLeft=\" 1500\"\nk=v\nTop=\" 960\"\n"},
        {"", {{"Left", "@x"}}, "[Startup]\nLeft=@@x\n"},
        // Last lines that end in a backslash: a comment's continues nothing, a value's escapes
        // the line end, and either stays as it was, after new lines too.
        {"[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n; copy in C:\\kazuroi\\\n", kPosition,
         "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n; copy in C:\\kazuroi\\\n"},
        {"[Startup]\nLeft=1\nTop=2\ndir=C:\\temp\\\n", kPosition,
         "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\ndir=C:\\temp\\\n"},
        {"[Startup]\ndir=C:\\temp\\\n", kPosition,
         "[Startup]\ndir=C:\\temp\\\n\nLeft=\" 1500\"\nTop=\" 960\"\n"},
        {"[Startup]\nTop=2\n; a backslash\\\nLeft=1\n", kPosition,
         "[Startup]\nTop=\" 960\"\n; a backslash\\\nLeft=\" 1500\"\n"},
        // The section again under an escaped name, and a key of it in General.
        {"[Startup]\nLeft=1\n; c\n[%U0053tartup]\nTop=2\n", kPosition,
         "[Startup]\nLeft=\" 1500\"\n; c\n[%U0053tartup]\nTop=\" 960\"\n"},
        {"; c\nStartup\\Left=4\n[Startup]\nTop=1\n", kPosition,
         "; c\nStartup\\Left=\" 1500\"\n[Startup]\nTop=\" 960\"\n"},
        // A quoted value over three lines, the middle one like a section.
        {"[Startup]\nnote=\"a\n[Other]\nb\"\n", kPosition,
         "[Startup]\nnote=\"a\n[Other]\nb\"\nLeft=\" 1500\"\nTop=\" 960\"\n"},
        {"\xEF\xBB\xBF", kPosition, "\xEF\xBB\xBF[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n"},
    };
    for (const auto& edit : edits) {
        put(ini, edit.before);
        EXPECT_EQ(SettingsFile(ini).write("Startup", edit.values).failure, "");
        EXPECT_EQ(contents(ini), edit.after) << edit.before;
    }

    // Missing keys go at the end of their section, in the file's own line ends.
    put(ini, "; x\r\n[Startup]\r\nTop=1\r\n\r\n[B]\r\nk=v");
    EXPECT_EQ(save(ini), "");
    EXPECT_EQ(contents(ini),
              "; x\r\n[Startup]\r\nTop=\" 960\"\r\nLeft=\" 1500\"\r\n\r\n[B]\r\nk=v");
    put(ini, "[Other]\nx=1");
    EXPECT_EQ(save(ini), "");
    EXPECT_EQ(contents(ini), "[Other]\nx=1\n\n[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n");
    fs::remove(ini);
    EXPECT_EQ(save(ini), "");
    EXPECT_EQ(contents(ini), "[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n");
}

TEST_F(SettingsFileTest, SavesWholeThroughALinkAndReadsBack) {
    put(ini, busyFile());
    const fs::path link = dir / "link.ini";
    fs::create_symlink(ini, link);
    SettingsFile throughLink(link);
    EXPECT_EQ(throughLink.read("Startup", "Left"), " 7");
    EXPECT_EQ(throughLink.write("Startup", {{"Left", " 1"}}).failure, "");
    EXPECT_EQ(throughLink.read("Startup", "Left"), " 1");
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), " 1");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
        << "no temporary file left behind";
}

TEST_F(SettingsFileTest, AFailedWriteLeavesEveryByteOfTheOldFile) {
    put(ini, busyFile());
    // No file may grow as big as the old one: the copy the new text is checked in, or the new
    // file itself, fails half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = busyFile().size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string why = save(ini);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(why, "");
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
    const auto left = std::distance(fs::directory_iterator(disk), fs::directory_iterator());
    ::umount(disk.c_str());
    EXPECT_NE(why, "");
    EXPECT_EQ(after, busyFile());
    EXPECT_EQ(left, 2) << "the settings and the filler, and no temporary file";
}

// Another program holding the folder is waited for a bounded time, then the save is given up.
TEST_F(SettingsFileTest, ALockHeldElsewhereIsWaitedForABoundedTime) {
    put(ini, busyFile());
    // flock belongs to an open file, so this one holds the folder against the store's own.
    const int held = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string why = save(ini);
    ::close(held);
    EXPECT_NE(why.find("locked"), std::string::npos) << why;
    EXPECT_EQ(contents(ini), busyFile());
}

// What the user set is never undone, and a save that cannot be made names its real cause, never
// the new file it made and removed: a file made read-only (to pin the position) or not the
// user's own, a folder they cannot write, a line QSettings cannot read, a file too big to be
// settings, and no file descriptor left at each step of a save.
TEST_F(SettingsFileTest, WhatTheUserSetIsKeptAndTheCauseNamed) {
    const bool root = ::geteuid() == 0;
    const struct {
        const char* what;
        std::string text;
        std::function<bool()> make; // false: cannot be made here
        std::string cause;
    } rows[] = {
        {"a read-only file", busyFile(), [&] { return ::chmod(ini.c_str(), 0444) == 0; },
         "is read-only (mode 0444)"},
        {"another's file", busyFile(),
         [&] { return root && ::chown(ini.c_str(), 4321, 4322) == 0; },
         "belongs to user 4321, not to you"},
        {"a read-only folder", busyFile(), [&] { return ::chmod(dir.c_str(), 0555) == 0; },
         "the folder " + dir.string() + " is not writable for you (mode 0555)"},
        {"an open quote", "\"open\n", [] { return true; },
         "QSettings cannot read line 1 of " + ini.string() + " ('\"open')"},
        {"an open quote below", "[Other]\nk=v\n\n\"open\n", [] { return true; },
         "QSettings cannot read line 4 of"},
        {"a file over 1 MiB", "[Startup]\nLeft=1\n",
         [&] {
             fs::resize_file(ini, 2 << 20);
             return true;
         },
         "could not be read (it is over 1 MiB, which no settings file is)"},
    };
    for (const auto& row : rows) {
        put(ini, row.text);
        if (!row.make())
            continue;
        struct stat before {};
        ASSERT_EQ(::stat(ini.c_str(), &before), 0);
        const std::string bytes = contents(ini);
        SettingsFile file(ini);
        file.read("Startup", "Left");
        const std::string why = file.write("Startup", kPosition).failure;
        ::chmod(dir.c_str(), 0700);
        EXPECT_NE(why.find(row.cause), std::string::npos) << row.what << ": " << why;
        EXPECT_EQ(why.find(".saving-"), std::string::npos) << row.what << ": " << why;
        EXPECT_EQ(contents(ini), bytes) << row.what;
        struct stat after {};
        ASSERT_EQ(::stat(ini.c_str(), &after), 0);
        EXPECT_EQ(std::tuple(after.st_mode, after.st_uid, after.st_ino),
                  std::tuple(before.st_mode, before.st_uid, before.st_ino))
            << row.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
            << row.what;
        fs::remove(ini);
    }

    // Descriptors run out at each step of a save in turn: it is made, or the cause is said.
    put(ini, "\"open\n");
    long open = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
        open += entry.path().filename() != "." ? 1 : 0;
    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    for (long spare = 0; spare < 16; ++spare) {
        SettingsFile file(ini);
        file.read("Startup", "Left");
        rlimit few = old;
        few.rlim_cur = rlim_t(open + spare);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
        const std::string why = file.write("Startup", kPosition).failure;
        ::setrlimit(RLIMIT_NOFILE, &old);
        EXPECT_TRUE(why.find("Too many open files") != std::string::npos ||
                    why.find("QSettings cannot read line 1") != std::string::npos)
            << spare << " to spare: " << why;
        EXPECT_EQ(why.find(".saving-"), std::string::npos) << why;
        EXPECT_EQ(contents(ini), "\"open\n");
    }
}

TEST_F(SettingsFileTest, OnlyARegularFileIsReadOrWritten) {
    // A FIFO: reading must not block, and nothing replaces it.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, ini);
    SettingsFile throughFifo(ini);
    EXPECT_EQ(throughFifo.read("Startup", "Left"), std::nullopt);
    EXPECT_NE(throughFifo.write("Startup", kPosition).failure, "");
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::remove(ini);

    // A device (a private copy of /dev/zero, so that a fault cannot harm the real one): neither
    // read, for it never ends, nor replaced.
    const fs::path zero = dir / "zero";
    if (::mknod(zero.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0) {
        fs::create_symlink(zero, ini);
        SettingsFile throughDevice(ini);
        EXPECT_EQ(throughDevice.read("Startup", "Left"), std::nullopt);
        EXPECT_NE(throughDevice.write("Startup", kPosition).failure, "");
        EXPECT_TRUE(fs::is_character_file(zero));
        fs::remove(ini);
    }

    // A file too big to be settings (a sparse one, taking no room).
    {
        std::ofstream(ini, std::ios::binary) << "[Startup]\nLeft=1\n";
        fs::resize_file(ini, SettingsFile::kMaxSize + 1);
        EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), std::nullopt);
        EXPECT_NE(save(ini), "");
        EXPECT_EQ(fs::file_size(ini), std::uintmax_t(SettingsFile::kMaxSize + 1));
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

// The store makes no file outside the settings folder: no temporary folder can stop it, and
// it puts nothing in one.
TEST_F(SettingsFileTest, NeedsNoTemporaryFolder) {
    const fs::path tmp = dir / "tmp";
    const auto mountTmpfs = [&](const char* options) {
        fs::create_directory(tmp);
        return ::mount("tmpfs", tmp.c_str(), "tmpfs", 0, options) == 0;
    };
    const struct {
        const char* what;
        std::function<bool()> make; // false: cannot be made here (a tmpfs needs root)
    } temporaryFolders[] = {
        {"missing", [] { return true; }},
        {"a FIFO", [&] { return ::mkfifo(tmp.c_str(), 0600) == 0; }},
        {"a plain file",
         [&] {
             put(tmp, "x");
             return true;
         }},
        {"read-only", [&] { return fs::create_directory(tmp) && ::chmod(tmp.c_str(), 0500) == 0; }},
        {"full",
         [&] {
             if (!mountTmpfs("size=4k"))
                 return false;
             std::ofstream filler(tmp / "filler", std::ios::binary);
             while (filler.put('f'))
                 filler.flush();
             return true;
         }},
        {"out of inodes", [&] { return mountTmpfs("nr_inodes=1"); }},
    };
    const std::string old = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    for (const auto& folder : temporaryFolders) {
        if (!folder.make())
            continue;
        ::setenv("TMPDIR", tmp.c_str(), 1);
        put(ini, busyFile());
        SettingsFile file(ini);
        EXPECT_EQ(file.read("Startup", "Left"), " 7") << folder.what;
        EXPECT_EQ(file.write("Startup", kPosition).failure, "") << folder.what;
        EXPECT_EQ(qsettingsReading(ini)["Startup/Left"], " 1500") << folder.what;
        bool empty = true;
        if (fs::is_directory(tmp))
            for (const auto& entry : fs::directory_iterator(tmp))
                empty = empty && entry.path().filename() == "filler";
        ::umount(tmp.c_str());
        ::chmod(tmp.c_str(), 0700);
        fs::remove_all(tmp);
        EXPECT_TRUE(empty) << folder.what << ": a file was made in the temporary folder";
    }
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(SettingsFile(ini).write("Startup", kPosition).failure, "") << "TMPDIR set empty";
    old.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", old.c_str(), 1);
}

// What a save killed half-way left beside the file (its new file, and QSettings' own new file
// and lock beside that) goes when the game next starts; nothing else does, and nothing while
// another save holds the folder.
TEST_F(SettingsFileTest, LeftoversOfAKilledSaveGoAtTheNextStart) {
    put(ini, busyFile());
    const std::string leftovers[] = {"kazuroi.ini.saving-a1B2c3", "kazuroi.ini.saving-a1B2c3.lock",
                                     "kazuroi.ini.saving-a1B2c3.Xy9z8w"};
    const std::string others[] = {"kazuroi.ini.bak",           "kazuroi.ini~",
                                  "kazuroi.ini.saving",        "other.ini.saving-a1B2c3",
                                  "kazuroi.ini.saving-folder", "kazuroi.ini.saving-link"};
    for (const std::string& name : leftovers)
        put(dir / name, "x");
    for (const std::string& name : {others[0], others[1], others[2], others[3]})
        put(dir / name, "x");
    fs::create_directory(dir / others[4]);
    fs::create_symlink(dir / others[0], dir / others[5]);

    const int held = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), " 7");
    ::close(held);
    for (const std::string& name : leftovers)
        EXPECT_TRUE(fs::exists(dir / name)) << name << " taken from a save under way";

    EXPECT_EQ(SettingsFile(ini).read("Startup", "Left"), " 7");
    for (const std::string& name : leftovers)
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const std::string& name : others)
        EXPECT_TRUE(fs::exists(fs::symlink_status(dir / name))) << name;
    EXPECT_EQ(contents(ini), busyFile());
}

// A settings folder made new is the user's alone, with every folder made for it; a new settings
// file takes the umask as any new file does.
TEST_F(SettingsFileTest, NewFoldersAndFilesTakeTheirModes) {
    for (const mode_t mask : {mode_t(022), mode_t(077), mode_t(002)}) {
        const fs::path top = dir / ("new" + std::to_string(mask));
        const fs::path folder = top / "config" / "kazuroi";
        const mode_t old = ::umask(mask);
        const std::string why = save(folder / "kazuroi.ini");
        ::umask(old);
        ASSERT_EQ(why, "") << mask;
        struct stat st {};
        for (const fs::path& made : {top, top / "config", folder}) {
            ASSERT_EQ(::stat(made.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u) << made << " under umask " << mask;
        }
        ASSERT_EQ(::stat((folder / "kazuroi.ini").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask) << "under umask " << mask;
    }
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
