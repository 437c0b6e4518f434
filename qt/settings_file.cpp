// The settings file on disk: read only from a regular file, and a save that either replaces the
// file whole, with its mode and owner, or leaves it alone. Every file a save makes lies in the
// settings folder.
#include "settings_file.h"

#include "printable.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kazuroi {

namespace {

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(std::exchange(other.fd_, -1));
        return *this;
    }
    int get() const { return fd_; }
    // Closes it now, for a close that can fail.
    int close() { return fd_ < 0 ? 0 : ::close(std::exchange(fd_, -1)); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

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

// What a file held when it was read: its bytes, and its mode and owner, and the file still
// open, if it was there at all.
struct Contents {
    std::string text;
    std::optional<struct stat> status;
    Descriptor file;
};

// Reads PATH only if it is a regular file of a sane size, never blocking on a FIFO. A missing
// file reads as empty. Returns why not, or an empty string.
std::string readRegular(const std::string& path, Contents& contents) {
    contents = {};
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return errno == ENOENT ? "" : systemError("cannot open it");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return "it is not a regular file";
    if (st.st_size > SettingsFile::kMaxSize)
        return "it is over 1 MiB, which no settings file is";
    if (std::string why = readAll(fd.get(), contents.text); !why.empty())
        return why;
    contents.status = st;
    contents.file = std::move(fd);
    return "";
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

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
// a few milliseconds; a program that holds it longer is not waited for beyond WAIT.
class FolderLock {
  public:
    FolderLock(const std::string& folder, std::chrono::milliseconds wait)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_.get() < 0) {
            why_ = systemError("cannot open the folder " + folder);
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                why_ = systemError("cannot lock the folder " + folder);
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                why_ = "another program has held the folder " + folder + " locked for " +
                       std::to_string(wait.count() / 1000) + " s";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    const std::string& why() const { return why_; }
    int folder() const { return fd_.get(); }
    // The folder's own entry for a renamed file lasts too.
    void flush() const { ::fsync(fd_.get()); }

  private:
    Descriptor fd_;
    std::string why_;
};

// The new settings file, made beside the old one under the name only a save gives, and renamed
// over it once it is whole; removed if it never is. What goes wrong is told of the settings
// file: the new one is gone by the time anyone reads of it.
class NewFile {
  public:
    explicit NewFile(const std::string& target)
        : path_(target + SettingsFile::kSavingSuffix + "XXXXXX"), copy_("a new copy of " + target) {
        fd_.reset(::mkstemp(path_.data()));
        made_ = fd_.get() >= 0;
        if (!made_)
            why_ = systemError("cannot create " + copy_ + " in its folder");
    }
    ~NewFile() {
        if (made_ && !renamed_)
            ::unlink(path_.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    const std::string& why() const { return why_; }
    const std::string& path() const { return path_; }
    // What messages call it.
    const std::string& copy() const { return copy_; }
    int fd() const { return fd_.get(); }

    // Its bytes, from the start.
    std::string put(const std::string& text) {
        if (::ftruncate(fd_.get(), 0) != 0 || ::lseek(fd_.get(), 0, SEEK_SET) != 0 ||
            !writeAll(fd_.get(), text))
            return systemError("cannot write " + copy_);
        return "";
    }

    // After another writer (QSettings) put a new file in its place.
    std::string reopen() {
        fd_.reset(::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
        return fd_.get() < 0 ? systemError("cannot open " + copy_ + " again") : "";
    }

    // The mode of the old file (a new one's from the umask), its group where the user may give
    // it, and its bytes on the disk.
    std::string finish(const std::optional<struct stat>& old) {
        mode_t mode = 0;
        if (old) {
            mode = old->st_mode & 07777;
            if (old->st_gid != ::getegid() && ::fchown(fd_.get(), uid_t(-1), old->st_gid) != 0 &&
                errno != EPERM)
                return systemError("cannot give " + copy_ + " the file's group");
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(fd_.get(), mode) != 0)
            return systemError("cannot set the mode of " + copy_);
        if (::fsync(fd_.get()) != 0)
            return systemError("cannot flush " + copy_ + " to the disk");
        return "";
    }

    std::string renameOver(const std::string& target) {
        if (fd_.close() != 0)
            return systemError("cannot close " + copy_);
        if (::rename(path_.c_str(), target.c_str()) != 0)
            return systemError("cannot replace " + target);
        renamed_ = true;
        return "";
    }

  private:
    std::string path_;
    std::string copy_;
    Descriptor fd_;
    std::string why_;
    bool made_ = false;
    bool renamed_ = false;
};

std::string userName(uid_t uid) {
    const passwd* user = ::getpwuid(uid);
    return user ? std::string(user->pw_name) + " (" + std::to_string(uid) + ")"
                : "user " + std::to_string(uid);
}

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

// Why the user's settings in FOLDER/TARGET must be left as they are: a file that is not theirs,
// or that they made read-only (as some do to pin the position); a folder they cannot write in.
std::string untouchable(const std::string& target, const std::string& folder) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (st.st_uid != ::geteuid())
            return target + " belongs to " + userName(st.st_uid) + ", not to you (" +
                   userName(::geteuid()) + "), so it is left as it is";
        if (!(st.st_mode & S_IWUSR) || ::access(target.c_str(), W_OK) != 0)
            return target + " is read-only (mode " + modeText(st.st_mode) +
                   "), so it is left as it is";
    }
    if (::stat(folder.c_str(), &st) == 0 &&
        (!(st.st_mode & S_IWUSR) || ::access(folder.c_str(), W_OK) != 0))
        return "the folder " + folder + " is not writable for you (mode " + modeText(st.st_mode) +
               ")";
    return "";
}

// A save opens up to a dozen files at once (the folder, the old file and the new, and QSettings'
// own for reading and writing): when that many cannot be open, the limit is what to blame.
std::string descriptorsLeft(int needed) {
    std::vector<Descriptor> held;
    for (int i = 0; i < needed; ++i) {
        held.emplace_back(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (held.back().get() < 0)
            return systemError("too few files may be open for a save");
    }
    return "";
}

// Why QSettings could not store the keys in the new file: it could not open it, or read it.
std::string whyQSettingsFailed(const NewFile& file) {
    const Descriptor opened(::open(file.path().c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (opened.get() < 0)
        return systemError("QSettings cannot open " + file.copy());
    return "QSettings could not store the position in " + file.copy();
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

// What saves killed half-way left beside TARGET: the new files, and what QSettings made beside
// one of them (its own new file and its lock). Only while no save is running, so that another
// instance's new file is never taken from under it.
void removeLeftovers(const std::string& target) {
    const FolderLock lock(folderOf(target), std::chrono::milliseconds(0));
    if (!lock.why().empty())
        return;
    DIR* folder = ::fdopendir(::dup(lock.folder()));
    if (!folder)
        return;
    const std::string prefix = nameOf(target) + SettingsFile::kSavingSuffix;
    while (const dirent* entry = ::readdir(folder)) {
        struct stat st {};
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
            ::fstatat(lock.folder(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(lock.folder(), entry->d_name, 0);
    }
    ::closedir(folder);
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
        text_ = contents.text;
        reading_ = readIni(contents.file.get(), path_);
        if (std::string target; linkTarget(path_, target).empty())
            removeLeftovers(target);
    }
    const auto it = reading_.find(section + "/" + key);
    return it == reading_.end() ? std::nullopt : std::optional(it->second);
}

SettingsFile::Saved SettingsFile::write(const std::string& section, const SettingValues& values) {
    if (path_.empty())
        return {"there is no home folder"};
    if (!unreadable_.empty())
        return {path_ + " could not be read (" + unreadable_ + "), so it is left alone"};
    std::string target;
    if (std::string why = linkTarget(path_, target); !why.empty())
        return {why};
    const std::string folder = folderOf(target);
    if (!makeFolders(folder))
        return {systemError("cannot make the folder " + folder)};
    if (std::string why = untouchable(target, folder); !why.empty())
        return {why};
    if (std::string why = descriptorsLeft(12); !why.empty())
        return {why};
    const FolderLock lock(folder, std::chrono::milliseconds(kLockWaitMs));
    if (!lock.why().empty())
        return {lock.why()};

    Contents old;
    if (std::string why = readRegular(target, old); !why.empty())
        return {target + ": " + why};
    // What QSettings reads in the file now, with our keys as given: unless another program has
    // changed the file since it was read, that reading is at hand.
    IniReading meant = loaded_ && old.text == text_ ? reading_ : readIni(old.file.get(), target);
    for (const auto& [key, value] : values)
        meant[section + "/" + key] = value;

    NewFile file(target);
    if (!file.why().empty())
        return {file.why()};
    const std::string text = withValuesSet(old.text, section, values);
    if (std::string why = file.put(text); !why.empty())
        return {why};
    if (!holds(file.fd(), text))
        return {file.copy() + " does not read back as written"};
    bool rewritten = false;
    if (readIni(file.fd(), file.path()) != meant) {
        // Lines QSettings does not read as they look: it writes the file itself, from the old,
        // unless it finds a line it cannot read at all.
        if (const auto bad = firstUnreadableLine(old.text))
            return {"QSettings cannot read line " + std::to_string(bad->number) + " of " + target +
                    " ('" + printable(bad->text.substr(0, 80)) +
                    "'), so it stores nothing there, and the file is left as it is"};
        if (std::string why = file.put(old.text); !why.empty())
            return {why};
        if (!setWithQSettings(file.path(), section, values))
            return {whyQSettingsFailed(file)};
        if (std::string why = file.reopen(); !why.empty())
            return {why};
        if (readIni(file.fd(), file.path()) != meant)
            return {"the new settings would not read back as written, so " + target +
                    " is left alone"};
        rewritten = true;
    }
    if (std::string why = file.finish(old.status); !why.empty())
        return {why};
    if (std::string why = file.renameOver(target); !why.empty())
        return {why};
    lock.flush();
    loaded_ = false; // a later read takes the file as it now is
    return {"", rewritten};
}

} // namespace kazuroi
