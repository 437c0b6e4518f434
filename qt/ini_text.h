// INI text as QSettings reads it, and the same text with some keys set, every other line kept.
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

// Nothing when QSettings could not be given the text to read: it reads only files, and no private
// copy could be written (no temporary folder, or a file-size limit).
std::optional<IniReading> readIni(const std::string& text);

// The INI text with these keys of one named section set, in `result`. Every other line stays byte
// for byte when QSettings then reads the text as meant (every other value as it was, these as
// given); else the text is as QSettings itself rewrites it. Returns why there is none, or an empty
// string.
std::string iniWithValues(const std::string& text, const std::string& section,
                          const SettingValues& values, std::string& result);

} // namespace kazuroi
