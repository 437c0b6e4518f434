// The platform's calls, each answered by the page (web/page.js) through Emscripten.
#include "web_platform.h"

#include "game/controls.h"

#include <emscripten/emscripten.h>

#include <cstdlib>

namespace kazuroi {

namespace {

// The JavaScript inside these is not C++.
// clang-format off
// A box waits for the player's answer; with Asyncify the logic's call stands still meanwhile.
EM_ASYNC_JS(int, pageMessageBox, (const char* text, const char* title, int yesNo), {
    return await KazuroiPage.messageBox(UTF8ToString(text), UTF8ToString(title), yesNo != 0);
});

EM_JS(void, pageEndProgram, (), { KazuroiPage.endProgram(); });

// A string the page allocated with malloc, or 0.
EM_JS(char*, pageReadSetting, (const char* key), {
    const value = KazuroiPage.readSetting(UTF8ToString(key));
    if (value === null)
        return 0;
    const size = lengthBytesUTF8(value) + 1;
    const text = _malloc(size);
    stringToUTF8(value, text, size);
    return text;
});

EM_JS(void, pageWriteSetting, (const char* key, const char* value),
      { KazuroiPage.writeSetting(UTF8ToString(key), UTF8ToString(value)); });

EM_JS(double, pageSeed, (), { return KazuroiPage.seed(); });
EM_JS(double, pageQueuedRandom, (), { return KazuroiPage.queuedRandom(); });
EM_JS(void, pageFocus, (const char* name), { KazuroiPage.focus(UTF8ToString(name)); });
EM_JS(int, pageOuterHeight, (), { return KazuroiPage.outerHeight(); });
// clang-format on

std::string storageKey(const std::string& application, const std::string& section,
                       const std::string& key) {
    return application + "/" + section + "/" + key;
}

} // namespace

MessageResult WebPlatform::messageBox(const std::string& text, const std::string& title,
                                      MessageButtons buttons) {
    if (ended_)
        return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
    if (showModel_)
        showModel_();
    const bool yesNo = buttons == MessageButtons::YesNo;
    const int yes = pageMessageBox(text.c_str(), title.c_str(), yesNo);
    if (!yesNo)
        return MessageResult::Ok;
    return yes ? MessageResult::Yes : MessageResult::No;
}

void WebPlatform::endProgram() {
    if (!ended_)
        pageEndProgram();
    ended_ = true;
}

std::optional<std::string> WebPlatform::readSetting(const std::string& application,
                                                    const std::string& section,
                                                    const std::string& key) {
    char* value = pageReadSetting(storageKey(application, section, key).c_str());
    if (!value)
        return std::nullopt;
    std::string text = value;
    std::free(value);
    return text;
}

void WebPlatform::writeSetting(const std::string& application, const std::string& section,
                               const std::string& key, const std::string& value) {
    if (!ended_)
        pageWriteSetting(storageKey(application, section, key).c_str(), value.c_str());
}

// The page's clock, unless a test asks for a seed of its own so that a game replays exactly.
void WebPlatform::seedRandomFromClock() {
    random_.seed(static_cast<std::uint32_t>(pageSeed()));
    for (double value = pageQueuedRandom(); value >= 0; value = pageQueuedRandom())
        random_.queue(float(value));
}

void WebPlatform::setFocus(const Control& control) {
    if (showModel_)
        showModel_();
    pageFocus(control.Name.c_str());
}

float WebPlatform::outerHeight() const {
    return toTwips(pageOuterHeight());
}

} // namespace kazuroi
