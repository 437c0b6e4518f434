// What the game logic needs from the outside world, and what a running game (RunningGame) asks of
// the front end that shows it: the Qt window, the page and the headless driver provide both. The
// logic sets Interval and Enabled on its Timer models; the running game tells the front end which
// timers tick.
#pragma once

#include <optional>
#include <string>

namespace kazuroi {

struct Control;
struct Timer;

// Where the window's position is kept in the settings store, under the keys "Left" and "Top".
inline constexpr const char* kSettingsApplication = "kazuroi";
inline constexpr const char* kSettingsSection = "Startup";

enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

class Platform {
  public:
    virtual ~Platform() = default;

    // Modal; no event of the window runs until it returns. YesNo has Yes as its default.
    virtual MessageResult messageBox(const std::string& text, const std::string& title,
                                     MessageButtons buttons) = 0;
    // Ends the program at once: no further event runs and nothing is stored.
    virtual void endProgram() = 0;

    virtual std::optional<std::string> readSetting(const std::string& application,
                                                   const std::string& section,
                                                   const std::string& key) = 0;
    virtual void writeSetting(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& value) = 0;

    virtual void seedRandomFromClock() = 0;
    // Uniform in [0, 1); never 1.0.
    virtual float random() = 0;

    virtual void setFocus(const Control& control) = 0;

    // The window's outer height in twips: client area plus title bar and border.
    virtual float outerHeight() const = 0;
};

// A front end: the platform, a screen to draw the controls on, and timers.
class FrontEnd : public Platform {
  public:
    // Control `index` (in the layout's order) is to be drawn as its model now stands.
    virtual void showControl(int index, const Control& control) = 0;
    // Timer `index` is to tick every `interval` milliseconds from now on; 0: not at all.
    virtual void runTimer(int index, const Timer& timer, int interval) = 0;
};

} // namespace kazuroi
