// A running game as a small text and back: a line naming the format, then one line a value, each
// named as the game names it and in a fixed order, then a check of every byte before it. A text
// is read only when every value is one the game can hold, so that it plays on as it was written.
#include "numbers.h"
#include "running_game.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    std::int16_t& v;
    int min, max;
};
struct Bool16Value {
    Bool16& v;
};
struct BoolValue {
    bool& v;
};
struct ColourValue {
    Colour& v;
    bool (*allowed)(Colour);
};
struct SingleValue {
    float& v;
    float min, max;
};
struct TextValue {
    std::string& v;
    bool (*allowed)(const Form1&, std::string_view);
};
struct CountValue {
    std::optional<std::int16_t>& v;
};
struct IntervalValue {
    std::int32_t& v;
    bool (*allowed)(const Form1&, std::int32_t);
};
struct FocusValue {
    const Control*& v;
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

constexpr std::string_view kDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};

bool isDigit(const Form1&, std::string_view text) {
    for (std::string_view d : kDigits)
        if (text == d)
            return true;
    return false;
}

// A result's expression: full-width digits, the four operators and brackets that pair; empty
// while its slot holds none.
bool isExpression(const Form1&, std::string_view text) {
    constexpr std::string_view kOperators[] = {"＋", "－", "×", "÷", "(", ")"};
    constexpr std::size_t kLongestExpression = 96;
    if (text.size() > kLongestExpression)
        return false;
    int open = 0;
    while (!text.empty()) {
        std::string_view piece;
        for (std::string_view p : kDigits)
            if (text.substr(0, p.size()) == p)
                piece = p;
        for (std::string_view p : kOperators)
            if (text.substr(0, p.size()) == p)
                piece = p;
        if (piece.empty())
            return false;
        open += piece == "(" ? 1 : piece == ")" ? -1 : 0;
        if (open < 0)
            return false;
        text.remove_prefix(piece.size());
    }
    return open == 0;
}

bool isStageName(const Form1& f, std::string_view text) {
    for (int s = 0; s <= kExtraStage; ++s)
        if (text == f.StageRecords[std::size_t(s)].Name)
            return true;
    return false;
}

// Five stars, as many filled as the level, or the Extra Stage's pattern.
bool isLevelText(const Form1&, std::string_view text) {
    if (text == "★☆★☆★")
        return true;
    for (int filled = 0; filled <= 5; ++filled) {
        std::string stars;
        for (int i = 0; i < 5; ++i)
            stars += i < filled ? "★" : "☆";
        if (text == stars)
            return true;
    }
    return false;
}

bool isVerdict(const Form1&, std::string_view text) {
    return text == "○正解" || text == "×やり直し" || text == "○やり直し";
}

// The time limit ticks at the stage table's interval, the animation at its own.
bool isClockInterval(const Form1& f, std::int32_t interval) {
    for (int s = 0; s <= kExtraStage; ++s)
        if (interval == f.StageParams[std::size_t(s)].TimerInterval)
            return true;
    return false;
}
bool isAnimationInterval(const Form1&, std::int32_t interval) {
    return interval == 0 || interval == 70;
}

// What is done with each value of a saved game: its name is the control's (or the value's) and a
// property, if any.
class Visitor {
  public:
    virtual ~Visitor() = default;
    virtual void operator()(const std::string& name, const char* property, Int16Value v) = 0;
    virtual void operator()(const std::string& name, const char* property, Bool16Value v) = 0;
    virtual void operator()(const std::string& name, const char* property, BoolValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, ColourValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, SingleValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, TextValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, CountValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, IntervalValue v) = 0;
    virtual void operator()(const std::string& name, const char* property, FocusValue v) = 0;
};

// A visitor that hands every value to one generic function.
template <typename F> class VisitorOf final : public Visitor {
  public:
    explicit VisitorOf(F f) : f_(std::move(f)) {}
    void operator()(const std::string& n, const char* p, Int16Value v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, Bool16Value v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, BoolValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, ColourValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, SingleValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, TextValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, CountValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, IntervalValue v) override { f_(n, p, v); }
    void operator()(const std::string& n, const char* p, FocusValue v) override { f_(n, p, v); }

  private:
    F f_;
};

std::string nameOf(const std::string& name, const char* property) {
    return *property ? name + '.' + property : name;
}

// Every value of a saved game, in its order.
void eachValue(Form1& f, const Control*& focus, Visitor& visit) {
    const int full = int(f.shp制限時間表示枠.Width);
    visit("StageIndex", "", Int16Value{f.StageIndex, 0, kExtraStage});
    visit("SolvedCount", "", Int16Value{f.SolvedCount, 0, kQuestionsPerStage});
    visit("NoRedoUsed", "", Bool16Value{f.NoRedoUsed});
    visit("ExtraRefill", "", Bool16Value{f.ExtraRefill});
    visit("TimeLeft", "", Int16Value{f.TimeLeft, 0, full});
    visit("TickCountdown", "", Int16Value{f.TickCountdown, 0, 10});
    visit("BarColour", "", ColourValue{f.BarColour, isTarget});
    visit("BlinkPhase", "", Int16Value{f.BlinkPhase, 0, 15});
    visit("AnimationStep", "", Int16Value{f.AnimationStep, -23, kLastAnimationStep});
    visit("SelectedCount", "", CountValue{f.SelectedCount});
    for (int i = 0; i < kSlots; ++i)
        visit("SlotValues(" + std::to_string(i) + ")", "",
              Int16Value{f.SlotValues[std::size_t(i)], 0, i < kDigitSlots ? 9 : kLargestResult});
    for (int i = 0; i < kSlots; ++i) {
        Control& c = f.cmd数字[std::size_t(i)];
        visit(c.Name, "Caption", TextValue{c.Caption, i < kDigitSlots ? isDigit : isExpression});
        visit(c.Name, "Enabled", BoolValue{c.Enabled});
        visit(c.Name, "Visible", BoolValue{c.Visible});
        visit(c.Name, "BackColor", ColourValue{c.BackColor, isFace});
    }
    for (Control& mark : f.shp選択印)
        visit(mark.Name, "Visible", BoolValue{mark.Visible});
    for (Control* c : {&f.cmd加算, &f.cmd減算, &f.cmd乗算, &f.cmd除算, &f.cmd出題, &f.cmdやり直し})
        visit(c->Name, "Enabled", BoolValue{c->Enabled});
    visit(f.lblステージ.Name, "Caption", TextValue{f.lblステージ.Caption, isStageName});
    visit(f.lblレベル.Name, "Caption", TextValue{f.lblレベル.Caption, isLevelText});
    visit(f.lbl正誤.Name, "Caption", TextValue{f.lbl正誤.Caption, isVerdict});
    visit(f.lbl正誤.Name, "ForeColor", ColourValue{f.lbl正誤.ForeColor, isVerdictColour});
    visit(f.lbl正誤.Name, "Visible", BoolValue{f.lbl正誤.Visible});
    Control& bar = f.shp制限時間残り;
    visit(bar.Name, "Width", SingleValue{bar.Width, 0, float(full)});
    visit(bar.Name, "Visible", BoolValue{bar.Visible});
    visit(bar.Name, "BackColor", ColourValue{bar.BackColor, isFading});
    visit(f.shp制限時間表示枠.Name, "Visible", BoolValue{f.shp制限時間表示枠.Visible});
    Control& panel = f.frmステージクリア;
    visit(panel.Name, "Visible", BoolValue{panel.Visible});
    visit(panel.Name, "Top", SingleValue{panel.Top, -kFarthestPanel, kFarthestPanel});
    Timer& clock = f.tim制限時間タイマ;
    Timer& animation = f.timアニメーションタイマ;
    visit(clock.Name, "Enabled", BoolValue{clock.Enabled});
    visit(clock.Name, "Interval", IntervalValue{clock.Interval, isClockInterval});
    visit(animation.Name, "Enabled", BoolValue{animation.Enabled});
    visit(animation.Name, "Interval", IntervalValue{animation.Interval, isAnimationInterval});
    visit("Form1", "ActiveControl", FocusValue{focus});
}

std::string hexText(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string text(const Int16Value& v) {
    return std::to_string(v.v);
}
std::string text(const Bool16Value& v) {
    return v.v ? "True" : "False";
}
std::string text(const BoolValue& v) {
    return v.v ? "True" : "False";
}
std::string text(const ColourValue& v) {
    return hexText(std::uint32_t(v.v));
}
std::string text(const SingleValue& v) {
    return shortestText(v.v);
}
std::string text(const TextValue& v) {
    return '"' + v.v + '"';
}
std::string text(const CountValue& v) {
    return v.v ? std::to_string(*v.v) : "Empty";
}
std::string text(const IntervalValue& v) {
    return std::to_string(v.v);
}
std::string text(const FocusValue& v) {
    return v.v ? '"' + v.v->Name + '"' : "Nothing";
}

template <typename T> std::optional<T> wholeNumber(std::string_view text) {
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
std::optional<std::string_view> quotedText(std::string_view token) {
    if (token.size() < 2 || token.front() != '"' || token.back() != '"')
        return std::nullopt;
    const std::string_view inside = token.substr(1, token.size() - 2);
    for (unsigned char c : inside)
        if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F)
            return std::nullopt;
    return inside;
}

// Each value from its text, when it is one the game can hold; false otherwise.
bool read(std::string_view token, const Form1&, const Int16Value& v) {
    const auto n = wholeNumber<int>(token);
    if (!n || *n < v.min || *n > v.max)
        return false;
    v.v = std::int16_t(*n);
    return true;
}
bool read(std::string_view token, const Form1&, const Bool16Value& v) {
    const auto b = boolean(token);
    if (b)
        v.v = *b ? kTrue : kFalse;
    return b.has_value();
}
bool read(std::string_view token, const Form1&, const BoolValue& v) {
    const auto b = boolean(token);
    if (b)
        v.v = *b;
    return b.has_value();
}
bool read(std::string_view token, const Form1&, const ColourValue& v) {
    if (token.size() != 10 || token.substr(0, 2) != "0x")
        return false;
    std::uint32_t hex = 0;
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data() + 2, end, hex, 16);
    if (ec != std::errc() || ptr != end || !v.allowed(Colour(hex)) || hexText(hex) != token)
        return false;
    v.v = Colour(hex);
    return true;
}
bool read(std::string_view token, const Form1&, const SingleValue& v) {
    // As the game writes a number: plain decimal, and nothing but the text it writes for it.
    const std::size_t point = token.find('.');
    const auto whole = wholeNumber<long>(token.substr(0, point));
    const auto fraction = point == std::string_view::npos
                              ? std::optional<long>(0)
                              : wholeNumber<long>(token.substr(point + 1));
    constexpr std::size_t kLongestNumber = 16;
    if (!whole || !fraction || token.size() > kLongestNumber)
        return false;
    const std::size_t places = point == std::string_view::npos ? 0 : token.size() - point - 1;
    const double magnitude =
        double(std::labs(*whole)) + double(*fraction) / std::pow(10.0, double(places));
    const float number = toSingle(token.front() == '-' ? -magnitude : magnitude);
    if (number < v.min || number > v.max || shortestText(number) != token)
        return false;
    v.v = number;
    return true;
}
bool read(std::string_view token, const Form1& f, const TextValue& v) {
    const auto t = quotedText(token);
    if (!t || !v.allowed(f, *t))
        return false;
    v.v = std::string(*t);
    return true;
}
bool read(std::string_view token, const Form1&, const CountValue& v) {
    const auto n = wholeNumber<int>(token); // a board holds four numbers at most
    if (!n || *n < 0 || *n > kDigitSlots)
        return false;
    v.v = std::int16_t(*n);
    return true;
}
bool read(std::string_view token, const Form1& f, const IntervalValue& v) {
    const auto n = wholeNumber<std::int32_t>(token);
    if (!n || !v.allowed(f, *n))
        return false;
    v.v = *n;
    return true;
}
// Nothing, or a control the game moves the focus to: one that answers a click.
bool read(std::string_view token, const Form1& f, const FocusValue& v) {
    if (token == "Nothing") {
        v.v = nullptr;
        return true;
    }
    for (Control* c : f.controls())
        if (quotedText(token) == c->Name && const_cast<Form1&>(f).clickHandler(*c)) {
            v.v = c;
            return true;
        }
    return false;
}

// The lines of a saved game between its first and its check, read in turn; the first that is not
// what a saved game holds there says why.
struct Lines {
    const std::vector<std::string_view>& lines;
    std::size_t line = 1;
    std::optional<std::string> why;

    std::string where() const { return "line " + std::to_string(line + 1) + ": "; }
    // The value's text on the next line, when that line names it.
    std::optional<std::string_view> next(const std::string& base, const char* property) {
        if (why)
            return std::nullopt;
        const std::string name = nameOf(base, property);
        if (line + 1 >= lines.size()) {
            why = "cut short: no line for " + name;
            return std::nullopt;
        }
        const std::string_view text = lines[line++];
        const std::size_t blank = text.find(' ');
        if (text.substr(0, blank) == name && blank != std::string_view::npos)
            return text.substr(blank + 1);
        --line;
        why = where() + std::string(text.substr(0, blank)) + " where " + name + " belongs";
        return std::nullopt;
    }
    void refuse(const std::string& base, const char* property) {
        --line;
        why = where() + "no value " + nameOf(base, property) + " can have";
        ++line;
    }
};

// FNV-1a, enough to tell a text that lost or changed a byte.
std::uint32_t checksum(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

} // namespace

std::optional<std::string> RunningGame::save() const {
    if (!started_ || boxOpen() || ended_ || closed_)
        return std::nullopt;
    const Control* focus = focus_;
    std::string out = std::string(kFormat) + std::to_string(kVersion) + '\n';
    VisitorOf write([&out](const std::string& name, const char* property, const auto& v) {
        out += nameOf(name, property) + ' ' + text(v) + '\n';
    });
    eachValue(const_cast<Form1&>(*form_), focus, write);
    return out + std::string(kCheck) + hexText(checksum(out)) + '\n';
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
    if (last.substr(0, kCheck.size()) != kCheck)
        return "cut short: no check at its end";
    const std::size_t checked = saved.size() - last.size() - 1;
    if (last.substr(kCheck.size()) != hexText(checksum(saved.substr(0, checked))))
        return "damaged: its check does not match its text";

    Form1& f = *form_;
    Lines reading{lines, 1, std::nullopt};
    VisitorOf reader([&](const std::string& base, const char* property, const auto& v) {
        if (const auto token = reading.next(base, property); token && !kazuroi::read(*token, f, v))
            reading.refuse(base, property);
    });
    eachValue(f, focus_, reader);
    if (!reading.why && reading.line + 1 != lines.size())
        reading.why = reading.where() + "more than a saved game holds";
    if (reading.why)
        return reading.why;

    // What the values say must agree with each other, as play leaves them.
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
