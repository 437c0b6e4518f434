// The platform on a real desktop: Qt message boxes, the settings file, a clock-seeded generator.
#pragma once

#include "game/platform.h"
#include "game/random_source.h"
#include "settings_file.h"

#include <map>
#include <set>

namespace kazuroi {

class MainWindow;

class QtPlatform : public FrontEnd {
  public:
    void setWindow(MainWindow* window) { window_ = window; }

    MessageResult messageBox(const std::string& text, const std::string& title,
                             MessageButtons buttons) override;
    void endProgram() override;
    std::optional<std::string> readSetting(const std::string& application,
                                           const std::string& section,
                                           const std::string& key) override;
    void writeSetting(const std::string& application, const std::string& section,
                      const std::string& key, const std::string& value) override;
    void seedRandomFromClock() override;
    float random() override { return random_.next(); }
    void setFocus(const Control& control) override;
    float outerHeight() const override;
    void showControl(int index, const Control& control) override;
    void runTimer(int index, const Timer& timer, int interval) override;

    // Stores what the Unload handler wrote, all in one rewrite of each settings file.
    void commitSettings();

  private:
    SettingsFile& store(const std::string& application);

    MainWindow* window_ = nullptr;
    std::map<std::string, SettingsFile> stores_;
    // application -> section -> the keys and values waiting to be stored
    std::map<std::string, std::map<std::string, SettingValues>> unsaved_;
    std::set<std::string> told_; // the applications whose file was said to be unreadable
    RandomSource random_;
};

} // namespace kazuroi
