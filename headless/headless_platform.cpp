// The headless front end used by the script driver and the tests.
#include "headless_platform.h"

#include "game/controls.h"

namespace kazuroi {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

HeadlessPlatform::HeadlessPlatform(std::function<void(const std::string&)> print)
    : print_(std::move(print)) {
    random_.seed(seed_);
}

MessageResult HeadlessPlatform::messageBox(const std::string& text, const std::string& title,
                                           MessageButtons buttons) {
    std::string line = "msgbox " + quoted(title) + " " + quoted(text);
    if (buttons == MessageButtons::Ok) {
        print_(line + " OK");
        return MessageResult::Ok;
    }
    MessageResult answer = MessageResult::Yes;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    print_(line + " YesNo -> " + (answer == MessageResult::Yes ? "Yes" : "No"));
    return answer;
}

void HeadlessPlatform::endProgram() {
    print_("end");
}

static std::string settingKey(const std::string& application, const std::string& section,
                              const std::string& key) {
    return application + "/" + section + "/" + key;
}

std::optional<std::string> HeadlessPlatform::readSetting(const std::string& application,
                                                         const std::string& section,
                                                         const std::string& key) {
    const auto it = settings_.find(settingKey(application, section, key));
    if (it == settings_.end())
        return std::nullopt;
    return it->second;
}

void HeadlessPlatform::writeSetting(const std::string& application, const std::string& section,
                                    const std::string& key, const std::string& value) {
    settings_[settingKey(application, section, key)] = value;
}

void HeadlessPlatform::setSeed(std::uint32_t seed) {
    seed_ = seed;
    random_.seed(seed);
}

// A script must replay exactly, so the "clock" seed is the script's own.
void HeadlessPlatform::seedRandomFromClock() {
    random_.seed(seed_);
}

float HeadlessPlatform::random() {
    return random_.next();
}

} // namespace kazuroi

namespace kazuroi {

// A timer that starts, stops or changes its interval starts its interval afresh from now.
void HeadlessPlatform::runTimer(int index, const Timer&, int interval) {
    if (index < 0 || std::size_t(index) >= timers_.size())
        return;
    timers_[std::size_t(index)] = {interval, now_ + interval};
}

std::optional<int> HeadlessPlatform::nextTick(double until) {
    std::optional<int> next;
    for (std::size_t i = 0; i < timers_.size(); ++i)
        if (timers_[i].interval > 0 && timers_[i].due <= until &&
            (!next || timers_[i].due < timers_[std::size_t(*next)].due))
            next = int(i);
    if (next) {
        now_ = timers_[std::size_t(*next)].due;
        ticked(*next);
    }
    return next;
}

void HeadlessPlatform::ticked(int index) {
    if (index >= 0 && std::size_t(index) < timers_.size())
        timers_[std::size_t(index)].due = now_ + timers_[std::size_t(index)].interval;
}

} // namespace kazuroi
