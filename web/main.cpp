// The game in a browser: a running game on the web front end, its controls shown by the page, the
// page's events delivered to it, and the game in play kept in the page's storage after each one.
// Every entry point may open a box, so the page calls each one asynchronously and never two at
// once.
#include "game/running_game.h"
#include "web_platform.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <optional>
#include <string>

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
EM_JS(void, pagePlaceWindow, (int left, int top), { KazuroiPage.placeWindow(left, top); });
EM_JS(int, pageWindowLeft, (), { return KazuroiPage.windowLeft(); });
EM_JS(int, pageWindowTop, (), { return KazuroiPage.windowTop(); });
EM_JS(void, pageShowWindow, (const char* caption, int restored),
      { KazuroiPage.showWindow(UTF8ToString(caption), restored != 0); });
// Which ring marks which number button, and which shape is a meter's track: what a screen
// reader is told of them.
EM_JS(void, pageMarkWith, (int button, int ring), { KazuroiPage.markWith(button, ring); });
EM_JS(void, pageMeter, (int bar, int track), { KazuroiPage.meter(bar, track); });
// The game in play, as the page keeps it: a string the page allocated with malloc, or 0.
EM_JS(char*, pageStoredGame, (), {
    const text = KazuroiPage.storedGame();
    if (text === null)
        return 0;
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
EM_JS(void, pageStoreGame, (const char* text), { KazuroiPage.storeGame(UTF8ToString(text)); });
EM_JS(void, pageDropGame, (const char* why), { KazuroiPage.dropGame(UTF8ToString(why)); });
// How far the player got, for the page's end of the game.
EM_JS(void, pageGameOver, (const char* stage, int solved, int cleared, int redoUsed, int mastered), {
    KazuroiPage.gameOver(UTF8ToString(stage), solved, cleared != 0, redoUsed != 0, mastered != 0);
});
// clang-format on

PixelPoint windowPlace() {
    return {pageWindowLeft(), pageWindowTop()};
}

struct Program {
    WebPlatform platform;
    RunningGame game{platform};
    std::string stored; // the game as the page last kept it
    bool over = false;

    int indexOf(const Control* control) const { return control ? game.indexOf(*control) : -1; }

    void createControls() {
        const auto& controls = game.controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control& c = *controls[i];
            // 1: the control answers MouseDown (any mouse button), 2: it answers Click.
            const int events =
                (game.answersMouseDown(int(i)) ? 1 : 0) | (game.answersClick(int(i)) ? 2 : 0);
            pageCreateControl(int(i), c.Name.c_str(), int(c.Type), indexOf(c.Container),
                              int(c.Look), int(c.Alignment), c.Font.Name.c_str(), c.Font.Size,
                              c.TabIndex, events);
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i]->Marks)
                pageMarkWith(indexOf(controls[i]->Marks), int(i));
            if (controls[i]->Track)
                pageMeter(int(i), indexOf(controls[i]->Track));
        }
    }

    // After every event the page keeps the game as it now stands, so that a reload, or a page the
    // browser closed, takes it up again. With a box open there is nothing new to keep; once the
    // game is over the page says how far the player got.
    void keep() {
        if (game.ended() && !over) {
            over = true;
            const auto p = game.progress();
            pageGameOver(p.stage.c_str(), p.solved, p.cleared, p.redoUsed, p.mastered);
        }
        const auto text = game.save();
        if (!text || *text == stored)
            return;
        stored = *text;
        pageStoreGame(stored.c_str());
    }
};

// The program, made afresh for each game the page starts.
std::optional<Program> program;

Program& current() {
    if (!program)
        program.emplace();
    return *program;
}

// The game the page kept, if it is one this build reads whole; a damaged one goes, said why in
// the console.
bool restoreKept(Program& p) {
    char* kept = pageStoredGame();
    if (!kept)
        return false;
    const std::string text = kept;
    std::free(kept);
    if (const auto why = p.game.restore(text)) {
        pageDropGame(why->c_str());
        return false;
    }
    p.stored = text;
    return true;
}

} // namespace
} // namespace kazuroi

using kazuroi::current;

extern "C" {

// Builds the page's controls, then starts the game: the one the page kept, shown as it stood
// with its clock held until the player takes it up, or a new one from the Load handler and its
// start-up box. The window then shows where the model placed it, kept inside the page.
EMSCRIPTEN_KEEPALIVE void kazuroi_start() {
    auto& p = current();
    p.createControls();
    p.game.showAll();
    const bool restored = kazuroi::restoreKept(p);
    if (restored)
        p.game.pause();
    else
        p.game.load();
    if (p.game.ended())
        return;
    const kazuroi::PixelPoint stored = p.game.place();
    kazuroi::pagePlaceWindow(stored.x, stored.y);
    // Where the window really is is what closing the page should store.
    if (const kazuroi::PixelPoint at = kazuroi::windowPlace(); at != stored)
        p.game.placeAt(at);
    kazuroi::pageShowWindow(p.game.caption().c_str(), restored);
    if (restored)
        p.game.showAll(); // the focus back where the game had put it
    p.keep();
}

// A new game: the program starts again from nothing, its start-up box first, in the page's
// emptied window.
EMSCRIPTEN_KEEPALIVE void kazuroi_restart() {
    kazuroi::program.reset();
    kazuroi_start();
}

EMSCRIPTEN_KEEPALIVE void kazuroi_mouse_down(int index) {
    current().game.mouseDown(index);
    current().keep();
}

EMSCRIPTEN_KEEPALIVE void kazuroi_click(int index) {
    current().game.click(index);
    current().keep();
}

// The ticks of one timer that fell due since the page last woke.
EMSCRIPTEN_KEEPALIVE void kazuroi_ticks(int timer, int count) {
    current().game.tick(timer, count);
    current().keep();
}

// The clock held while the page is out of sight, and let go when it is back.
EMSCRIPTEN_KEEPALIVE void kazuroi_pause() {
    current().game.pause();
}

EMSCRIPTEN_KEEPALIVE void kazuroi_resume() {
    current().game.resume();
}

// The page is being left: as the player closing the window, the position is stored (the place
// the player dragged the window to, if moved), and the game is kept, for the page may come back.
EMSCRIPTEN_KEEPALIVE void kazuroi_leave(int moved) {
    auto& p = current();
    p.game.storePlace(moved ? std::optional(kazuroi::windowPlace()) : std::nullopt);
    p.keep();
}
}
