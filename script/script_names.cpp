// Resolving script names through tables of the game state and the controls' properties.
#include "script_names.h"

#include "game/numbers.h"
#include "headless/headless_platform.h"
#include "script_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <variant>

namespace kazuroi {

namespace {

// What a name refers to, with the values `set` accepts.
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
    const char* what = "a 16-bit integer";
};
struct MillisecondsRef {
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
    const char* what;
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
using Ref = std::variant<BoolRef, Bool16Ref, IntRef, MillisecondsRef, ColourRef, SingleRef,
                         DoubleRef, StringRef, CountRef, ReadOnly>;

template <typename Target> struct Field {
    const char* name;
    Ref (*ref)(Target&);
};

// clang-format off
const Field<GameState> kState[] = {
    {"SelectedCount", [](GameState& s) -> Ref { return CountRef{&s.SelectedCount}; }},
    {"StageIndex",    [](GameState& s) -> Ref { return IntRef{&s.StageIndex, 0, kStageRows - 1, "a stage 0 to 6"}; }},
    {"SolvedCount",   [](GameState& s) -> Ref { return IntRef{&s.SolvedCount}; }},
    {"AnimationStep", [](GameState& s) -> Ref { return IntRef{&s.AnimationStep}; }},
    {"TimeLeft",      [](GameState& s) -> Ref { return IntRef{&s.TimeLeft}; }},
    {"TickCountdown", [](GameState& s) -> Ref { return IntRef{&s.TickCountdown}; }},
    {"BarColour",     [](GameState& s) -> Ref { return ColourRef{&s.BarColour}; }},
    {"BlinkPhase",    [](GameState& s) -> Ref { return IntRef{&s.BlinkPhase}; }},
    {"NoRedoUsed",    [](GameState& s) -> Ref { return Bool16Ref{&s.NoRedoUsed}; }},
    {"ExtraRefill",   [](GameState& s) -> Ref { return Bool16Ref{&s.ExtraRefill}; }},
};

const Field<StageRecord> kStageRecordFields[] = {
    {"Name",       [](StageRecord& r) -> Ref { return StringRef{&r.Name}; }},
    {"ZeroWeight", [](StageRecord& r) -> Ref { return DoubleRef{&r.ZeroWeight, 0.0, 1.0, "a weight from 0 to 1"}; }},
    {"MinLevel",   [](StageRecord& r) -> Ref { return IntRef{&r.MinLevel}; }},
    {"MaxLevel",   [](StageRecord& r) -> Ref { return IntRef{&r.MaxLevel}; }},
};

const Field<StageParam> kStageParamFields[] = {
    {"TimeLimitOn",   [](StageParam& r) -> Ref { return Bool16Ref{&r.TimeLimitOn}; }},
    {"TimerInterval", [](StageParam& r) -> Ref { return IntRef{&r.TimerInterval}; }},
    {"DrainStep",     [](StageParam& r) -> Ref { return IntRef{&r.DrainStep}; }},
    {"SolveBonus",    [](StageParam& r) -> Ref { return IntRef{&r.SolveBonus}; }},
};

const Field<Control> kControlProperties[] = {
    {"Caption",   [](Control& c) -> Ref { return StringRef{&c.Caption}; }},
    {"Enabled",   [](Control& c) -> Ref { return BoolRef{&c.Enabled}; }},
    {"Visible",   [](Control& c) -> Ref { return BoolRef{&c.Visible}; }},
    {"Left",      [](Control& c) -> Ref { return SingleRef{&c.Left}; }},
    {"Top",       [](Control& c) -> Ref { return SingleRef{&c.Top}; }},
    {"Width",     [](Control& c) -> Ref { return SingleRef{&c.Width}; }},
    {"Height",    [](Control& c) -> Ref { return SingleRef{&c.Height}; }},
    {"BackColor", [](Control& c) -> Ref { return ColourRef{&c.BackColor}; }},
    {"ForeColor", [](Control& c) -> Ref { return ColourRef{&c.ForeColor}; }},
    // The layout's font, in points (0 for the window's default): read only.
    {"FontSize",  [](Control& c) -> Ref { return ReadOnly{shortestText(c.Font.Size)}; }},
};

const Field<Timer> kTimerProperties[] = {
    {"Enabled",  [](Timer& t) -> Ref { return BoolRef{&t.Enabled}; }},
    {"Interval", [](Timer& t) -> Ref { return MillisecondsRef{&t.Interval}; }},
};
// clang-format on

struct Window {
    Form1& form;
    const Control* focus;
};

// clang-format off
const Field<Window> kWindowProperties[] = {
    {"Left",    [](Window& w) -> Ref { return SingleRef{&w.form.Left}; }},
    {"Top",     [](Window& w) -> Ref { return SingleRef{&w.form.Top}; }},
    {"Caption", [](Window& w) -> Ref { return StringRef{&w.form.Caption}; }},
    {"Height",  [](Window& w) -> Ref { return ReadOnly{shortestText(w.form.OuterHeight())}; }},
    {"ActiveControl", [](Window& w) -> Ref {
         return ReadOnly{w.focus ? quoted(w.focus->Name) : "Nothing"}; }},
};
// clang-format on

template <typename Target, std::size_t N>
std::optional<Ref> lookUp(const Field<Target> (&table)[N], const std::string& name,
                          Target& target) {
    for (const Field<Target>& field : table)
        if (name == field.name)
            return field.ref(target);
    return std::nullopt;
}

// "StageRecords(2).Name" -> base "StageRecords", indices {2}, property "Name".
struct Name {
    std::string text;
    std::string base;
    std::vector<int> indices;
    bool indexed = false;
    std::string property;

    [[noreturn]] void fail(const std::string& what) const {
        throw ScriptError(what + " in '" + text + "'");
    }
    int index(std::size_t count, int limit) const {
        if (indices.size() != count)
            fail("wrong number of indices");
        for (int i : indices)
            if (i < 0 || i >= limit)
                fail("index out of range");
        return indices.front();
    }
    void noProperty() const {
        if (!property.empty())
            fail("no property may follow");
    }
};

Name split(const std::string& text) {
    Name name;
    name.text = text;
    std::size_t i = 0;
    while (i < text.size() && text[i] != '(' && text[i] != '.')
        name.base += text[i++];
    if (name.base.empty())
        name.fail("no name");
    if (i < text.size() && text[i] == '(') {
        name.indexed = true;
        const std::size_t close = text.find(')', i);
        if (close == std::string::npos)
            name.fail("missing ')'");
        std::stringstream list(text.substr(i + 1, close - i - 1));
        std::string item;
        while (std::getline(list, item, ',')) {
            const auto n = parseInteger<int>(item);
            if (!n)
                name.fail("bad index '" + item + "'");
            name.indices.push_back(*n);
        }
        i = close + 1;
    }
    if (i < text.size()) {
        if (text[i] != '.')
            name.fail("unexpected text after ')'");
        name.property = text.substr(i + 1);
        if (name.property.empty())
            name.fail("no property after '.'");
    }
    return name;
}

template <typename Target, std::size_t N>
Ref property(const Field<Target> (&table)[N], const Name& name, Target& target) {
    if (auto ref = lookUp(table, name.property, target))
        return *ref;
    if (name.property.empty())
        name.fail("a property must follow");
    name.fail("unknown property");
}

Ref resolve(RunningGame& game, const std::string& text) {
    Form1& form = game.form();
    const Name name = split(text);
    const std::string control =
        name.property.empty() ? text : text.substr(0, text.size() - name.property.size() - 1);
    if (Control* c = form.findControl(control))
        return property(kControlProperties, name, *c);
    if (Timer* timer = form.findTimer(control))
        return property(kTimerProperties, name, *timer);
    if (control == "Form1") {
        Window window{form, game.focus()};
        return property(kWindowProperties, name, window);
    }
    if (name.base == "SlotValues") {
        name.noProperty();
        const int i = name.index(1, int(form.SlotValues.size()));
        if (i < kDigitSlots) // the solver rates digits, nothing else
            return IntRef{&form.SlotValues[i], 0, 9, "a digit 0 to 9"};
        return IntRef{&form.SlotValues[i]};
    }
    if (name.base == "Orderings") {
        name.noProperty();
        name.index(2, int(form.Orderings.size()));
        if (name.indices[1] >= int(form.Orderings[0].size()))
            name.fail("index out of range");
        return IntRef{&form.Orderings[name.indices[0]][name.indices[1]], 0, 3, "0 to 3"};
    }
    if (name.base == "StageRecords")
        return property(kStageRecordFields, name, form.StageRecords[name.index(1, kStageRows)]);
    if (name.base == "StageParams")
        return property(kStageParamFields, name, form.StageParams[name.index(1, kStageRows)]);
    if (!name.indexed && name.property.empty())
        if (auto ref = lookUp(kState, name.base, static_cast<GameState&>(form)))
            return *ref;
    throw ScriptError("unknown name '" + text + "'");
}

struct Printer {
    std::string operator()(const BoolRef& r) const { return *r.p ? "True" : "False"; }
    std::string operator()(const Bool16Ref& r) const { return *r.p ? "True" : "False"; }
    std::string operator()(const IntRef& r) const { return std::to_string(*r.p); }
    std::string operator()(const MillisecondsRef& r) const { return std::to_string(*r.p); }
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
        if (!v || *v < r.min || *v > r.max)
            bad(r.what);
        *r.p = static_cast<std::int16_t>(*v);
    }
    void operator()(const MillisecondsRef& r) const {
        const auto v = parseInteger<std::int32_t>(token);
        if (!v || *v < 0)
            bad("a count of milliseconds");
        *r.p = *v;
    }
    void operator()(const ColourRef& r) const {
        std::optional<std::uint32_t> v;
        if (token.size() > 2 && (token.rfind("0x", 0) == 0 || token.rfind("0X", 0) == 0)) {
            std::uint32_t value = 0;
            const char* end = token.data() + token.size();
            const auto result = std::from_chars(token.data() + 2, end, value, 16);
            if (result.ec == std::errc() && result.ptr == end)
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
            bad(r.what);
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

} // namespace

std::string readName(RunningGame& game, const std::string& name) {
    return std::visit(Printer{}, resolve(game, name));
}

void writeName(RunningGame& game, const std::string& name, const std::string& token) {
    std::visit(Setter{token, name}, resolve(game, name));
}

} // namespace kazuroi
