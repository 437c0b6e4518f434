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

    // A file bigger than this cannot be settings: it is neither read nor rewritten.
    static constexpr long long kMaxSize = 1LL << 20;
    // How long a save waits for another program that holds the settings folder locked.
    static constexpr int kLockWaitMs = 2000;
    // The new file of a save is made beside the settings file under its name and this, which
    // nothing else makes there: what a save killed half-way leaves is known by it.
    static constexpr const char* kSavingSuffix = ".saving-";

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The file is read on the first call only, and then what a killed save left beside it is
    // removed. Nothing is read from anything but a regular file (a FIFO would block, a device
    // never ends), and then nothing is written either.
    std::optional<std::string> read(const std::string& section, const std::string& key);
    // Why the file could not be read (and so will not be written), once read; else empty.
    const std::string& unreadable() const { return unreadable_; }

    struct Saved {
        std::string failure; // why nothing was written; empty when the save was made
        // QSettings had to write the file in its own way: the values are kept, but not the
        // comments, blank lines or order of the lines the game does not own.
        bool rewrittenByQSettings = false;
    };
    // Sets the keys in one rewrite: the new file is written beside the old with the old one's
    // mode and group, flushed and checked, then renamed over it, so the old file stays exactly
    // as it was unless the new one is whole. A file the user has made read-only, or that is not
    // the user's own, or in a folder the user cannot write, is never replaced, nor one that
    // QSettings cannot read; the failure names the cause.
    Saved write(const std::string& section, const SettingValues& values);

  private:
    std::string path_;
    bool loaded_ = false;
    std::string unreadable_; // why the file could not be read, if it could not
    std::string text_;       // the file as it was read
    IniReading reading_;     // and as QSettings read it
};

} // namespace kazuroi
