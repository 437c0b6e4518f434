// The platform in a browser: modal <dialog> boxes the logic waits on, localStorage for the
// settings, a clock-seeded generator, focus and program end on the page.
#pragma once

#include "game/platform.h"
#include "game/random_source.h"

#include <functional>

namespace kazuroi {

class WebPlatform : public Platform {
  public:
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

    bool ended() const { return ended_; }
    // Brings the page in line with the model: before a box, so that it shows what led to it,
    // and before a focus move, since the logic enables a button just before it focuses it.
    void setShowModel(std::function<void()> showModel) { showModel_ = std::move(showModel); }

  private:
    std::function<void()> showModel_;
    RandomSource random_;
    bool ended_ = false;
};

} // namespace kazuroi
