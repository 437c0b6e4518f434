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
EM_JS(void, pageShowControl,
      (int index, int left, int top, int width, int height, const char* caption, int enabled,
       int visible, int back, int fore),
      {
          KazuroiPage.showControl(index, left, top, width, height, UTF8ToString(caption),
                                  enabled != 0, visible != 0, back, fore);
      });
EM_JS(void, pageSyncTimer, (int timer, int interval, int clock),
      { KazuroiPage.syncTimer(timer, interval, clock != 0); });
// clang-format on

std::string storageKey(const std::string& application, const std::string& section,
                       const std::string& key) {
    return application + "/" + section + "/" + key;
}

} // namespace

MessageResult WebPlatform::messageBox(const std::string& text, const std::string& title,
                                      MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    const int yes = pageMessageBox(text.c_str(), title.c_str(), yesNo);
    if (!yesNo)
        return MessageResult::Ok;
    return yes ? MessageResult::Yes : MessageResult::No;
}

void WebPlatform::endProgram() {
    pageEndProgram();
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
    pageWriteSetting(storageKey(application, section, key).c_str(), value.c_str());
}

// The page's clock, unless a test asks for a seed of its own so that a game replays exactly.
void WebPlatform::seedRandomFromClock() {
    random_.seed(static_cast<std::uint32_t>(pageSeed()));
    for (double value = pageQueuedRandom(); value >= 0; value = pageQueuedRandom())
        random_.queue(float(value));
}

void WebPlatform::setFocus(const Control& control) {
    pageFocus(control.Name.c_str());
}

float WebPlatform::outerHeight() const {
    return toTwips(pageOuterHeight());
}

} // namespace kazuroi

namespace kazuroi {

// After every batch of ticks the bar has moved a twip or so, seldom a whole pixel: the page
// hears of a control only when what it draws changes.
void WebPlatform::showControl(int index, const Control& c) {
    if (std::size_t(index) >= shown_.size())
        shown_.resize(std::size_t(index) + 1);
    Shown& s = shown_[std::size_t(index)];
    const PixelRect r = pixelRect(c);
    if (s.sent && s.left == r.left && s.top == r.top && s.width == r.width &&
        s.height == r.height && s.caption == c.Caption && s.enabled == c.Enabled &&
        s.visible == c.Visible && s.back == c.BackColor && s.fore == c.ForeColor)
        return;
    s = {r.left,    r.top,     r.width,     r.height,    c.Caption,
         c.Enabled, c.Visible, c.BackColor, c.ForeColor, true};
    pageShowControl(index, r.left, r.top, r.width, r.height, c.Caption.c_str(), c.Enabled,
                    c.Visible, c.BackColor, c.ForeColor);
}

void WebPlatform::runTimer(int index, const Timer& timer, int interval) {
    pageSyncTimer(index, interval, timer.Clock);
}

} // namespace kazuroi
