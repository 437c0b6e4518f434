// The loop every front end shares: an event reaches the rules only while the window takes events,
// and after it the front end hears what it must draw anew and which timers tick.
#include "running_game.h"

#include <algorithm>

namespace kazuroi {

RunningGame::RunningGame(FrontEnd& frontEnd) : frontEnd_(frontEnd) {
    form_.emplace(static_cast<Platform&>(*this));
    shown_.resize(form_->controls().size());
}

int RunningGame::indexOf(const Control& control) const {
    const auto& all = controls();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == &control)
            return int(i);
    return -1;
}

bool RunningGame::answersMouseDown(int index) {
    return index >= 0 && std::size_t(index) < controls().size() &&
           bool(form_->mouseDownHandler(*controls()[std::size_t(index)]));
}

bool RunningGame::answersClick(int index) {
    return index >= 0 && std::size_t(index) < controls().size() &&
           bool(form_->clickHandler(*controls()[std::size_t(index)]));
}

void RunningGame::load() {
    if (started_)
        return;
    form_->Form_Load(); // no event reaches the rules before it has returned
    started_ = true;
    sync();
}

void RunningGame::showAll() {
    for (Shown& s : shown_)
        s.told = false;
    timersShown_.fill(-1);
    sync();
    if (focus_)
        frontEnd_.setFocus(*focus_);
}

void RunningGame::runEvent(const std::function<void()>& event) {
    if (!takesEvents())
        return;
    event();
    sync();
}

bool RunningGame::mouseDown(int index) {
    if (!takesEvents() || !answersMouseDown(index))
        return false;
    const Control& control = *controls()[std::size_t(index)];
    if (!form_->takesInput(control))
        return false;
    runEvent(form_->mouseDownHandler(control));
    return true;
}

bool RunningGame::click(int index) {
    if (!takesEvents() || !answersClick(index))
        return false;
    const Control& control = *controls()[std::size_t(index)];
    if (!form_->takesInput(control))
        return false;
    runEvent(form_->clickHandler(control));
    return true;
}

void RunningGame::tick(int timer, int count) {
    const auto all = timers();
    if (timer < 0 || std::size_t(timer) >= all.size() || paused_)
        return;
    Timer& t = *all[std::size_t(timer)];
    const auto handler = form_->timerHandler(t);
    runEvent([&] {
        for (int i = 0; i < count && t.ticking() && !ended_; ++i)
            handler();
    });
}

// A stage cleared moves StageIndex on at once (to 6 after the Extra Stage), the answers of the
// stage it left still counted; the Extra Stage starts at 19 right answers.
RunningGame::Progress RunningGame::progress() const {
    const Form1& f = *form_;
    Progress p;
    p.cleared = f.SolvedCount >= kQuestionsPerStage;
    const int stage =
        std::clamp(p.cleared ? f.StageIndex - 1 : int(f.StageIndex), 0, int(kExtraStage));
    p.stage = f.StageRecords[std::size_t(stage)].Name;
    p.solved = f.SolvedCount - (stage == kExtraStage ? kQuestionsPerStage - 1 : 0);
    p.redoUsed = f.NoRedoUsed == kFalse;
    p.mastered = p.cleared && stage == kExtraStage;
    return p;
}

void RunningGame::pause() {
    paused_ = true;
    sync();
}

void RunningGame::resume() {
    paused_ = false;
    sync();
}

void RunningGame::close(std::optional<PixelPoint> movedTo) {
    if (!takesEvents())
        return;
    form_->closeByPlayer(movedTo);
    closed_ = true;
    sync();
}

void RunningGame::storePlace(std::optional<PixelPoint> movedTo) {
    if (takesEvents())
        form_->closeByPlayer(movedTo);
}

int RunningGame::tickingInterval(const Timer& timer) const {
    const bool runs = started_ && !ended_ && !closed_ && !paused_ && timer.ticking();
    return runs ? timer.Interval : 0;
}

void RunningGame::sync() {
    const auto& all = controls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Control& c = *all[i];
        Shown& s = shown_[i];
        if (s.told && s.left == c.Left && s.top == c.Top && s.width == c.Width &&
            s.height == c.Height && s.caption == c.Caption && s.enabled == c.Enabled &&
            s.visible == c.Visible && s.back == c.BackColor && s.fore == c.ForeColor)
            continue;
        s = {c.Left,    c.Top,     c.Width,     c.Height,    c.Caption,
             c.Enabled, c.Visible, c.BackColor, c.ForeColor, true};
        frontEnd_.showControl(int(i), c);
    }
    const auto timers = form_->timers();
    for (std::size_t t = 0; t < timers.size(); ++t) {
        const int interval = tickingInterval(*timers[t]);
        if (interval != timersShown_[t]) {
            timersShown_[t] = interval;
            frontEnd_.runTimer(int(t), *timers[t], interval);
        }
    }
}

MessageResult RunningGame::messageBox(const std::string& text, const std::string& title,
                                      MessageButtons buttons) {
    if (ended_) // ended from outside while an earlier box was open: no more
        return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
    sync(); // the screen shows what led to the box
    ++boxes_;
    const MessageResult answer = frontEnd_.messageBox(text, title, buttons);
    --boxes_;
    return answer;
}

void RunningGame::endProgram() {
    if (ended_)
        return;
    ended_ = true;
    sync(); // every timer stops
    frontEnd_.endProgram();
}

std::optional<std::string> RunningGame::readSetting(const std::string& application,
                                                    const std::string& section,
                                                    const std::string& key) {
    return frontEnd_.readSetting(application, section, key);
}

// Once the game has ended it stores nothing more.
void RunningGame::writeSetting(const std::string& application, const std::string& section,
                               const std::string& key, const std::string& value) {
    if (!ended_)
        frontEnd_.writeSetting(application, section, key, value);
}

// The rules enable a control just before they move the focus to it, so it is drawn first.
void RunningGame::setFocus(const Control& control) {
    sync();
    focus_ = &control;
    frontEnd_.setFocus(control);
}

} // namespace kazuroi
