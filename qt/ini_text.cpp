// INI text: what QSettings reads in it, and our own keys set with every other line kept as the
// file had it, checked by QSettings reading the result.
#include "ini_text.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

namespace kazuroi {

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

// One line as QSettings takes it: a line that ends in a lone backslash goes on in the next.
struct Line {
    std::size_t begin = 0, end = 0; // its bytes in the text, line ends included
    std::string content;            // without line ends or continuation, or a byte-order mark
    std::string ending;             // the last line end: "\r\n", "\n", "\r" or none
};

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    Line line;
    std::size_t i = text.rfind(kByteOrderMark, 0) == 0 ? kByteOrderMark.size() : 0;
    while (i < text.size()) {
        const std::size_t stop = std::min(text.find_first_of("\r\n", i), text.size());
        std::string piece = text.substr(i, stop - i);
        const std::size_t endingSize = stop == text.size()                  ? 0
                                       : text.compare(stop, 2, "\r\n") == 0 ? 2
                                                                            : 1;
        i = stop + endingSize;
        const std::size_t backslashes =
            piece.size() - std::min(piece.size(), piece.find_last_not_of('\\') + 1);
        if (backslashes % 2 == 1 && endingSize > 0) {
            line.content += piece.substr(0, piece.size() - 1);
            continue;
        }
        line.content += piece;
        line.ending = text.substr(stop, endingSize);
        line.end = i;
        lines.push_back(line);
        line = Line{};
        line.begin = i;
    }
    return lines;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
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

// A section or key name with its %XX escapes undone, as QSettings names it.
std::string unescapedName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 2 < name.size() && hexDigit(name[i + 1]) >= 0 &&
            hexDigit(name[i + 2]) >= 0) {
            out += char(hexDigit(name[i + 1]) * 16 + hexDigit(name[i + 2]));
            i += 2;
        } else {
            out += name[i];
        }
    }
    return out;
}

// What a line is to QSettings: a section's start, a key's line, or neither.
struct Meaning {
    std::optional<std::string> section;
    std::optional<std::string> key;
};

Meaning meaningOf(const std::string& content) {
    const std::string t = trimmed(content);
    if (!t.empty() && t[0] == '[') {
        const std::size_t close = t.find(']');
        return {
            unescapedName(trimmed(t.substr(1, close == std::string::npos ? t.npos : close - 1))),
            std::nullopt};
    }
    const std::size_t equals = t.find('=');
    if (t.empty() || t[0] == ';' || equals == std::string::npos)
        return {};
    return {std::nullopt, unescapedName(trimmed(t.substr(0, equals)))};
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

// The lines of the section's keys we set, each as QSettings would write it.
std::string keyLine(const std::pair<std::string, std::string>& value, const std::string& ending) {
    return value.first + "=" + escaped(value.second) + ending;
}

// Where our keys go in the text: the lines that hold them, and the section's last line.
struct Places {
    std::vector<std::optional<std::size_t>> value; // per line: which of our keys it holds
    std::vector<bool> present;                     // per key: the section holds it
    std::optional<std::size_t> last;               // the section's last line
};

Places placesOf(const std::vector<Line>& lines, const std::string& section,
                const SettingValues& values) {
    Places places{std::vector<std::optional<std::size_t>>(lines.size()),
                  std::vector<bool>(values.size()), std::nullopt};
    std::string current; // before any section, QSettings' own "General"
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const Meaning meaning = meaningOf(lines[n].content);
        if (meaning.section)
            current = *meaning.section;
        if (current != section || !(meaning.section || meaning.key))
            continue;
        places.last = n;
        for (std::size_t v = 0; v < values.size(); ++v)
            if (meaning.key == values[v].first) {
                places.value[n] = v;
                places.present[v] = true;
            }
    }
    return places;
}

// Our keys set in place wherever the section has them, the missing ones after the section's last
// line (in a new section at the end when there is none), every other byte as it was.
std::string edited(const std::string& text, const std::string& section,
                   const SettingValues& values) {
    const std::vector<Line> lines = splitLines(text);
    const Places places = placesOf(lines, section, values);
    std::string style = "\n"; // new lines end as the file's first line does
    for (const Line& line : lines)
        if (!line.ending.empty()) {
            style = line.ending;
            break;
        }
    std::string missing;
    for (std::size_t v = 0; v < values.size(); ++v)
        if (!places.present[v])
            missing += keyLine(values[v], style);

    std::string out;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const Line& line = lines[n]; // the first, with any byte-order mark, is no section's key
        if (const auto v = places.value[n])
            out += keyLine(values[*v], line.ending);
        else
            out += text.substr(line.begin, line.end - line.begin);
        if (places.last == n && !missing.empty())
            out += (line.ending.empty() ? style : "") + missing;
    }
    if (places.last || missing.empty())
        return out;
    if (!lines.empty() && lines.back().ending.empty())
        out += style;
    if (!lines.empty() && !trimmed(lines.back().content).empty())
        out += style; // a blank line before the new section
    return out + "[" + section + "]" + style + missing;
}

// QSettings reads and writes files only: the text goes to a file of a private folder.
class PrivateCopy {
  public:
    explicit PrivateCopy(const std::string& text) : path_(folder_.filePath("copy.ini")) {
        QFile file(path_);
        ok_ = folder_.isValid() && file.open(QIODevice::WriteOnly) &&
              file.write(text.data(), qint64(text.size())) == qint64(text.size()) && file.flush();
    }
    bool ok() const { return ok_; }
    const QString& path() const { return path_; }
    std::optional<std::string> text() const {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll().toStdString();
    }

  private:
    QTemporaryDir folder_;
    QString path_;
    bool ok_ = false;
};

// The text as QSettings itself writes it with our keys set: every other line it keeps as it
// read it, though not as it was written.
std::optional<std::string> rewrittenByQSettings(const std::string& text, const std::string& section,
                                                const SettingValues& values) {
    PrivateCopy copy(text);
    if (!copy.ok())
        return std::nullopt;
    {
        QSettings settings(copy.path(), QSettings::IniFormat);
        settings.beginGroup(QString::fromStdString(section));
        for (const auto& [key, value] : values)
            settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return std::nullopt;
    }
    return copy.text();
}

} // namespace

std::optional<IniReading> readIni(const std::string& text) {
    const PrivateCopy copy(text);
    if (!copy.ok())
        return std::nullopt;
    const QSettings settings(copy.path(), QSettings::IniFormat);
    IniReading reading;
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        const QString shown = value.typeId() == QMetaType::QStringList
                                  ? value.toStringList().join(u',')
                                  : value.toString();
        reading[key.toStdString()] = shown.toStdString();
    }
    return reading;
}

std::string iniWithValues(const std::string& text, const std::string& section,
                          const SettingValues& values, std::string& result) {
    std::optional<IniReading> meant = readIni(text);
    if (!meant)
        return "there is no private copy to check the new settings in";
    for (const auto& [key, value] : values)
        (*meant)[section + "/" + key] = value;
    if (std::string ours = edited(text, section, values); readIni(ours) == meant) {
        result = ours;
        return "";
    }
    if (auto theirs = rewrittenByQSettings(text, section, values);
        theirs && readIni(*theirs) == meant) {
        result = *theirs;
        return "";
    }
    return "the new settings would not read back as written";
}

} // namespace kazuroi
