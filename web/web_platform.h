// The front end in a browser: the page (web/page.js) draws the controls and runs the timers,
// modal <dialog> boxes the logic waits on, localStorage for the settings and the game in play.
#pragma once

#include "game/controls.h"
#include "game/platform.h"
#include "game/random_source.h"

#include <string>
#include <vector>

namespace kazuroi {

class WebPlatform : public FrontEnd {
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
    void showControl(int index, const Control& control) override;
    void runTimer(int index, const Timer& timer, int interval) override;

  private:
    // What the page shows of a control, in its pixels: only a change there is sent to it.
    struct Shown {
        int left = 0, top = 0, width = 0, height = 0;
        std::string caption;
        bool enabled = false, visible = false;
        Colour back = 0, fore = 0;
        bool sent = false;
    };
    std::vector<Shown> shown_;
    RandomSource random_;
};

} // namespace kazuroi
