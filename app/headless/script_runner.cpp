// The script driver's commands, names and value formats.
#include "script_runner.h"

#include "app/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <sstream>
#include <variant>

namespace kazuroi {

std::vector<std::string> tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        std::string token;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    const char e = line[i++];
                    token += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
                } else {
                    token += c;
                }
            }
            if (!closed)
                throw ScriptError("unterminated quoted text");
            tokens.push_back("\"" + token); // the mark tells a quoted token from a bare one
            continue;
        }
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            token += line[i++];
        tokens.push_back(token);
    }
    return tokens;
}

namespace {

bool isQuoted(const std::string& token) {
    return !token.empty() && token[0] == '"';
}
std::string unquoted(const std::string& token) {
    return isQuoted(token) ? token.substr(1) : token;
}

template <typename T> std::optional<T> parseInteger(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

std::optional<double> parseDecimal(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string colourText(std::int32_t colour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(colour));
    return buffer;
}

// What a name in a script refers to.
struct BoolRef {
    bool* p;
};
struct Bool16Ref {
    Bool16* p;
};
struct IntRef {
    std::int16_t* p;
    long min = std::numeric_limits<std::int16_t>::min();
    long max = std::numeric_limits<std::int16_t>::max();
    const char* why = "a 16-bit integer";
    std::optional<long> excluded = std::nullopt;
};
struct LongRef {
    std::int32_t* p;
};
struct ColourRef {
    std::int32_t* p;
};
struct SingleRef {
    float* p;
};
struct DoubleRef {
    double* p;
    double min, max;
    const char* why;
};
struct StringRef {
    std::string* p;
};
struct CountRef {
    std::optional<std::int16_t>* p;
};
struct ReadOnly {
    std::string text;
};
using Ref = std::variant<BoolRef, Bool16Ref, IntRef, LongRef, ColourRef, SingleRef, DoubleRef,
                         StringRef, CountRef, ReadOnly>;

// "cmd数字(3).Caption" -> base "cmd数字", arguments {3}, property "Caption".
struct Name {
    std::string base;
    std::vector<int> arguments;
    std::string property;
    bool indexed = false;
};

Name splitName(const std::string& text) {
    Name name;
    std::size_t i = 0;
    while (i < text.size() && text[i] != '(' && text[i] != '.')
        name.base += text[i++];
    if (name.base.empty())
        throw ScriptError("no name in '" + text + "'");
    if (i < text.size() && text[i] == '(') {
        name.indexed = true;
        const std::size_t close = text.find(')', i);
        if (close == std::string::npos)
            throw ScriptError("missing ')' in '" + text + "'");
        std::stringstream list(text.substr(i + 1, close - i - 1));
        std::string item;
        while (std::getline(list, item, ',')) {
            const auto n = parseInteger<int>(item);
            if (!n)
                throw ScriptError("bad index '" + item + "' in '" + text + "'");
            name.arguments.push_back(*n);
        }
        i = close + 1;
    }
    if (i < text.size()) {
        if (text[i] != '.')
            throw ScriptError("unexpected text after ')' in '" + text + "'");
        name.property = text.substr(i + 1);
        if (name.property.empty())
            throw ScriptError("no property after '.' in '" + text + "'");
    }
    return name;
}

int checkedIndex(const Name& name, std::size_t count, int limit, const std::string& text) {
    if (name.arguments.size() != count)
        throw ScriptError("'" + text + "' needs " + std::to_string(count) + " index(es)");
    for (int a : name.arguments)
        if (a < 0 || a >= limit)
            throw ScriptError("index out of range in '" + text + "'");
    return name.arguments.front();
}

Ref controlProperty(Control& c, const std::string& property, const std::string& text) {
    if (property == "Caption")
        return StringRef{&c.Caption};
    if (property == "Enabled")
        return BoolRef{&c.Enabled};
    if (property == "Visible")
        return BoolRef{&c.Visible};
    if (property == "Left")
        return SingleRef{&c.Left};
    if (property == "Top")
        return SingleRef{&c.Top};
    if (property == "Width")
        return SingleRef{&c.Width};
    if (property == "Height")
        return SingleRef{&c.Height};
    if (property == "BackColor")
        return ColourRef{&c.BackColor};
    if (property == "ForeColor")
        return ColourRef{&c.ForeColor};
    throw ScriptError("unknown property in '" + text + "'");
}

Ref resolve(Form1& form, const HeadlessPlatform& platform, const std::string& text) {
    const Name name = splitName(text);
    const std::string& p = name.property;

    if (name.base == "Form1" && !name.indexed) {
        if (p == "Left")
            return SingleRef{&form.Left};
        if (p == "Top")
            return SingleRef{&form.Top};
        if (p == "Caption")
            return StringRef{&form.Caption};
        if (p == "Height")
            return ReadOnly{shortestText(form.OuterHeight())};
        if (p == "ActiveControl")
            return ReadOnly{platform.focus() ? quoted(platform.focus()->Name) : "Nothing"};
        throw ScriptError("unknown property in '" + text + "'");
    }
    if (Timer* timer = form.findTimer(name.base); timer && !name.indexed) {
        if (p == "Enabled")
            return BoolRef{&timer->Enabled};
        if (p == "Interval")
            return LongRef{&timer->Interval};
        throw ScriptError("unknown property in '" + text + "'");
    }
    const std::string controlName = text.substr(0, text.size() - (p.empty() ? 0 : p.size() + 1));
    if (Control* control = form.findControl(controlName)) {
        if (p.empty())
            throw ScriptError("'" + text + "' needs a property");
        return controlProperty(*control, p, text);
    }

    const auto plain = [&](auto ref) -> Ref {
        if (name.indexed || !p.empty())
            throw ScriptError("'" + name.base + "' takes no index or property");
        return ref;
    };
    if (name.base == "SlotValues") {
        const int i = checkedIndex(name, 1, 7, text);
        if (!p.empty())
            throw ScriptError("'" + text + "' takes no property");
        if (i < 4) // the solver rates digits, nothing else
            return IntRef{&form.SlotValues[i], 0, 9, "a digit 0 to 9"};
        return IntRef{&form.SlotValues[i]};
    }
    if (name.base == "Orderings") {
        checkedIndex(name, 2, 25, text);
        if (name.arguments[1] >= 5)
            throw ScriptError("index out of range in '" + text + "'");
        if (!p.empty())
            throw ScriptError("'" + text + "' takes no property");
        return IntRef{&form.Orderings[name.arguments[0]][name.arguments[1]], 0, 3, "0 to 3"};
    }
    if (name.base == "StageRecords" || name.base == "StageParams") {
        const int i = checkedIndex(name, 1, kStageRows, text);
        if (name.base == "StageRecords") {
            StageRecord& r = form.StageRecords[i];
            if (p == "Name")
                return StringRef{&r.Name};
            if (p == "ZeroWeight")
                return DoubleRef{&r.ZeroWeight, 0.0, 1.0, "a weight from 0 to 1"};
            // Only levels the solver gives, or a question could never be drawn.
            if (p == "MinLevel")
                return IntRef{&r.MinLevel, -1, 6, "a level -1 to 6", 0};
            if (p == "MaxLevel")
                return IntRef{&r.MaxLevel, -1, 6, "a level -1 to 6", 0};
        } else {
            StageParam& r = form.StageParams[i];
            if (p == "TimeLimitOn")
                return Bool16Ref{&r.TimeLimitOn};
            if (p == "TimerInterval")
                return IntRef{&r.TimerInterval};
            if (p == "DrainStep")
                return IntRef{&r.DrainStep};
            if (p == "SolveBonus")
                return IntRef{&r.SolveBonus};
        }
        throw ScriptError("unknown field in '" + text + "'");
    }
    if (name.base == "SelectedCount")
        return plain(CountRef{&form.SelectedCount});
    if (name.base == "StageIndex")
        return plain(IntRef{&form.StageIndex, 0, 6, "a stage 0 to 6"});
    if (name.base == "SolvedCount")
        return plain(IntRef{&form.SolvedCount});
    if (name.base == "AnimationStep")
        return plain(IntRef{&form.AnimationStep});
    if (name.base == "TimeLeft")
        return plain(IntRef{&form.TimeLeft});
    if (name.base == "TickCountdown")
        return plain(IntRef{&form.TickCountdown});
    if (name.base == "BlinkPhase")
        return plain(IntRef{&form.BlinkPhase});
    if (name.base == "BarColour")
        return plain(ColourRef{&form.BarColour});
    if (name.base == "NoRedoUsed")
        return plain(Bool16Ref{&form.NoRedoUsed});
    if (name.base == "ExtraRefill")
        return plain(Bool16Ref{&form.ExtraRefill});
    throw ScriptError("unknown name '" + text + "'");
}

struct Printer {
    std::string operator()(const BoolRef& r) const { return *r.p ? "True" : "False"; }
    std::string operator()(const Bool16Ref& r) const { return *r.p ? "True" : "False"; }
    std::string operator()(const IntRef& r) const { return std::to_string(*r.p); }
    std::string operator()(const LongRef& r) const { return std::to_string(*r.p); }
    std::string operator()(const ColourRef& r) const { return colourText(*r.p); }
    std::string operator()(const SingleRef& r) const { return shortestText(*r.p); }
    std::string operator()(const DoubleRef& r) const { return shortestText(*r.p); }
    std::string operator()(const StringRef& r) const { return quoted(*r.p); }
    std::string operator()(const CountRef& r) const {
        return r.p->has_value() ? std::to_string(**r.p) : "Empty";
    }
    std::string operator()(const ReadOnly& r) const { return r.text; }
};

struct Setter {
    const std::string& token;
    const std::string& name;

    [[noreturn]] void bad(const std::string& what) const {
        throw ScriptError("'" + unquoted(token) + "' is not " + what + " for " + name);
    }
    bool boolean() const {
        if (token == "True")
            return true;
        if (token == "False")
            return false;
        bad("True or False");
    }
    void operator()(const BoolRef& r) const { *r.p = boolean(); }
    void operator()(const Bool16Ref& r) const { *r.p = boolean() ? kTrue : kFalse; }
    void operator()(const IntRef& r) const {
        const auto v = parseInteger<long>(token);
        if (!v || *v < r.min || *v > r.max || v == r.excluded)
            bad(r.why);
        *r.p = static_cast<std::int16_t>(*v);
    }
    void operator()(const LongRef& r) const {
        const auto v = parseInteger<std::int32_t>(token);
        if (!v || *v < 0)
            bad("a count of milliseconds");
        *r.p = *v;
    }
    void operator()(const ColourRef& r) const {
        std::optional<std::uint32_t> v;
        if (token.rfind("0x", 0) == 0 || token.rfind("0X", 0) == 0) {
            std::uint32_t value = 0;
            const char* end = token.data() + token.size();
            const auto result = std::from_chars(token.data() + 2, end, value, 16);
            if (result.ec == std::errc() && result.ptr == end && token.size() > 2)
                v = value;
        } else {
            v = parseInteger<std::uint32_t>(token);
        }
        if (!v)
            bad("a colour (0x00BBGGRR)");
        *r.p = static_cast<std::int32_t>(*v);
    }
    void operator()(const SingleRef& r) const {
        const auto v = parseDecimal(token);
        if (!v || std::fabs(*v) > std::numeric_limits<float>::max())
            bad("a number");
        *r.p = toSingle(*v);
    }
    void operator()(const DoubleRef& r) const {
        const auto v = parseDecimal(token);
        if (!v || *v < r.min || *v > r.max)
            bad(r.why);
        *r.p = *v;
    }
    void operator()(const StringRef& r) const {
        if (!isQuoted(token))
            bad("a quoted text");
        *r.p = unquoted(token);
    }
    void operator()(const CountRef& r) const {
        if (token == "Empty") {
            r.p->reset();
            return;
        }
        const auto v = parseInteger<std::int16_t>(token);
        if (!v)
            bad("Empty or a 16-bit integer");
        *r.p = *v;
    }
    void operator()(const ReadOnly&) const { throw ScriptError("'" + name + "' can only be read"); }
};

void expectArguments(const std::vector<std::string>& tokens, std::size_t min, std::size_t max,
                     const char* usage) {
    if (tokens.size() - 1 < min || tokens.size() - 1 > max)
        throw ScriptError(std::string("usage: ") + usage);
}

} // namespace

ScriptRunner::ScriptRunner(std::ostream& out)
    : out_(out), platform_([this](const std::string& line) { out_ << line << '\n'; }),
      form_(platform_) {
    clocks_[0].timer = &form_.tim制限時間タイマ;
    clocks_[1].timer = &form_.timアニメーションタイマ;
    resyncTimers();
}

std::string ScriptRunner::getValue(const std::string& name) {
    return std::visit(Printer{}, resolve(form_, platform_, name));
}

void ScriptRunner::setValue(const std::string& name, const std::string& value) {
    std::visit(Setter{value, name}, resolve(form_, platform_, name));
}

// A timer whose Enabled or Interval changed starts its interval afresh from now.
void ScriptRunner::resyncTimers() {
    for (TimerClock& clock : clocks_) {
        const bool ticking = clock.timer->ticking();
        if (ticking != clock.ticking || clock.timer->Interval != clock.interval)
            clock.due = now_ + clock.timer->Interval;
        clock.ticking = ticking;
        clock.interval = clock.timer->Interval;
    }
}

void ScriptRunner::deliverTick(Timer& timer) {
    if (&timer == &form_.tim制限時間タイマ)
        form_.tim制限時間タイマ_Timer();
    else
        form_.timアニメーションタイマ_Timer();
    for (TimerClock& clock : clocks_)
        if (clock.timer == &timer)
            clock.due = now_ + timer.Interval;
    resyncTimers();
}

void ScriptRunner::wait(double milliseconds) {
    const double until = now_ + milliseconds;
    while (!finished()) {
        TimerClock* next = nullptr;
        for (TimerClock& clock : clocks_)
            if (clock.ticking && clock.due <= until && (!next || clock.due < next->due))
                next = &clock;
        if (!next)
            break;
        now_ = next->due;
        deliverTick(*next->timer);
    }
    now_ = until;
}

void ScriptRunner::run(std::istream& script) {
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        ++number;
        try {
            runLine(line);
        } catch (const ScriptError& e) {
            throw ScriptError("line " + std::to_string(number) + ": " + e.what());
        }
    }
}

void ScriptRunner::runLine(const std::string& line) {
    const std::vector<std::string> t = tokenize(line);
    if (t.empty())
        return;
    const std::string& command = t[0];
    std::string text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    text.erase(0, text.find_first_not_of(" \t"));

    if (command == "get") {
        expectArguments(t, 1, 1, "get NAME");
        out_ << t[1] << " = " << getValue(t[1]) << '\n';
        return;
    }
    if (command == "set") {
        expectArguments(t, 2, 2, "set NAME VALUE");
        setValue(t[1], t[2]);
        resyncTimers();
        return;
    }
    if (command == "stored") {
        expectArguments(t, 1, 1, "stored KEY");
        const auto value = platform_.readSetting("kazuroi", "Startup", unquoted(t[1]));
        out_ << "stored " << unquoted(t[1]) << " = " << (value ? quoted(*value) : "missing")
             << '\n';
        return;
    }

    // Everything else needs a running program; check the line's form first all the same.
    const auto ignoredIfFinished = [&] {
        if (!finished())
            return false;
        out_ << "ignored: " << text << '\n';
        return true;
    };

    if (command == "seed") {
        expectArguments(t, 1, 1, "seed N");
        const auto seed = parseInteger<std::uint32_t>(t[1]);
        if (!seed)
            throw ScriptError("seed must be a whole number 0 to 4294967295");
        if (!ignoredIfFinished())
            platform_.setSeed(*seed);
    } else if (command == "random") {
        expectArguments(t, 1, 1000, "random V ...");
        std::vector<float> values;
        for (std::size_t i = 1; i < t.size(); ++i) {
            const auto v = parseDecimal(t[i]);
            if (!v || *v < 0 || toSingle(*v) >= 1.0f)
                throw ScriptError("random value '" + t[i] + "' is not in [0, 1)");
            values.push_back(toSingle(*v));
        }
        if (!ignoredIfFinished())
            for (float v : values)
                platform_.queueRandom(v);
    } else if (command == "answer") {
        expectArguments(t, 1, 1, "answer Yes|No");
        if (t[1] != "Yes" && t[1] != "No")
            throw ScriptError("answer must be Yes or No");
        if (!ignoredIfFinished())
            platform_.queueAnswer(t[1] == "Yes" ? MessageResult::Yes : MessageResult::No);
    } else if (command == "setting") {
        expectArguments(t, 2, 2, "setting KEY \"TEXT\"");
        if (!isQuoted(t[2]))
            throw ScriptError("the setting's text must be in double quotes");
        if (!ignoredIfFinished())
            platform_.writeSetting("kazuroi", "Startup", unquoted(t[1]), unquoted(t[2]));
    } else if (command == "load") {
        expectArguments(t, 0, 0, "load");
        if (ignoredIfFinished())
            return;
        if (loaded_)
            throw ScriptError("the window is already loaded");
        loaded_ = true;
        form_.Form_Load();
        resyncTimers();
    } else if (command == "close") {
        expectArguments(t, 0, 0, "close");
        if (ignoredIfFinished())
            return;
        std::int16_t cancel = 0;
        form_.Form_Unload(cancel);
        out_ << "unload\n";
        unloaded_ = true;
    } else if (command == "down" || command == "click") {
        expectArguments(t, 1, 1, command == "down" ? "down NAME" : "click NAME");
        Control* control = form_.findControl(t[1]);
        if (!control)
            throw ScriptError("no control named '" + t[1] + "'");
        const bool isDown = command == "down";
        const std::function<void()> handler =
            isDown ? form_.mouseDownHandler(*control) : form_.clickHandler(*control);
        if (!handler)
            throw ScriptError("'" + t[1] + "' has no " + (isDown ? "MouseDown" : "Click") +
                              " handler");
        if (ignoredIfFinished())
            return;
        if (!form_.takesInput(*control)) {
            out_ << "ignored: " << text << '\n';
            return;
        }
        handler();
        resyncTimers();
    } else if (command == "tick") {
        expectArguments(t, 1, 2, "tick NAME [N]");
        Timer* timer = form_.findTimer(t[1]);
        if (!timer)
            throw ScriptError("no timer named '" + t[1] + "'");
        long count = 1;
        if (t.size() == 3) {
            const auto n = parseInteger<long>(t[2]);
            if (!n || *n < 0 || *n > 100000000)
                throw ScriptError("tick count must be a whole number 0 to 100000000");
            count = *n;
        }
        if (ignoredIfFinished())
            return;
        for (long i = 0; i < count && !finished(); ++i) {
            if (!timer->ticking()) {
                out_ << "ignored: " << text << '\n';
                return;
            }
            deliverTick(*timer);
        }
    } else if (command == "wait") {
        expectArguments(t, 1, 1, "wait MS");
        const auto ms = parseInteger<long>(t[1]);
        if (!ms || *ms < 0 || *ms > 1000000000)
            throw ScriptError("wait needs milliseconds 0 to 1000000000");
        if (!ignoredIfFinished())
            wait(double(*ms));
    } else {
        throw ScriptError("unknown command '" + command + "'");
    }
}

} // namespace kazuroi
