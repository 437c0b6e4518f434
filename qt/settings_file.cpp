// The settings file on disk: read only from a regular file, and a save that either replaces the
// file whole, with its mode and owner, or leaves it alone.
#include "settings_file.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kazuroi {

namespace {

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// A whole file's bytes from an open descriptor, or why not.
std::string readAll(int fd, std::string& text) {
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemError("cannot read it");
        if (n == 0)
            return "";
        text.append(buffer, std::size_t(n));
    }
}

// What a file held when it was read: its bytes, and its mode and owner if it was there at all.
struct Contents {
    std::string text;
    std::optional<struct stat> status;
};

// Reads PATH only if it is a regular file of a sane size, never blocking on a FIFO. A missing
// file reads as empty. Returns why not, or an empty string.
std::string readRegular(const std::string& path, Contents& contents) {
    contents = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? "" : systemError("cannot open it");
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        why = "it is not a regular file";
    else if (st.st_size > SettingsFile::kMaxSize)
        why = "it is too big";
    else
        why = readAll(fd, contents.text);
    ::close(fd);
    if (why.empty())
        contents.status = st;
    return why;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

// True when the file behind FD holds exactly TEXT.
bool holds(int fd, const std::string& text) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size != static_cast<off_t>(text.size()))
        return false;
    char buffer[65536];
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || std::memcmp(buffer, text.data() + at, std::size_t(n)) != 0)
            return false;
        at += std::size_t(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Creates every missing folder of PATH's folder, as the XDG rules ask, private to the user.
bool makeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (folder == "/" || folder == ".")
        return false;
    if (!makeFolders(folderOf(folder)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The settings folder held for one save. Another instance saving at the same moment holds it for
// a few milliseconds; a program that holds it longer is not waited for.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder) {
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) {
            why_ = systemError("cannot open the folder " + folder);
            return;
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(SettingsFile::kLockWaitMs);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                why_ = systemError("cannot lock the folder " + folder);
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                why_ = "another program has held the folder " + folder + " locked for " +
                       std::to_string(SettingsFile::kLockWaitMs / 1000) + " s";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    const std::string& why() const { return why_; }
    // The folder's own entry for a renamed file lasts too.
    void flush() const { ::fsync(fd_); }

  private:
    int fd_ = -1;
    std::string why_;
};

// Fills a new file with TEXT, as the old file was: its mode (a new file's from the umask), and
// its owner where the user may give it (root saving another user's file). Returns why not.
std::string fill(int fd, const std::string& name, const std::string& text,
                 const std::optional<struct stat>& old) {
    mode_t mode = 0;
    if (old) {
        mode = old->st_mode & 07777;
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0 && errno != EPERM)
            return systemError("cannot give " + name + " the file's owner");
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, text))
        return systemError("cannot write " + name);
    if (::fsync(fd) != 0)
        return systemError("cannot flush " + name);
    if (!holds(fd, text))
        return name + " does not read back as written";
    return "";
}

// Writes TEXT beside TARGET and renames it over TARGET, or removes it again. Returns why not.
std::string replace(const std::string& target, const std::string& text,
                    const std::optional<struct stat>& old) {
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return systemError("cannot create a file in " + folderOf(target));
    std::string why = fill(fd, temporary, text, old);
    if (::close(fd) != 0 && why.empty())
        why = systemError("cannot close " + temporary);
    if (why.empty() && ::rename(temporary.c_str(), target.c_str()) != 0)
        why = systemError("cannot replace " + target);
    if (!why.empty())
        ::unlink(temporary.c_str());
    return why;
}

// Through a link, the file it points at is the one to replace; the link stays.
std::string linkTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return "";
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return systemError(path + " is a link to nothing");
    target = resolved;
    return "";
}

} // namespace

std::string SettingsFile::pathFor(const std::string& application) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || home[0] != '/')
            return "";
        base = std::string(home) + "/.config";
    }
    return base + "/" + application + "/" + application + ".ini";
}

std::optional<std::string> SettingsFile::read(const std::string& section, const std::string& key) {
    if (!loaded_ && !path_.empty()) {
        loaded_ = true;
        Contents contents;
        unreadable_ = readRegular(path_, contents);
        const std::optional<IniReading> reading =
            unreadable_.empty() ? readIni(contents.text) : std::nullopt;
        if (unreadable_.empty() && !reading)
            unreadable_ = "no private copy of it could be made for QSettings to read";
        reading_ = reading.value_or(IniReading{});
    }
    const auto it = reading_.find(section + "/" + key);
    return it == reading_.end() ? std::nullopt : std::optional(it->second);
}

std::string SettingsFile::write(const std::string& section, const SettingValues& values) {
    if (path_.empty())
        return "there is no home folder";
    if (!unreadable_.empty())
        return path_ + " could not be read (" + unreadable_ + "), so it is left alone";
    std::string target;
    if (std::string why = linkTarget(path_, target); !why.empty())
        return why;
    const std::string folder = folderOf(target);
    if (!makeFolders(folder))
        return systemError("cannot make the folder " + folder);
    const FolderLock lock(folder);
    if (!lock.why().empty())
        return lock.why();

    Contents old;
    if (std::string why = readRegular(target, old); !why.empty())
        return target + ": " + why;
    std::string text;
    if (std::string why = iniWithValues(old.text, section, values, text); !why.empty())
        return why + ", so " + target + " is left alone";
    if (std::string why = replace(target, text, old.status); !why.empty())
        return why;
    lock.flush();
    loaded_ = false; // a later read takes the file as it now is, with no parse at every close
    return "";
}

} // namespace kazuroi
