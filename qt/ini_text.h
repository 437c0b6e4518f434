// INI text as QSettings reads it, and the same text with some keys set, every other byte kept.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kazuroi {

using SettingValues = std::vector<std::pair<std::string, std::string>>;
// Every key of INI text as QSettings reads it, "Section/Key" (a key of no section alone), with
// its value as text: a list's items joined with commas.
using IniReading = std::map<std::string, std::string>;

// QSettings' reading of the file open at FD (PATH names the same file, for a system without
// /proc). It reads the very file that was opened, and reads it afresh each time.
IniReading readIni(int fd, const std::string& path);

// The INI text with these keys of one named section set: each line that holds one of them
// replaced, the missing ones added at the end of the section (or in a new section at the end),
// every other byte as it was. Lines are told apart as QSettings tells them: quotes, escapes,
// continued lines and comments included.
std::string withValuesSet(const std::string& text, const std::string& section,
                          const SettingValues& values);

// The first line of INI text that QSettings cannot read (and for which it writes nothing to the
// file): its number from 1 and its text, or nothing when QSettings reads all of it.
struct UnreadableLine {
    std::size_t number = 0;
    std::string text;
};
std::optional<UnreadableLine> firstUnreadableLine(const std::string& text);

// QSettings sets the keys in the file at PATH itself, rewriting the whole file in its own way
// (every value kept, comments and blank lines not). False when it could not.
bool setWithQSettings(const std::string& path, const std::string& section,
                      const SettingValues& values);

} // namespace kazuroi
