// The per-user settings store on disk: one INI file, read and written as QSettings' INI format has
// it, replaced only by a complete and verified new version.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kazuroi {

using SettingValues = std::vector<std::pair<std::string, std::string>>;

// The value of section/key in INI text: quotes and escapes undone, a list joined with commas.
std::optional<std::string> iniValue(const std::string& text, const std::string& section,
                                    const std::string& key);
// The INI text with these keys of one section set, every other line kept byte for byte.
std::string iniWithValues(const std::string& text, const std::string& section,
                          const SettingValues& values);

class SettingsFile {
  public:
    // $XDG_CONFIG_HOME/APPLICATION/APPLICATION.ini, with ~/.config when XDG_CONFIG_HOME is unset
    // or not an absolute path (a relative one must be ignored); empty without a home folder.
    static std::string pathFor(const std::string& application);

    // A file bigger than this is neither read nor rewritten.
    static constexpr long long kMaxSize = 256LL << 20;

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    // The file is read on the first call only. Nothing is read from anything but a regular file
    // (a FIFO would block, a device never ends), and then nothing is written either.
    std::optional<std::string> read(const std::string& section, const std::string& key);

    // Sets the keys in one rewrite: the new file is written beside the old, flushed and checked,
    // then renamed over it, so the old file stays exactly as it was unless the new one is whole.
    // Returns an empty string on success, or why nothing was written.
    std::string write(const std::string& section, const SettingValues& values);

  private:
    std::string path_;
    bool loaded_ = false;
    std::string unreadable_; // why the file could not be read, if it could not
    std::string text_;
};

} // namespace kazuroi
