// The script driver's commands: what each line does to the headless game.
#include "script_runner.h"

#include "game/numbers.h"
#include "game/solver/level_rating.h"
#include "script_names.h"

#include <cmath>
#include <map>
#include <new>

namespace kazuroi {

// clang-format off
const ScriptRunner::Command ScriptRunner::kCommands[] = {
    // name       args  usage                        event  handler
    {"seed",      1, 1, "seed N",                    false, &ScriptRunner::seed},
    {"random",    1, 1000, "random V ...",           false, &ScriptRunner::random},
    {"answer",    1, 1, "answer Yes|No",             false, &ScriptRunner::answer},
    {"setting",   2, 2, "setting KEY \"TEXT\"",      false, &ScriptRunner::setting},
    {"load",      0, 0, "load",                      false, &ScriptRunner::load},
    {"close",     0, 0, "close",                     true,  &ScriptRunner::close},
    {"down",      1, 1, "down NAME",                 true,  &ScriptRunner::press},
    {"click",     1, 1, "click NAME",                true,  &ScriptRunner::press},
    {"question",  2, 2, "question STAGE DIGITS",     true,  &ScriptRunner::question},
    {"tick",      1, 2, "tick NAME [N]",             true,  &ScriptRunner::tick},
    {"wait",      1, 1, "wait MS",                   true,  &ScriptRunner::wait},
    {"get",       1, 1, "get NAME",                  false, &ScriptRunner::get},
    {"set",       2, 2, "set NAME VALUE",            false, &ScriptRunner::set},
    {"stored",    1, 1, "stored KEY",                false, &ScriptRunner::stored},
    {"save",      0, 0, "save",                      true,  &ScriptRunner::save},
    {"restore",   0, 1, "restore [\"TEXT\"]",        false, &ScriptRunner::restore},
    {"pause",     0, 0, "pause",                     true,  &ScriptRunner::pause},
    {"resume",    0, 0, "resume",                    true,  &ScriptRunner::pause},
};
// clang-format on

ScriptRunner::ScriptRunner(std::ostream& out)
    : out_(out), platform_([this](const std::string& line) { out_ << line << '\n'; }),
      game_(std::make_unique<RunningGame>(platform_)) {}

void ScriptRunner::run(LineReader& lines) {
    std::string line;
    for (long number = 1;; ++number) {
        const auto where = [number] { return "line " + std::to_string(number) + ": "; };
        switch (lines.next(line)) {
        case LineReader::Result::End:
            return;
        case LineReader::Result::TooLong:
            throw ScriptError(where() + "longer than " + std::to_string(LineReader::kMaxLine) +
                              " bytes");
        case LineReader::Result::Failed:
            throw ScriptError(where() + "the script could not be read");
        case LineReader::Result::Line:
            break;
        }
        try {
            runLine(line);
        } catch (const ScriptError& e) {
            throw ScriptError(where() + e.what());
        } catch (const std::bad_alloc&) {
            throw ScriptError(where() + "out of memory");
        }
    }
}

void ScriptRunner::run(std::istream& script) {
    LineReader lines(script);
    run(lines);
}

void ScriptRunner::runLine(const std::string& text) {
    Line line;
    line.tokens = tokenize(text, &line.text);
    if (line.tokens.empty())
        return;

    for (const Command& command : kCommands) {
        if (line.tokens[0] != command.name)
            continue;
        const std::size_t args = line.tokens.size() - 1;
        if (args < command.minArgs || args > command.maxArgs)
            throw ScriptError(std::string("usage: ") + command.usage);
        if (command.event && !game_->started() && !finished())
            throw ScriptError("'" + line.text + "' before load");
        // The line stands before what it causes, so a transcript reads on its own; get and
        // stored name what they print.
        if (command.run != &ScriptRunner::get && command.run != &ScriptRunner::stored)
            out_ << "> " << line.text << '\n';
        (this->*command.run)(line);
        return;
    }
    throw ScriptError("unknown command '" + line.tokens[0] + "'");
}

bool ScriptRunner::ignoredIfFinished(const Line& line) {
    if (!finished())
        return false;
    out_ << "ignored: " << line.text << '\n';
    return true;
}

void ScriptRunner::seed(const Line& line) {
    const auto seed = parseInteger<std::uint32_t>(line.arg(1));
    if (!seed)
        throw ScriptError("seed must be a whole number 0 to 4294967295");
    if (!ignoredIfFinished(line))
        platform_.setSeed(*seed);
}

void ScriptRunner::random(const Line& line) {
    std::vector<float> values;
    for (std::size_t i = 1; i < line.tokens.size(); ++i) {
        const auto v = parseDecimal(line.arg(i));
        if (!v || *v < 0 || toSingle(*v) >= 1.0f)
            throw ScriptError("random value '" + line.arg(i) + "' is not in [0, 1)");
        values.push_back(toSingle(*v));
    }
    if (!ignoredIfFinished(line))
        for (float v : values)
            platform_.queueRandom(v);
}

void ScriptRunner::answer(const Line& line) {
    if (line.arg(1) != "Yes" && line.arg(1) != "No")
        throw ScriptError("answer must be Yes or No");
    if (!ignoredIfFinished(line))
        platform_.queueAnswer(line.arg(1) == "Yes" ? MessageResult::Yes : MessageResult::No);
}

void ScriptRunner::setting(const Line& line) {
    if (!isQuoted(line.arg(2)))
        throw ScriptError("the setting's text must be in double quotes");
    if (!ignoredIfFinished(line))
        platform_.writeSetting(kSettingsApplication, kSettingsSection, unquoted(line.arg(1)),
                               unquoted(line.arg(2)));
}

void ScriptRunner::load(const Line& line) {
    if (ignoredIfFinished(line))
        return;
    if (game_->started())
        throw ScriptError("the window is already loaded");
    game_->load();
}

void ScriptRunner::close(const Line& line) {
    if (ignoredIfFinished(line))
        return;
    game_->close();
    out_ << "unload\n";
}

void ScriptRunner::press(const Line& line) {
    const bool isDown = line.arg(0) == "down";
    const Control* control = form().findControl(line.arg(1));
    if (!control)
        throw ScriptError("no control named '" + line.arg(1) + "'");
    const int index = game_->indexOf(*control);
    if (!(isDown ? game_->answersMouseDown(index) : game_->answersClick(index)))
        throw ScriptError("'" + line.arg(1) + "' has no " + (isDown ? "MouseDown" : "Click") +
                          " handler");
    if (ignoredIfFinished(line))
        return;
    if (!(isDown ? game_->mouseDown(index) : game_->click(index)))
        out_ << "ignored: " << line.text << '\n';
}

// The chosen digits become the stage's next question through the draws the game itself makes:
// the stage asks only for their level, and the queued random values give exactly those digits.
void ScriptRunner::question(const Line& line) {
    const auto stage = parseInteger<int>(line.arg(1));
    if (!stage || *stage < 0 || *stage > kExtraStage)
        throw ScriptError("question needs a stage 0 to " + std::to_string(kExtraStage));
    const std::string& digits = line.arg(2);
    if (digits.size() != std::size_t(kDigitSlots) ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        throw ScriptError("question needs four digits, not '" + digits + "'");

    Digits chosen{};
    for (int i = 0; i < kDigitSlots; ++i)
        chosen[std::size_t(i)] = std::int16_t(digits[std::size_t(i)] - '0');
    Form1& f = form();
    const std::int16_t level = rateDigits(chosen, f.Orderings);
    if (level == -1)
        throw ScriptError("'" + digits + "' cannot make 10");

    // Digit d comes for r in ((9 - d) / (w + 9), (10 - d) / (w + 9)]; 9 also for r = 0.
    const double weight = f.StageRecords[*stage].ZeroWeight;
    std::vector<float> draws{0.0f}; // the level: the stage's range holds only this one
    for (const char c : digits) {
        const int d = c - '0';
        const double low = (9.0 - d) / (weight + 9.0);
        const double high = std::min((10.0 - d) / (weight + 9.0), double(1.0f - 0x1p-24f));
        const float r = d == 9 ? 0.0f : toSingle((low + high) / 2);
        const double drawn = std::min(std::floor(10.0 - (weight + 9.0) * double(r)), 9.0);
        if (r >= 1.0f || drawn != d)
            throw ScriptError("stage " + line.arg(1) + " never draws the digit " + c);
        draws.push_back(r);
    }
    if (ignoredIfFinished(line))
        return;

    const DrawState before = drawState();
    f.StageIndex = std::int16_t(*stage);
    f.StageRecords[*stage].MinLevel = level;
    f.StageRecords[*stage].MaxLevel = level;
    checkQuestionsCanBeSet(before);
    for (float r : draws)
        platform_.queueRandom(r);
    game_->runEvent([&f] { f.cmd出題_Click(); });
}

void ScriptRunner::tick(const Line& line) {
    Timer* timer = form().findTimer(line.arg(1));
    if (!timer)
        throw ScriptError("no timer named '" + line.arg(1) + "'");
    long count = 1;
    if (line.tokens.size() == 3) {
        const auto n = parseInteger<long>(line.arg(2));
        if (!n || *n < 0 || *n > kMaxTicks)
            throw ScriptError("tick count must be a whole number 0 to " +
                              std::to_string(kMaxTicks));
        count = *n;
    }
    if (ignoredIfFinished(line))
        return;
    const int index = timerIndex(*timer);
    for (long i = 0; i < count && !finished(); ++i) {
        if (!timer->ticking() || game_->paused()) {
            out_ << "ignored: " << line.text << '\n';
            return;
        }
        platform_.ticked(index);
        game_->tick(index);
    }
}

void ScriptRunner::wait(const Line& line) {
    const auto ms = parseInteger<long>(line.arg(1));
    if (!ms || *ms < 0 || *ms > kMaxWait)
        throw ScriptError("wait needs milliseconds 0 to " + std::to_string(kMaxWait));
    if (ignoredIfFinished(line))
        return;
    const double until = platform_.now() + double(*ms);
    while (!finished())
        if (const auto timer = platform_.nextTick(until))
            game_->tick(*timer);
        else
            break;
    platform_.moveClockTo(until);
}

void ScriptRunner::get(const Line& line) {
    out_ << line.arg(1) << " = " << readName(*game_, line.arg(1)) << '\n';
}

void ScriptRunner::set(const Line& line) {
    const DrawState before = drawState();
    writeName(*game_, line.arg(1), line.arg(2));
    try {
        checkQuestionsCanBeSet(before);
    } catch (const ScriptError& e) {
        throw ScriptError("'" + unquoted(line.arg(2)) + "' for " + line.arg(1) + " would make " +
                          e.what());
    }
    game_->showChanges();
}

void ScriptRunner::stored(const Line& line) {
    const std::string key = unquoted(line.arg(1));
    const auto value = platform_.readSetting(kSettingsApplication, kSettingsSection, key);
    out_ << "stored " << key << " = " << (value ? quoted(*value) : "missing") << '\n';
}

// The game as text, kept for `restore`: a page keeps it so after every event.
void ScriptRunner::save(const Line& line) {
    if (ignoredIfFinished(line))
        return;
    const auto text = game_->save();
    if (!text)
        throw ScriptError("no game to save");
    saved_ = *text;
    out_ << saved_;
}

// The program started anew from a saved game (the last one `save` wrote, or TEXT), as a page
// reopened with one in its storage; a text that is refused leaves the game that runs as it was.
void ScriptRunner::restore(const Line& line) {
    std::string text = saved_;
    if (line.tokens.size() == 2) {
        if (!isQuoted(line.arg(1)))
            throw ScriptError("the saved game's text must be in double quotes");
        text = unquoted(line.arg(1));
    }
    auto fresh = std::make_unique<RunningGame>(platform_);
    if (const auto why = fresh->restore(text)) {
        out_ << "refused: " << *why << '\n';
        return;
    }
    game_ = std::move(fresh);
    game_->showAll();
    out_ << "restored\n";
}

// The clock held and let go, as a page does while it is hidden.
void ScriptRunner::pause(const Line& line) {
    if (ignoredIfFinished(line))
        return;
    if (line.arg(0) == "pause")
        game_->pause();
    else
        game_->resume();
}

int ScriptRunner::timerIndex(const Timer& timer) {
    const auto timers = game_->timers();
    for (std::size_t i = 0; i < timers.size(); ++i)
        if (timers[i] == &timer)
            return int(i);
    return -1;
}

// Question setting draws digits until their level is the target, so every target a stage can
// draw must be a level that some digits have. Only the stages the game can still reach count.
ScriptRunner::DrawState ScriptRunner::drawState() const {
    const Form1& f = game_->form();
    return {f.StageIndex, f.StageRecords, f.Orderings};
}

void ScriptRunner::checkQuestionsCanBeSet(const DrawState& before) {
    if (!game_->started() || finished())
        return;
    Form1& f = form();
    const int last = std::max<int>(f.StageIndex, kExtraStage);
    for (int stage = f.StageIndex; stage <= last; ++stage) {
        const StageRecord& r = f.StageRecords[stage];
        // MinLevel + ⌊r × (MaxLevel − MinLevel + 1)⌋ for r in [0, 1).
        const int low = std::min(int(r.MinLevel), r.MaxLevel + 1);
        const int high = std::max(int(r.MinLevel), int(r.MaxLevel));
        const std::set<int>& levels = levelsOfDigits(r.ZeroWeight > 0);
        for (int level = low; level <= high; ++level) {
            if (levels.count(level))
                continue;
            f.StageIndex = before.stageIndex;
            f.StageRecords = before.stageRecords;
            f.Orderings = before.orderings;
            throw ScriptError("stage " + std::to_string(stage) + " draw level " +
                              std::to_string(level) + ", which no four digits have");
        }
    }
}

// Rating all 10,000 digit strings takes a while, so what they give is kept, for each table of
// orderings it was found with, across every runner of the process.
const std::set<int>& ScriptRunner::levelsOfDigits(bool withZero) {
    static std::map<OrderingTable, std::array<std::set<int>, 2>> known;
    if (known.size() > 64)
        known.clear();
    const OrderingTable& orderings = form().Orderings;
    const auto [it, fresh] = known.try_emplace(orderings);
    if (fresh) {
        const auto levels = rateEveryDigitString(orderings);
        for (int n = 0; n < 10000; ++n) {
            const bool zero = n / 1000 == 0 || n / 100 % 10 == 0 || n / 10 % 10 == 0 || n % 10 == 0;
            it->second[1].insert(levels[std::size_t(n)]);
            if (!zero)
                it->second[0].insert(levels[std::size_t(n)]);
        }
    }
    return it->second[withZero];
}

int runScript(LineReader& lines, std::ostream& out, std::ostream& err) {
    try {
        ScriptRunner runner(out);
        runner.run(lines);
        out.flush();
        return 0;
    } catch (const ScriptError& e) {
        out.flush();
        err << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        out.flush();
        err << "out of memory\n";
    }
    return 2;
}

} // namespace kazuroi
