// What the game logic needs from the outside world; the Qt window and the headless driver provide
// it. Timers are not here: the logic sets Interval and Enabled on its Timer models, and each front
// end reads them back after every event it delivers and ticks them accordingly.
#pragma once

#include <optional>
#include <string>

namespace kazuroi {

struct Control;

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

} // namespace kazuroi
