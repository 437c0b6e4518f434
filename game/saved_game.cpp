// A running game as a small text and back: a line naming the format, then one line a value, each
// named as the game names it and in a fixed order, then a check of every byte before it. A text
// is read only when every value is one the game can hold, so that it plays on as it was written.
#include "numbers.h"
#include "running_game.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <variant>

namespace kazuroi {

namespace {

constexpr std::string_view kFormat = "kazuroi game ";
constexpr int kVersion = 1;
constexpr std::string_view kCheck = "check ";
// A saved game is about two kilobytes; a text far longer is not one.
constexpr std::size_t kLongest = 16384;
// The largest number the board can make: 9 × 9 × 9 × 9.
constexpr int kLargestResult = 6561;
// The stage-clear panel moves a few thousand twips about the window; its steps stay well inside.
constexpr float kFarthestPanel = 30000;
constexpr int kLastAnimationStep = 99;

// The kinds of value a saved game holds, each with what it may be.
struct Int16Value {
    std::int16_t* p;
    int min, max;
};
struct Bool16Value {
    Bool16* p;
};
struct BoolValue {
    bool* p;
};
struct ColourValue {
    Colour* p;
    bool (*allowed)(Colour);
};
struct SingleValue {
    float* p;
    float min, max;
};
struct TextValue {
    std::string* p;
    std::function<bool(const std::string&)> allowed;
};
struct CountValue {
    std::optional<std::int16_t>* p;
    int max;
};
struct IntervalValue {
    std::int32_t* p;
    std::vector<std::int32_t> allowed;
};
struct FocusValue {
    const Control** p;
    std::vector<const Control*> allowed;
};
using Value = std::variant<Int16Value, Bool16Value, BoolValue, ColourValue, SingleValue, TextValue,
                           CountValue, IntervalValue, FocusValue>;

struct Field {
    std::string name;
    Value value;
};

bool isFace(Colour c) {
    return c == kButtonFace || c == kGreen || c == kRed;
}
bool isVerdictColour(Colour c) {
    return c == kButtonText || c == kGreen || c == kRed;
}
bool isTarget(Colour c) {
    return c == kGreen || c == kYellow || c == kRed;
}
// On its way from one target to another, each channel of the bar moves in steps of 5.
bool isFading(Colour c) {
    const auto v = static_cast<std::uint32_t>(c);
    return v <= 0xFFFFFF && (v & 0xFF) % 5 == 0 && (v >> 8 & 0xFF) % 5 == 0 && (v >> 16) % 5 == 0;
}

const std::string kDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};

// A result's expression: full-width digits, the four operators and brackets that pair.
bool isExpression(const std::string& text) {
    static const std::string kPieces[] = {"０", "１", "２", "３", "４", "５", "６", "７",
                                          "８", "９", "＋", "－", "×",  "÷",  "(",  ")"};
    constexpr std::size_t kLongestExpression = 96;
    if (text.size() > kLongestExpression)
        return false;
    int open = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::string* piece = nullptr;
        for (const std::string& p : kPieces)
            if (text.compare(i, p.size(), p) == 0)
                piece = &p;
        if (!piece)
            return false;
        open += *piece == "(" ? 1 : *piece == ")" ? -1 : 0;
        if (open < 0)
            return false;
        i += piece->size();
    }
    return open == 0;
}

bool isLevelText(const std::string& text) {
    if (text == "★☆★☆★")
        return true;
    std::string stars;
    for (int filled = 0; filled <= 5; ++filled, stars.clear()) {
        for (int i = 0; i < 5; ++i)
            stars += i < filled ? "★" : "☆";
        if (text == stars)
            return true;
    }
    return false;
}

std::vector<Field> fieldsOf(Form1& f, const Control*& focus) {
    const int full = int(f.shp制限時間表示枠.Width);
    std::vector<Field> fields = {
        {"StageIndex", Int16Value{&f.StageIndex, 0, kExtraStage}},
        {"SolvedCount", Int16Value{&f.SolvedCount, 0, kQuestionsPerStage}},
        {"NoRedoUsed", Bool16Value{&f.NoRedoUsed}},
        {"ExtraRefill", Bool16Value{&f.ExtraRefill}},
        {"TimeLeft", Int16Value{&f.TimeLeft, 0, full}},
        {"TickCountdown", Int16Value{&f.TickCountdown, 0, 10}},
        {"BarColour", ColourValue{&f.BarColour, isTarget}},
        {"BlinkPhase", Int16Value{&f.BlinkPhase, 0, 15}},
        {"AnimationStep", Int16Value{&f.AnimationStep, -23, kLastAnimationStep}},
        {"SelectedCount", CountValue{&f.SelectedCount, kDigitSlots}},
    };
    for (int i = 0; i < kSlots; ++i)
        fields.push_back(
            {"SlotValues(" + std::to_string(i) + ")",
             Int16Value{&f.SlotValues[std::size_t(i)], 0, i < kDigitSlots ? 9 : kLargestResult}});
    for (int i = 0; i < kSlots; ++i) {
        Control& c = f.cmd数字[std::size_t(i)];
        const auto caption = i < kDigitSlots ? TextValue{&c.Caption,
                                                         [](const std::string& t) {
                                                             for (const std::string& d : kDigits)
                                                                 if (t == d)
                                                                     return true;
                                                             return t.empty();
                                                         }}
                                             : TextValue{&c.Caption, isExpression};
        fields.push_back({c.Name + ".Caption", caption});
        fields.push_back({c.Name + ".Enabled", BoolValue{&c.Enabled}});
        fields.push_back({c.Name + ".Visible", BoolValue{&c.Visible}});
        fields.push_back({c.Name + ".BackColor", ColourValue{&c.BackColor, isFace}});
    }
    for (Control& mark : f.shp選択印)
        fields.push_back({mark.Name + ".Visible", BoolValue{&mark.Visible}});
    for (Control* c : {&f.cmd加算, &f.cmd減算, &f.cmd乗算, &f.cmd除算, &f.cmd出題, &f.cmdやり直し})
        fields.push_back({c->Name + ".Enabled", BoolValue{&c->Enabled}});

    std::vector<std::string> stages;
    for (int s = 0; s <= kExtraStage; ++s)
        stages.push_back(f.StageRecords[std::size_t(s)].Name);
    fields.push_back({f.lblステージ.Name + ".Caption",
                      TextValue{&f.lblステージ.Caption, [stages](const std::string& t) {
                                    return std::find(stages.begin(), stages.end(), t) !=
                                           stages.end();
                                }}});
    fields.push_back({f.lblレベル.Name + ".Caption", TextValue{&f.lblレベル.Caption, isLevelText}});
    fields.push_back({f.lbl正誤.Name + ".Caption",
                      TextValue{&f.lbl正誤.Caption, [](const std::string& t) {
                                    return t == "○正解" || t == "×やり直し" || t == "○やり直し";
                                }}});
    fields.push_back(
        {f.lbl正誤.Name + ".ForeColor", ColourValue{&f.lbl正誤.ForeColor, isVerdictColour}});
    fields.push_back({f.lbl正誤.Name + ".Visible", BoolValue{&f.lbl正誤.Visible}});

    Control& bar = f.shp制限時間残り;
    fields.push_back({bar.Name + ".Width", SingleValue{&bar.Width, 0, float(full)}});
    fields.push_back({bar.Name + ".Visible", BoolValue{&bar.Visible}});
    fields.push_back({bar.Name + ".BackColor", ColourValue{&bar.BackColor, isFading}});
    fields.push_back(
        {f.shp制限時間表示枠.Name + ".Visible", BoolValue{&f.shp制限時間表示枠.Visible}});
    Control& panel = f.frmステージクリア;
    fields.push_back({panel.Name + ".Visible", BoolValue{&panel.Visible}});
    fields.push_back(
        {panel.Name + ".Top", SingleValue{&panel.Top, -kFarthestPanel, kFarthestPanel}});

    // The time limit ticks at the stage table's interval, the animation at its own.
    std::vector<std::int32_t> clockIntervals;
    for (int s = 0; s <= kExtraStage; ++s)
        clockIntervals.push_back(f.StageParams[std::size_t(s)].TimerInterval);
    Timer& clock = f.tim制限時間タイマ;
    Timer& animation = f.timアニメーションタイマ;
    fields.push_back({clock.Name + ".Enabled", BoolValue{&clock.Enabled}});
    fields.push_back({clock.Name + ".Interval", IntervalValue{&clock.Interval, clockIntervals}});
    fields.push_back({animation.Name + ".Enabled", BoolValue{&animation.Enabled}});
    fields.push_back({animation.Name + ".Interval", IntervalValue{&animation.Interval, {0, 70}}});

    std::vector<const Control*> focusable{nullptr};
    for (const Control* c : f.controls())
        if (f.clickHandler(*c))
            focusable.push_back(c);
    fields.push_back({"Form1.ActiveControl", FocusValue{&focus, focusable}});
    return fields;
}

std::string hexText(std::int32_t c) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
    return text;
}

struct Writer {
    std::string operator()(const Int16Value& v) const { return std::to_string(*v.p); }
    std::string operator()(const Bool16Value& v) const { return *v.p ? "True" : "False"; }
    std::string operator()(const BoolValue& v) const { return *v.p ? "True" : "False"; }
    std::string operator()(const ColourValue& v) const { return hexText(*v.p); }
    std::string operator()(const SingleValue& v) const { return shortestText(*v.p); }
    std::string operator()(const TextValue& v) const { return '"' + *v.p + '"'; }
    std::string operator()(const CountValue& v) const {
        return v.p->has_value() ? std::to_string(**v.p) : "Empty";
    }
    std::string operator()(const IntervalValue& v) const { return std::to_string(*v.p); }
    std::string operator()(const FocusValue& v) const {
        return *v.p ? '"' + (*v.p)->Name + '"' : "Nothing";
    }
};

template <typename T> std::optional<T> whole(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

std::optional<bool> boolean(std::string_view text) {
    if (text == "True")
        return true;
    if (text == "False")
        return false;
    return std::nullopt;
}

// A text between double quotes with no quote, backslash or control character inside.
std::optional<std::string> text(std::string_view token) {
    if (token.size() < 2 || token.front() != '"' || token.back() != '"')
        return std::nullopt;
    const std::string_view inside = token.substr(1, token.size() - 2);
    for (unsigned char c : inside)
        if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F)
            return std::nullopt;
    return std::string(inside);
}

// Sets the value from its text when the game can hold it; false otherwise.
struct Reader {
    std::string_view token;

    bool operator()(const Int16Value& v) const {
        const auto n = whole<int>(token);
        if (!n || *n < v.min || *n > v.max)
            return false;
        *v.p = std::int16_t(*n);
        return true;
    }
    bool operator()(const Bool16Value& v) const {
        const auto b = boolean(token);
        if (b)
            *v.p = *b ? kTrue : kFalse;
        return b.has_value();
    }
    bool operator()(const BoolValue& v) const {
        const auto b = boolean(token);
        if (b)
            *v.p = *b;
        return b.has_value();
    }
    bool operator()(const ColourValue& v) const {
        if (token.size() != 10 || token.substr(0, 2) != "0x")
            return false;
        std::uint32_t value = 0;
        const char* end = token.data() + token.size();
        const auto [ptr, ec] = std::from_chars(token.data() + 2, end, value, 16);
        if (ec != std::errc() || ptr != end || !v.allowed(Colour(value)))
            return false;
        *v.p = Colour(value);
        return true;
    }
    bool operator()(const SingleValue& v) const {
        const auto d = whole<float>(token);
        if (!d || !std::isfinite(*d) || *d < v.min || *d > v.max)
            return false;
        *v.p = *d;
        return true;
    }
    bool operator()(const TextValue& v) const {
        const auto t = text(token);
        if (!t || !v.allowed(*t))
            return false;
        *v.p = *t;
        return true;
    }
    bool operator()(const CountValue& v) const {
        const auto n = whole<int>(token);
        if (!n || *n < 0 || *n > v.max)
            return false;
        *v.p = std::int16_t(*n);
        return true;
    }
    bool operator()(const IntervalValue& v) const {
        const auto n = whole<std::int32_t>(token);
        if (!n || std::find(v.allowed.begin(), v.allowed.end(), *n) == v.allowed.end())
            return false;
        *v.p = *n;
        return true;
    }
    bool operator()(const FocusValue& v) const {
        for (const Control* c : v.allowed)
            if (c ? text(token) == c->Name : token == "Nothing") {
                *v.p = c;
                return true;
            }
        return false;
    }
};

// FNV-1a, enough to tell a text that lost or changed a byte.
std::uint32_t checksum(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

std::string lineNumber(std::size_t n) {
    return "line " + std::to_string(n + 1) + ": ";
}

} // namespace

std::optional<std::string> RunningGame::save() const {
    if (!started_ || boxOpen() || ended_ || closed_)
        return std::nullopt;
    const Control* focus = focus_;
    std::string out = std::string(kFormat) + std::to_string(kVersion) + '\n';
    for (const Field& field : fieldsOf(const_cast<Form1&>(*form_), focus))
        out += field.name + ' ' + std::visit(Writer{}, field.value) + '\n';
    return out + std::string(kCheck) + hexText(std::int32_t(checksum(out))) + '\n';
}

std::optional<std::string> RunningGame::restore(std::string_view saved) {
    if (started_)
        return "a game is already running";
    form_->readStoredPlace();
    seedRandomFromClock();
    form_->sub順列作成();
    form_->subステージ設定();
    if (auto why = read(saved)) {
        focus_ = nullptr;
        form_.emplace(static_cast<Platform&>(*this)); // nothing of the text is kept
        return why;
    }
    started_ = true;
    return std::nullopt;
}

std::optional<std::string> RunningGame::read(std::string_view saved) {
    if (saved.size() > kLongest)
        return "longer than any saved game";
    if (saved.substr(0, kFormat.size()) != kFormat)
        return "not a saved game of kazuroi";
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < saved.size();) {
        const std::size_t end = saved.find('\n', start);
        if (end == std::string_view::npos)
            return "cut short: its last line has no end";
        lines.push_back(saved.substr(start, end - start));
        start = end + 1;
    }
    if (lines[0] != std::string(kFormat) + std::to_string(kVersion))
        return "written in another format (" + std::string(lines[0].substr(kFormat.size())) +
               ") than this build reads (" + std::to_string(kVersion) + ")";
    const std::string_view last = lines.back();
    const std::size_t checked = saved.size() - last.size() - 1;
    if (last.substr(0, kCheck.size()) != kCheck)
        return "cut short: no check at its end";
    if (last.substr(kCheck.size()) != hexText(std::int32_t(checksum(saved.substr(0, checked)))))
        return "damaged: its check does not match its text";

    const std::vector<Field> fields = fieldsOf(*form_, focus_);
    if (lines.size() != fields.size() + 2)
        return "holds " + std::to_string(lines.size()) + " lines where a saved game has " +
               std::to_string(fields.size() + 2);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view line = lines[i + 1];
        const Field& field = fields[i];
        const std::size_t blank = line.find(' ');
        if (line.substr(0, blank) != field.name)
            return lineNumber(i + 1) + std::string(line.substr(0, blank)) + " where " + field.name +
                   " belongs";
        const std::string_view token =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (!std::visit(Reader{token}, field.value))
            return lineNumber(i + 1) + "'" + std::string(token) + "' is no value " + field.name +
                   " can have";
    }

    // What the values say must agree with each other, as play leaves them.
    Form1& f = *form_;
    for (int i = 0; i < kDigitSlots; ++i)
        if (f.cmd数字[i].Caption != f.fnc全角数字(f.SlotValues[i]))
            return f.cmd数字[i].Name + " shows " + f.cmd数字[i].Caption + " for the digit " +
                   std::to_string(f.SlotValues[i]);
    for (int i = kResultSlot; i < kSlots; ++i)
        if (f.cmd数字[i].Visible == f.cmd数字[i].Caption.empty())
            return f.cmd数字[i].Name +
                   (f.cmd数字[i].Visible ? " shows no result" : " holds a result out of sight");
    int marks = 0;
    for (const Control& mark : f.shp選択印)
        marks += mark.Visible ? 1 : 0;
    const int count = *f.SelectedCount;
    if (count != marks && !(f.lbl正誤.Visible && count == 1 && marks == 0))
        return "the selection counts " + std::to_string(count) + " with " + std::to_string(marks) +
               " marked";
    if (f.ExtraRefill != kFalse && f.StageIndex != kExtraStage)
        return "the clock refills before the Extra Stage in another stage";
    return std::nullopt;
}

} // namespace kazuroi
