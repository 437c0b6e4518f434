// The front end without a screen: answers and random values come from a queue, output is text,
// and the timers run on a clock that moves only when told.
#pragma once

#include "game/platform.h"
#include "game/random_source.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace kazuroi {

// "..." with \" \\ \r \n escaped, as the transcript shows texts.
std::string quoted(const std::string& text);

class HeadlessPlatform : public FrontEnd {
  public:
    // The outer window of the headless build: client 7395 plus 435 of title bar and border.
    static constexpr float kOuterHeight = 7830;

    explicit HeadlessPlatform(std::function<void(const std::string&)> print);

    MessageResult messageBox(const std::string& text, const std::string& title,
                             MessageButtons buttons) override;
    void endProgram() override;
    std::optional<std::string> readSetting(const std::string& application,
                                           const std::string& section,
                                           const std::string& key) override;
    void writeSetting(const std::string& application, const std::string& section,
                      const std::string& key, const std::string& value) override;
    void seedRandomFromClock() override;
    float random() override;
    void setFocus(const Control&) override {}
    float outerHeight() const override { return kOuterHeight; }
    void showControl(int, const Control&) override {}
    void runTimer(int index, const Timer& timer, int interval) override;

    // The clock, in milliseconds from the start.
    double now() const { return now_; }
    // The timer whose tick falls due first, no later than `until`, with the clock moved to it and
    // its next tick set; none when no tick falls due by then.
    std::optional<int> nextTick(double until);
    void moveClockTo(double time) { now_ = time; }
    // A tick delivered out of turn: the timer's next comes a whole interval from now.
    void ticked(int index);

    void setSeed(std::uint32_t seed);
    void queueRandom(float value) { random_.queue(value); }
    void queueAnswer(MessageResult answer) { answers_.push_back(answer); }

  private:
    std::function<void(const std::string&)> print_;
    std::uint32_t seed_ = 1;
    RandomSource random_;
    std::deque<MessageResult> answers_;
    std::map<std::string, std::string> settings_;

    struct TimerClock {
        int interval = 0; // 0: not ticking
        double due = 0;
    };
    std::array<TimerClock, 2> timers_{};
    double now_ = 0;
};

} // namespace kazuroi
