// INI text: what QSettings reads in it, and our own keys set with every other byte kept as the
// file had it.
#include "ini_text.h"

#include <QSettings>
#include <QStringList>

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>

namespace kazuroi {

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

// Where the text proper begins: after a byte-order mark, which QSettings skips.
std::size_t afterByteOrderMark(const std::string& text) {
    return text.rfind(kByteOrderMark, 0) == 0 ? kByteOrderMark.size() : 0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One line as QSettings reads it: a line end inside quotes or after a backslash does not end
// it, and a comment (a line that starts with ';') is no line at all and continues nothing.
struct LogicalLine {
    std::size_t begin = 0, end = 0;
    std::optional<std::size_t> equals; // its first '=' outside quotes
};

std::optional<LogicalLine> nextLine(const std::string& text, std::size_t& at) {
    const std::size_t size = text.size();
    std::size_t start = at;
    while (start < size && isBlank(text[start]))
        ++start;
    std::optional<std::size_t> equals;
    bool quoted = false;
    std::size_t i = start;
    while (i < size) {
        const char c = text[i++];
        if (c == '=') {
            if (!quoted && !equals)
                equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (!quoted) {
                --i;
                break;
            }
        } else if (c == '\\') {
            // Escapes the next character; a line end of two characters is escaped whole.
            if (i < size) {
                const char next = text[i++];
                if (i < size &&
                    ((next == '\n' && text[i] == '\r') || (next == '\r' && text[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < size && text[i] != '\n' && text[i] != '\r')
                    ++i;
                while (i < size && isBlank(text[i]))
                    ++i;
                start = i;
            } else if (!quoted) {
                --i;
                break;
            }
        }
    }
    at = i;
    if (i == start)
        return std::nullopt;
    return LogicalLine{start, i, equals};
}

// Blanks as QSettings trims a name: the C locale's white space.
std::string trimmed(const std::string& s) {
    const char* blanks = " \t\n\v\f\r";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::optional<unsigned> hexValue(const std::string& digits) {
    unsigned value = 0;
    for (const char c : digits) {
        const int d = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
        if (d < 0)
            return std::nullopt;
        value = value * 16 + unsigned(d);
    }
    return value;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// A section or key name as QSettings names it: a backslash is a slash, %XX and %UXXXX are the
// characters they stand for.
std::string unescapedName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] == '\\') {
            out += '/';
            ++i;
            continue;
        }
        if (name[i] != '%' || i + 1 == name.size()) {
            out += name[i++];
            continue;
        }
        const bool wide = name[i + 1] == 'U';
        const std::size_t first = i + (wide ? 2 : 1);
        const std::size_t digits = wide ? 4 : 2;
        const std::optional<unsigned> code =
            first + digits <= name.size() ? hexValue(name.substr(first, digits)) : std::nullopt;
        if (!code) {
            out += name[i++];
            continue;
        }
        appendUtf8(out, *code);
        i = first + digits;
    }
    return out;
}

bool sameLetters(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return i == a.size() && !b[i];
}

// The section a line that starts with '[' begins: up to the first ']', General being none.
std::string sectionName(const std::string& line) {
    const std::size_t close = line.find(']');
    const std::string name =
        trimmed(line.substr(1, close == std::string::npos ? close : close - 1));
    if (sameLetters(name, "general"))
        return "";
    if (sameLetters(name, "%general"))
        return name.substr(1);
    return unescapedName(name);
}

// The text cut where QSettings ends a line at a line end: each piece holds at most one line
// that means something to QSettings, with everything that continues it.
struct Record {
    std::size_t begin = 0, end = 0;     // its bytes, its line end included
    std::string ending;                 // "\r\n", "\n", "\r", or none at the end of the text
    std::optional<std::string> section; // the section it begins
    std::optional<std::string> key;     // the key it holds, "Section/Key" (General's alone)
    std::string inSection;              // the section it lies in
};

std::vector<Record> recordsOf(const std::string& text, std::size_t from) {
    std::vector<LogicalLine> lines;
    for (std::size_t at = from; auto line = nextLine(text, at);)
        lines.push_back(*line);

    std::vector<Record> records;
    std::size_t begin = from, next = 0;
    for (std::size_t p = from; p < text.size();) {
        if (next < lines.size() && lines[next].begin <= p) {
            p = lines[next++].end; // a line end inside a line ends nothing
            continue;
        }
        if (text[p] != '\n' && text[p] != '\r') {
            ++p;
            continue;
        }
        const std::size_t size = text.compare(p, 2, "\r\n") == 0 ? 2 : 1;
        records.push_back({begin, p + size, text.substr(p, size), {}, {}, {}});
        p += size;
        begin = p;
    }
    if (begin < text.size())
        records.push_back({begin, text.size(), "", {}, {}, {}});

    std::string current;
    std::size_t r = 0;
    for (const LogicalLine& line : lines) {
        while (records[r].end <= line.begin)
            records[++r].inSection = current;
        Record& record = records[r];
        const std::string content = text.substr(line.begin, line.end - line.begin);
        if (content[0] == '[') {
            current = sectionName(content);
            record.section = current;
        } else if (line.equals) {
            const std::string key =
                unescapedName(trimmed(content.substr(0, *line.equals - line.begin)));
            record.key = current.empty() ? key : current + "/" + key;
        }
        record.inSection = current;
    }
    for (++r; r < records.size(); ++r)
        records[r].inSection = current;
    return records;
}

// A value as QSettings writes a text: quoted where blanks at its ends or a special character
// would otherwise be lost, a leading @ doubled so that it is not read as a type.
std::string escaped(const std::string& value) {
    bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    std::string body = value.rfind('@', 0) == 0 ? "@" : "";
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

std::string keyLine(const std::string& name, const std::string& value, const std::string& ending) {
    return name + "=" + escaped(value) + ending;
}

// QSettings keeps what it read of a file under the file's name, and reads the file again only
// when its size or its time stamp (to the millisecond) has changed: a file replaced at once by
// another of as many bytes would read as the first. So each reading goes through a name of its
// own: the descriptor of the file already open, copied to a number above the last one used.
class FreshName {
  public:
    FreshName(int fd, const std::string& path) : name_(path) {
        static int next = 3;
        if (::access("/proc/self/fd", X_OK) != 0)
            return;
        copy_ = ::fcntl(fd, F_DUPFD_CLOEXEC, next);
        if (copy_ < 0 && (errno == EINVAL || errno == EMFILE))
            copy_ = ::fcntl(fd, F_DUPFD_CLOEXEC, next = 3); // past the limit: round again
        if (copy_ < 0)
            return;
        next = copy_ + 1;
        name_ = "/proc/self/fd/" + std::to_string(copy_);
    }
    ~FreshName() {
        if (copy_ >= 0)
            ::close(copy_);
    }
    FreshName(const FreshName&) = delete;
    FreshName& operator=(const FreshName&) = delete;

    QString name() const { return QString::fromStdString(name_); }

  private:
    std::string name_;
    int copy_ = -1;
};

} // namespace

IniReading readIni(int fd, const std::string& path) {
    IniReading reading;
    if (fd < 0)
        return reading;
    const FreshName name(fd, path);
    const QSettings settings(name.name(), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        const QString shown = value.typeId() == QMetaType::QStringList
                                  ? value.toStringList().join(u',')
                                  : value.toString();
        reading[key.toStdString()] = shown.toStdString();
    }
    return reading;
}

std::string withValuesSet(const std::string& text, const std::string& section,
                          const SettingValues& values) {
    const std::size_t from = afterByteOrderMark(text);
    const std::vector<Record> records = recordsOf(text, from);
    std::vector<bool> present(values.size());
    std::optional<std::size_t> last; // the section's last line that means something
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (records[r].inSection == section && (records[r].section || records[r].key))
            last = r;
        for (std::size_t v = 0; v < values.size(); ++v)
            present[v] = present[v] || records[r].key == section + "/" + values[v].first;
    }
    std::string style = "\n"; // new lines end as the file's first line does
    for (const Record& record : records)
        if (!record.ending.empty()) {
            style = record.ending;
            break;
        }
    std::string missing;
    for (std::size_t v = 0; v < values.size(); ++v)
        if (!present[v])
            missing += keyLine(values[v].first, values[v].second, style);

    std::string out = text.substr(0, from);
    for (std::size_t r = 0; r < records.size(); ++r) {
        const Record& record = records[r];
        std::optional<std::size_t> ours;
        for (std::size_t v = 0; v < values.size(); ++v)
            if (record.key == section + "/" + values[v].first)
                ours = v;
        // Outside its section (in General, as "Section\Key") a key is written where it was.
        const auto name = [&](const std::string& key) {
            return record.inSection == section ? key : section + "\\" + key;
        };
        out += ours ? keyLine(name(values[*ours].first), values[*ours].second, record.ending)
                    : text.substr(record.begin, record.end - record.begin);
        // A line that runs to the end of the text (escaped line end included) is ended first.
        if (last == r && !missing.empty())
            out += (record.ending.empty() ? style : "") + missing;
    }
    if (last || missing.empty())
        return out;
    if (!records.empty()) {
        const Record& end = records.back();
        if (end.ending.empty())
            out += style;
        if (!trimmed(text.substr(end.begin, end.end - end.begin)).empty())
            out += style; // a blank line before the new section
    }
    return out + "[" + section + "]" + style + missing;
}

namespace {

// Whether QSettings reads TEXT without a format error: the text is put in a file of memory alone.
bool readsWhole(const std::string& text) {
    const int fd = ::memfd_create("kazuroi-ini", MFD_CLOEXEC);
    if (fd < 0)
        return true; // nothing to tell by
    bool whole = true;
    if (::write(fd, text.data(), text.size()) == ssize_t(text.size())) {
        const FreshName name(fd, "");
        const QSettings settings(name.name(), QSettings::IniFormat);
        settings.allKeys(); // a section's lines are read only when asked for
        whole = settings.status() != QSettings::FormatError;
    }
    ::close(fd);
    return whole;
}

} // namespace

std::optional<UnreadableLine> firstUnreadableLine(const std::string& text) {
    if (readsWhole(text))
        return std::nullopt;
    // Once QSettings finds a line it cannot read it reads none after it, so the first such line
    // ends the shortest run of whole lines from the top that it cannot read.
    const std::size_t from = afterByteOrderMark(text);
    const std::vector<Record> records = recordsOf(text, from);
    if (records.empty())
        return std::nullopt;
    std::size_t low = 0, high = records.size() - 1;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (readsWhole(text.substr(0, records[middle].end)))
            low = middle + 1;
        else
            high = middle;
    }
    const Record& bad = records[low];
    std::size_t number = 1;
    for (std::size_t i = 0; i < bad.begin; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++number;
    std::string line = text.substr(bad.begin, bad.end - bad.begin - bad.ending.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back(); // an open quote runs to the end of the text
    return UnreadableLine{number, line};
}

bool setWithQSettings(const std::string& path, const std::string& section,
                      const SettingValues& values) {
    QSettings settings(QString::fromStdString(path), QSettings::IniFormat);
    settings.beginGroup(QString::fromStdString(section));
    for (const auto& [key, value] : values)
        settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace kazuroi
