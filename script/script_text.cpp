// Reading script lines and their tokens, and the driver's value forms.
#include "script_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace kazuroi {

int LineReader::get() {
    if (stream_) {
        const auto c = stream_->rdbuf()->sbumpc();
        return c == std::istream::traits_type::eof() ? EOF : int(c);
    }
    return std::getc(file_);
}

bool LineReader::failed() const {
    return stream_ ? stream_->bad() : std::ferror(file_) != 0;
}

LineReader::Result LineReader::next(std::string& line) {
    line.clear();
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    const bool first = std::exchange(first_, false);
    for (;;) {
        const int c = get();
        if (c == EOF) {
            if (failed())
                return Result::Failed;
            return line.empty() ? Result::End : Result::Line;
        }
        if (c == '\n')
            return Result::Line;
        if (line.size() == kMaxLine)
            return Result::TooLong;
        line.push_back(char(c));
        if (first && line == kByteOrderMark)
            line.clear();
    }
}

std::vector<std::string> tokenize(const std::string& line, std::string* command) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    std::size_t end = 0; // just past the last token
    const auto blank = [&](std::size_t at) {
        return line[at] == ' ' || line[at] == '\t' || line[at] == '\r';
    };
    while (i < line.size()) {
        if (blank(i)) {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        std::string token;
        if (line[i] != '"') {
            while (i < line.size() && !blank(i))
                token += line[i++];
            tokens.push_back(token);
            end = i;
            continue;
        }
        ++i;
        bool closed = false;
        while (i < line.size()) {
            const char c = line[i++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c == '\\' && i < line.size()) {
                const char e = line[i++];
                token += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
            } else {
                token += c;
            }
        }
        if (!closed)
            throw ScriptError("unterminated quoted text");
        tokens.push_back("\"" + token);
        end = i;
    }
    if (command && !tokens.empty()) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        *command = line.substr(start, end - start);
    }
    return tokens;
}

bool isQuoted(const std::string& token) {
    return !token.empty() && token[0] == '"';
}

std::string unquoted(const std::string& token) {
    return isQuoted(token) ? token.substr(1) : token;
}

template <typename T> std::optional<T> parseInteger(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}
template std::optional<int> parseInteger<int>(const std::string&);
template std::optional<long> parseInteger<long>(const std::string&);
template std::optional<std::int16_t> parseInteger<std::int16_t>(const std::string&);
template std::optional<std::uint32_t> parseInteger<std::uint32_t>(const std::string&);

std::optional<double> parseDecimal(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string colourText(std::int32_t colour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(colour));
    return buffer;
}

} // namespace kazuroi
