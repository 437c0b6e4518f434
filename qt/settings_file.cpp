// Reading and rewriting the settings file: INI text in, INI text out, and a save that either
// replaces the file whole or leaves it alone.
#include "settings_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kazuroi {

namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// One line of INI text, as far as the settings care.
struct IniLine {
    std::string section; // set for a [section] line
    std::string key;     // set for a key=value line
    std::string value;   // its raw value text
};

IniLine parseLine(const std::string& line) {
    const std::string t = trimmed(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']')
        return {t.substr(1, t.size() - 2), "", ""};
    if (t.empty() || t[0] == ';' || t[0] == '#')
        return {};
    const auto equals = t.find('=');
    if (equals == std::string::npos)
        return {};
    return {"", trimmed(t.substr(0, equals)), t.substr(equals + 1)};
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | ((code >> 12) & 0x0F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// A raw value as QSettings reads it: quoted parts keep their blanks, escapes are undone, blanks
// round an unquoted part go, and an unquoted comma separates the items of a list.
std::string unescaped(const std::string& raw) {
    std::vector<std::string> items;
    std::string item;
    std::size_t keep = 0; // the item's length up to its last quoted or non-blank character
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            keep = item.size();
        } else if (c == '\\' && i + 1 < raw.size()) {
            const char e = raw[++i];
            switch (e) {
            case 'n':
                item += '\n';
                break;
            case 'r':
                item += '\r';
                break;
            case 't':
                item += '\t';
                break;
            case 'x': {
                unsigned code = 0;
                while (i + 1 < raw.size() && hexDigit(raw[i + 1]) >= 0 && code < 0x10000)
                    code = code * 16 + unsigned(hexDigit(raw[++i]));
                appendUtf8(item, code);
                break;
            }
            default:
                item += e;
            }
            keep = item.size();
        } else if (c == ',' && !quoted) {
            items.push_back(item.substr(0, keep));
            item.clear();
            keep = 0;
        } else if ((c == ' ' || c == '\t') && !quoted && item.empty()) {
            continue;
        } else {
            item += c;
            if (quoted || (c != ' ' && c != '\t'))
                keep = item.size();
        }
    }
    items.push_back(item.substr(0, keep));
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i)
        joined += (i ? "," : "") + items[i];
    return joined;
}

// A value as QSettings writes it: quoted when blanks at its ends or a special character would
// otherwise be lost.
std::string escaped(const std::string& value) {
    bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    std::string body;
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            body += '\\';
            body += c;
        } else if (u < 0x20) {
            const char* hex = "0123456789abcdef";
            body += "\\x";
            body += hex[u >> 4];
            body += hex[u & 15];
        } else {
            quote = quote || c == ',' || c == ';' || c == '=' || c == '#';
            body += c;
        }
    }
    return quote ? "\"" + body + "\"" : body;
}

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

// Opens PATH for reading only if it is a regular file of a sane size; never blocks on a FIFO.
// Returns -1 with `why` set when there is nothing to read, -2 when there is no file at all.
int openRegular(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return -2;
        why = systemError("cannot open it");
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "it is not a regular file";
        ::close(fd);
        return -1;
    }
    if (st.st_size > SettingsFile::kMaxSize) {
        why = "it is too big";
        ::close(fd);
        return -1;
    }
    return fd;
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

} // namespace

std::optional<std::string> iniValue(const std::string& text, const std::string& section,
                                    const std::string& key) {
    std::optional<std::string> found;
    std::string current;
    for (const std::string& line : splitLines(text)) {
        const IniLine l = parseLine(line);
        if (!l.section.empty())
            current = l.section;
        else if (current == section && l.key == key)
            found = unescaped(l.value); // a later line wins, as QSettings reads it
    }
    return found;
}

std::string iniWithValues(const std::string& text, const std::string& section,
                          const SettingValues& values) {
    std::vector<std::string> lines = splitLines(text);
    std::vector<bool> done(values.size());
    std::string current;
    std::optional<std::size_t> last; // the section's last line, where missing keys go
    bool crlf = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string& line = lines[i];
        const IniLine l = parseLine(line);
        if (!l.section.empty()) {
            current = l.section;
            if (current == section)
                last = i;
            continue;
        }
        if (current != section || l.key.empty())
            continue;
        last = i;
        crlf = !line.empty() && line.back() == '\r';
        for (std::size_t v = 0; v < values.size(); ++v) {
            if (l.key != values[v].first)
                continue;
            line = values[v].first + "=" + escaped(values[v].second) + (crlf ? "\r" : "");
            done[v] = true;
        }
    }
    std::vector<std::string> added;
    if (!last) {
        if (!lines.empty() && !trimmed(lines.back()).empty())
            lines.emplace_back();
        added.push_back("[" + section + "]");
    }
    for (std::size_t v = 0; v < values.size(); ++v)
        if (!done[v])
            added.push_back(values[v].first + "=" + escaped(values[v].second) + (crlf ? "\r" : ""));
    const std::size_t at = last ? *last + 1 : lines.size();
    lines.insert(lines.begin() + std::ptrdiff_t(at), added.begin(), added.end());

    std::string result;
    for (const std::string& line : lines)
        result += line + "\n";
    return result;
}

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
        const int fd = openRegular(path_, unreadable_); // a missing file is simply empty
        if (fd >= 0) {
            unreadable_ = readAll(fd, text_);
            ::close(fd);
        }
        if (!unreadable_.empty())
            text_.clear();
    }
    return iniValue(text_, section, key);
}

std::string SettingsFile::write(const std::string& section, const SettingValues& values) {
    if (path_.empty())
        return "there is no home folder";
    if (!unreadable_.empty())
        return path_ + " could not be read (" + unreadable_ + "), so it is left alone";

    // Through a link, the file it points at is the one to replace; the link stays.
    std::string target = path_;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path_.c_str(), resolved))
            return systemError(path_ + " is a link to nothing");
        target = resolved;
    }
    const std::string folder = folderOf(target);
    if (!makeFolders(folder))
        return systemError("cannot make the folder " + folder);

    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return systemError("cannot open the folder " + folder);
    ::flock(folderFd, LOCK_EX); // another instance closing at once waits its turn

    std::string why;
    std::string old;
    mode_t mode = 0644;
    const int oldFd = openRegular(target, why);
    if (oldFd == -1) {
        ::close(folderFd);
        return target + ": " + why;
    }
    if (oldFd >= 0) {
        why = readAll(oldFd, old);
        if (::fstat(oldFd, &st) == 0)
            mode = st.st_mode & 07777;
        ::close(oldFd);
        if (!why.empty()) {
            ::close(folderFd);
            return target + ": " + why;
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const std::string text = iniWithValues(old, section, values);

    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        why = systemError("cannot create a file in " + folder);
        ::close(folderFd);
        return why;
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, text);
    if (!ok)
        why = systemError("cannot write " + temporary);
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        why = systemError("cannot flush " + temporary);
    }
    if (ok && !holds(fd, text)) {
        ok = false;
        why = temporary + " does not read back as written";
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = systemError("cannot close " + temporary);
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        why = systemError("cannot replace " + target);
    }
    if (!ok)
        ::unlink(temporary.c_str());
    else
        ::fsync(folderFd); // the rename itself lasts too
    ::close(folderFd);
    if (ok)
        text_ = text;
    return ok ? "" : why;
}

} // namespace kazuroi
