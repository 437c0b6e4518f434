// A running game between the rules and a front end: it delivers input and ticks as the window's
// events, tells the front end what to draw and which timers tick, holds the clock while the
// player is away, and writes the game as text and reads it back.
#pragma once

#include "form1.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kazuroi {

class RunningGame : private Platform {
  public:
    explicit RunningGame(FrontEnd& frontEnd);
    RunningGame(const RunningGame&) = delete;
    RunningGame& operator=(const RunningGame&) = delete;

    // The window's controls and timers in the layout's order; a front end knows them by index.
    const std::vector<Control*>& controls() const { return form_->controls(); }
    std::array<Timer*, 2> timers() { return form_->timers(); }
    int indexOf(const Control& control) const;
    bool answersMouseDown(int index);
    bool answersClick(int index);

    // The window itself: its caption, its client area in pixels and its place.
    const std::string& caption() const { return form_->Caption; }
    int clientWidth() const { return toPixels(form_->ScaleWidth); }
    int clientHeight() const { return toPixels(form_->ScaleHeight); }
    PixelPoint place() const { return {toPixels(form_->Left), toPixels(form_->Top)}; }
    // Where the window really stands, when the front end could not put it at place().
    void placeAt(PixelPoint at) { form_->placeAt(at); }

    // The game starts with its Load handler (the start-up box), or from a saved game instead: a
    // text that is not one this build wrote whole is refused with the reason, nothing changed.
    void load();
    std::optional<std::string> restore(std::string_view saved);
    // The game as text, between events; nothing while a box is open, before the start or once
    // the game is over.
    std::optional<std::string> save() const;
    // Every control and timer told to the front end again, and where the focus is, as after
    // building its screen.
    void showAll();

    // Input and ticks, each one event of the window: nothing reaches the rules while a box is
    // open, once the game is over, or for a control that takes no input. True when delivered.
    bool mouseDown(int index);
    bool click(int index);
    // Up to `count` ticks that fell due, each while the timer still ticks.
    void tick(int timer, int count = 1);
    // Any other change of the game as one event (a script's set-up).
    void runEvent(const std::function<void()>& event);
    // What changed outside an event, told to the front end.
    void showChanges() { sync(); }

    // The clock held while the player is away: no timer ticks; resumed, each runs on afresh.
    void pause();
    void resume();
    bool paused() const { return paused_; }

    // The player closes the window (moved to `movedTo` if it was): the Unload handler stores its
    // place, and no event follows.
    void close(std::optional<PixelPoint> movedTo = std::nullopt);
    // The place stored as closing stores it, while the game goes on (a page left that may come
    // back).
    void storePlace(std::optional<PixelPoint> movedTo = std::nullopt);
    // Ended from outside with a box open: at once, storing nothing.
    void end() { endProgram(); }

    // How far the player got: the last stage played (cleared, or with so many right answers in
    // it), whether redo was ever pressed, and whether the Extra Stage was cleared.
    struct Progress {
        std::string stage;
        int solved = 0;
        bool cleared = false;
        bool redoUsed = false;
        bool mastered = false;
    };
    Progress progress() const;

    bool started() const { return started_; }
    bool boxOpen() const { return boxes_ > 0; }
    bool ended() const { return ended_; }
    bool closed() const { return closed_; }
    // The control the game last gave the keyboard focus.
    const Control* focus() const { return focus_; }

    // The rules themselves, for the script driver and the tests.
    Form1& form() { return *form_; }
    const Form1& form() const { return *form_; }

  private:
    // The platform as the rules see it: each call goes on to the front end, which first shows
    // what led to a box or a focus move.
    MessageResult messageBox(const std::string& text, const std::string& title,
                             MessageButtons buttons) override;
    void endProgram() override;
    std::optional<std::string> readSetting(const std::string& application,
                                           const std::string& section,
                                           const std::string& key) override;
    void writeSetting(const std::string& application, const std::string& section,
                      const std::string& key, const std::string& value) override;
    void seedRandomFromClock() override { frontEnd_.seedRandomFromClock(); }
    float random() override { return frontEnd_.random(); }
    void setFocus(const Control& control) override;
    float outerHeight() const override { return frontEnd_.outerHeight(); }

    bool takesEvents() const { return started_ && boxes_ == 0 && !ended_ && !closed_; }
    // Tells the front end each control and timer that changed since it last heard.
    void sync();
    int tickingInterval(const Timer& timer) const;
    // Reads a saved game into the rules; the reason when it is refused.
    std::optional<std::string> read(std::string_view saved);

    // A control as the front end was last told of it.
    struct Shown {
        float left = 0, top = 0, width = 0, height = 0;
        std::string caption;
        bool enabled = false, visible = false;
        Colour back = 0, fore = 0;
        bool told = false;
    };

    FrontEnd& frontEnd_;
    std::optional<Form1> form_; // made anew when a saved game is refused half-way
    std::vector<Shown> shown_;
    std::array<int, 2> timersShown_{};
    const Control* focus_ = nullptr;
    int boxes_ = 0;
    bool started_ = false;
    bool ended_ = false;
    bool closed_ = false;
    bool paused_ = false;
};

} // namespace kazuroi
