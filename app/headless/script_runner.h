// Runs a kazuroi script against a real Form1 on the headless platform and writes its transcript.
#pragma once

#include "app/form1.h"
#include "headless_platform.h"

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kazuroi {

// A line the driver cannot run; the message says what is wrong with it.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ScriptRunner {
  public:
    explicit ScriptRunner(std::ostream& out);

    // Runs every line; throws ScriptError naming the line at the first malformed one.
    void run(std::istream& script);
    // Runs one line (no line number in errors).
    void runLine(const std::string& line);

    Form1& form() { return form_; }
    HeadlessPlatform& platform() { return platform_; }
    bool finished() const { return platform_.ended() || unloaded_; }
    double now() const { return now_; }

  private:
    void deliverTick(Timer& timer);
    void resyncTimers();
    void wait(double milliseconds);
    void setValue(const std::string& name, const std::string& value);
    std::string getValue(const std::string& name);

    std::ostream& out_;
    HeadlessPlatform platform_;
    Form1 form_;
    bool loaded_ = false;
    bool unloaded_ = false;

    // The driver's clock and each timer's next tick, as `wait` delivers them.
    struct TimerClock {
        Timer* timer;
        bool ticking = false;
        std::int32_t interval = 0;
        double due = 0;
    };
    double now_ = 0;
    std::array<TimerClock, 2> clocks_;
};

// The tokens of a script line: blank-separated, double quotes around a token with blanks.
std::vector<std::string> tokenize(const std::string& line);

} // namespace kazuroi
