// The game in a browser: Form1 on the web platform, its controls shown by the page, and the page's
// events delivered to it. Every entry point may open a box, so the page calls each one
// asynchronously and never two at once.
#include "game/form1.h"
#include "web_platform.h"

#include <emscripten/emscripten.h>

#include <functional>
#include <optional>
#include <vector>

namespace kazuroi {
namespace {

// The JavaScript inside these is not C++.
// clang-format off
EM_JS(void, pageCreateControl,
      (int index, const char* name, int type, int container, int look, int alignment,
       const char* font, double points, int tabIndex, int events),
      {
          KazuroiPage.createControl(index, UTF8ToString(name), type, container, look, alignment,
                                    UTF8ToString(font), points, tabIndex, events);
      });
EM_JS(void, pageShowControl,
      (int index, int left, int top, int width, int height, const char* caption, int enabled,
       int visible, int back, int fore),
      {
          KazuroiPage.showControl(index, left, top, width, height, UTF8ToString(caption),
                                  enabled != 0, visible != 0, back, fore);
      });
EM_JS(void, pageSyncTimer, (int timer, int interval), { KazuroiPage.syncTimer(timer, interval); });
EM_JS(void, pagePlaceWindow, (int left, int top), { KazuroiPage.placeWindow(left, top); });
EM_JS(int, pageWindowLeft, (), { return KazuroiPage.windowLeft(); });
EM_JS(int, pageWindowTop, (), { return KazuroiPage.windowTop(); });
EM_JS(void, pageShowWindow, (const char* caption),
      { KazuroiPage.showWindow(UTF8ToString(caption)); });
// Which ring marks which number button, and which shape is the time bar's track: what a screen
// reader is told of them.
EM_JS(void, pageMarkWith, (int button, int ring), { KazuroiPage.markWith(button, ring); });
EM_JS(void, pageMeter, (int bar, int track), { KazuroiPage.meter(bar, track); });
// clang-format on

PixelPoint windowPlace() {
    return {pageWindowLeft(), pageWindowTop()};
}

// What the page shows of a control, so that only what changed is sent to it.
struct Shown {
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption;
    bool enabled = false, visible = false;
    Colour back = 0, fore = 0;
    bool sent = false;
};

struct Game {
    WebPlatform platform;
    Form1 form{platform};
    std::vector<Shown> shown;
    std::array<int, 2> timerIntervals{-1, -1};
    bool started = false;

    int indexOf(const Control* control) const {
        const auto& controls = form.controls();
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i] == control)
                return int(i);
        return -1;
    }

    void createControls() {
        const auto& controls = form.controls();
        shown.resize(controls.size());
        for (std::size_t i = 0; i < controls.size(); ++i) {
            Control& c = *controls[i];
            // 1: the control answers MouseDown (any mouse button), 2: it answers Click.
            const int events = (form.mouseDownHandler(c) ? 1 : 0) | (form.clickHandler(c) ? 2 : 0);
            pageCreateControl(int(i), c.Name.c_str(), int(c.Type), indexOf(c.Container),
                              int(c.Look), int(c.Alignment), c.Font.Name.c_str(), c.Font.Size,
                              c.TabIndex, events);
        }
        for (int i = 0; i < kSlots; ++i)
            pageMarkWith(indexOf(&form.cmd数字[i]), indexOf(&form.shp選択印[i]));
        pageMeter(indexOf(&form.shp制限時間残り), indexOf(&form.shp制限時間表示枠));
    }

    // Brings the page in line with the model, as the desktop window does after every event. It
    // runs after every batch of ticks, so an unchanged control costs a comparison and no copy.
    void showModel() {
        const auto& controls = form.controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control& c = *controls[i];
            Shown& s = shown[i];
            const PixelRect r = pixelRect(c);
            if (s.sent && s.left == r.left && s.top == r.top && s.width == r.width &&
                s.height == r.height && s.caption == c.Caption && s.enabled == c.Enabled &&
                s.visible == c.Visible && s.back == c.BackColor && s.fore == c.ForeColor)
                continue;
            s = {r.left,    r.top,     r.width,     r.height,    c.Caption,
                 c.Enabled, c.Visible, c.BackColor, c.ForeColor, true};
            pageShowControl(int(i), r.left, r.top, r.width, r.height, c.Caption.c_str(), c.Enabled,
                            c.Visible, c.BackColor, c.ForeColor);
        }
        const auto timers = form.timers();
        for (std::size_t t = 0; t < timers.size(); ++t) {
            const int interval = timers[t]->ticking() ? timers[t]->Interval : 0;
            if (interval != timerIntervals[t])
                pageSyncTimer(int(t), interval);
            timerIntervals[t] = interval;
        }
    }

    void dispatch(const std::function<void()>& handler) {
        if (!started || platform.ended() || !handler)
            return;
        handler();
        if (!platform.ended())
            showModel();
    }
};

// The program, made afresh for each game the page starts.
std::optional<Game> program;

Game& game() {
    if (!program)
        program.emplace();
    return *program;
}

} // namespace
} // namespace kazuroi

using kazuroi::game;

extern "C" {

// Builds the page's controls, runs the Load handler (with its start-up box) and shows the window
// where the model placed it, kept inside the page.
EMSCRIPTEN_KEEPALIVE void kazuroi_start() {
    auto& g = game();
    g.platform.setShowModel([&g] { g.showModel(); });
    g.createControls();
    g.showModel();
    g.form.Form_Load();
    if (g.platform.ended())
        return;
    g.started = true;
    g.showModel();
    const kazuroi::PixelPoint stored{kazuroi::toPixels(g.form.Left), kazuroi::toPixels(g.form.Top)};
    kazuroi::pagePlaceWindow(stored.x, stored.y);
    // Where the window really is is what closing the page should store.
    if (const kazuroi::PixelPoint at = kazuroi::windowPlace(); at != stored)
        g.form.placeAt(at);
    kazuroi::pageShowWindow(g.form.Caption.c_str());
}

// A new game once the last has ended: the program starts again from nothing, its start-up box
// first, in the page's emptied window.
EMSCRIPTEN_KEEPALIVE void kazuroi_restart() {
    if (!kazuroi::program || !kazuroi::program->platform.ended())
        return;
    kazuroi::program.reset();
    kazuroi_start();
}

EMSCRIPTEN_KEEPALIVE void kazuroi_mouse_down(int index) {
    auto& g = game();
    const auto& controls = g.form.controls();
    if (index >= 0 && std::size_t(index) < controls.size() && g.form.takesInput(*controls[index]))
        g.dispatch(g.form.mouseDownHandler(*controls[index]));
}

EMSCRIPTEN_KEEPALIVE void kazuroi_click(int index) {
    auto& g = game();
    const auto& controls = g.form.controls();
    if (index >= 0 && std::size_t(index) < controls.size() && g.form.takesInput(*controls[index]))
        g.dispatch(g.form.clickHandler(*controls[index]));
}

// The ticks of one timer that fell due since the page last woke: each runs only while the timer
// still ticks and the game goes on, and the page is brought in line once, after them.
EMSCRIPTEN_KEEPALIVE void kazuroi_ticks(int timer, int count) {
    auto& g = game();
    const auto timers = g.form.timers();
    if (timer < 0 || std::size_t(timer) >= timers.size())
        return;
    kazuroi::Timer& t = *timers[timer];
    const auto tick = g.form.timerHandler(t);
    g.dispatch([&] {
        for (int i = 0; i < count && t.ticking() && !g.platform.ended(); ++i)
            tick();
    });
}

// The page is being closed: as the player closing the window, the position is stored, the place
// the player dragged the window to if moved.
EMSCRIPTEN_KEEPALIVE void kazuroi_unload(int moved) {
    auto& g = game();
    if (!g.started || g.platform.ended())
        return;
    g.form.closeByPlayer(moved ? std::optional(kazuroi::windowPlace()) : std::nullopt);
    g.started = false;
}
}
