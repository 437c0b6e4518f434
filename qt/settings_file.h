// The per-user settings store on disk: one INI file, read as QSettings reads it, and replaced only
// by a complete new version that QSettings reads back as meant.
#pragma once

#include "ini_text.h"

#include <optional>
#include <string>

namespace kazuroi {

class SettingsFile {
  public:
    // $XDG_CONFIG_HOME/APPLICATION/APPLICATION.ini, with ~/.config when XDG_CONFIG_HOME is unset
    // or not an absolute path (a relative one must be ignored); empty without a home folder.
    static std::string pathFor(const std::string& application);

    // A file bigger than this is neither read nor rewritten.
    static constexpr long long kMaxSize = 16LL << 20;
    // How long a save waits for another program that holds the settings folder locked.
    static constexpr int kLockWaitMs = 2000;

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    // The file is read on the first call only. Nothing is read from anything but a regular file
    // (a FIFO would block, a device never ends), and then nothing is written either.
    std::optional<std::string> read(const std::string& section, const std::string& key);

    // Sets the keys in one rewrite: the new file is written beside the old with the old one's
    // mode and owner, flushed and checked, then renamed over it, so the old file stays exactly as
    // it was unless the new one is whole. Returns an empty string on success, or why nothing was
    // written.
    std::string write(const std::string& section, const SettingValues& values);

  private:
    std::string path_;
    bool loaded_ = false;
    std::string unreadable_; // why the file could not be read, if it could not
    IniReading reading_;
};

} // namespace kazuroi
