// The platform on a real desktop: Qt message boxes, QSettings, a clock-seeded generator.
#pragma once

#include "app/platform.h"
#include "app/random_source.h"

namespace kazuroi {

class MainWindow;

class QtPlatform : public Platform {
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

    // While a box is open or after the program has ended, the window handles no event.
    bool holdsEvents() const { return modalDepth_ > 0 || ended_; }
    bool ended() const { return ended_; }

  private:
    MainWindow* window_ = nullptr;
    RandomSource random_;
    int modalDepth_ = 0;
    bool ended_ = false;
};

} // namespace kazuroi
