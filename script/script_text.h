// Script text: lines read with a length limit, their tokens, and the value forms of the driver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kazuroi {

// A line the driver cannot run; the message says what is wrong with it.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Lines from a stream or a C file, without their line feeds. A line longer than the limit is an
// error rather than a reason to allocate without bound.
class LineReader {
  public:
    static constexpr std::size_t kMaxLine = std::size_t(1) << 20; // 1 MiB

    enum class Result { Line, End, TooLong, Failed };

    explicit LineReader(std::istream& in) : stream_(&in) {}
    explicit LineReader(std::FILE* file) : file_(file) {}

    Result next(std::string& line);

  private:
    int get();
    bool failed() const;

    std::istream* stream_ = nullptr;
    std::FILE* file_ = nullptr;
    bool first_ = true; // a UTF-8 byte-order mark before the first line is no part of it
};

// The tokens of a script line: blank-separated, double quotes around a token with blanks. A quoted
// token keeps a leading '"' so that it can be told from a bare one.
// When `command` is given, it receives the line without its comment and surrounding blanks.
std::vector<std::string> tokenize(const std::string& line, std::string* command = nullptr);
bool isQuoted(const std::string& token);
std::string unquoted(const std::string& token);

// A whole token as a number; nothing else may follow it.
template <typename T> std::optional<T> parseInteger(const std::string& text);
std::optional<double> parseDecimal(const std::string& text);

// 0x and eight upper-case hex digits.
std::string colourText(std::int32_t colour);

} // namespace kazuroi
