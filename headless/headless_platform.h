// The platform without a screen: answers and random values come from a queue, output is text.
#pragma once

#include "game/platform.h"
#include "game/random_source.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

namespace kazuroi {

// "..." with \" \\ \r \n escaped, as the transcript shows texts.
std::string quoted(const std::string& text);

class HeadlessPlatform : public Platform {
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
    void setFocus(const Control& control) override;
    float outerHeight() const override { return kOuterHeight; }

    void setSeed(std::uint32_t seed);
    void queueRandom(float value) { random_.queue(value); }
    void queueAnswer(MessageResult answer) { answers_.push_back(answer); }
    bool ended() const { return ended_; }
    const Control* focus() const { return focus_; }

  private:
    std::function<void(const std::string&)> print_;
    std::uint32_t seed_ = 1;
    RandomSource random_;
    std::deque<MessageResult> answers_;
    std::map<std::string, std::string> settings_;
    bool ended_ = false;
    const Control* focus_ = nullptr;
};

} // namespace kazuroi
