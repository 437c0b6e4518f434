// The headless platform used by the script driver and the tests.
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
    if (!ended_)
        print_("end");
    ended_ = true;
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
    if (!ended_)
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

void HeadlessPlatform::setFocus(const Control& control) {
    focus_ = &control;
}

} // namespace kazuroi
