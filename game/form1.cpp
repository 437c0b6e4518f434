// Form1's controls as the window is created, before its Load handler runs, and its event wiring.
#include "form1.h"

#include <algorithm>

namespace kazuroi {

namespace {

const FontSpec kDefault{};
const FontSpec kFrame{"ＭＳ Ｐゴシック", 18, 400, 128};
const FontSpec kDigit{"MS UI Gothic", 36, 400, 128};
const FontSpec kOperator{"MS UI Gothic", 27.75f, 400, 0};
const FontSpec kCommand{"MS UI Gothic", 18, 400, 128};
const FontSpec kTitle{"MS UI Gothic", 24, 400, 128};
const FontSpec kLevel{"MS UI Gothic", 15.75f, 400, 128};
const FontSpec kJudgement{"MS UI Gothic", 48, 400, 128};
const FontSpec kStageClear{"ＭＳ Ｐゴシック", 36, 400, 128};

constexpr Colour kLightGreen = 0x80FF80;
constexpr Colour kOrange = 0x0080FF;
constexpr Colour kYellowText = 0x00FFFF;

// Where a control lives in Form1: a member, or one element of a control array.
struct Member {
    Control Form1::*single = nullptr;
    std::array<Control, kSlots> Form1::*array = nullptr;
    int index = 0;

    Control& in(Form1& form) const { return single ? form.*single : (form.*array)[index]; }
};
Member at(Control Form1::*single) {
    return {single, nullptr, 0};
}
Member at(std::array<Control, kSlots> Form1::*array, int index) {
    return {nullptr, array, index};
}

using Type = ControlType;
using Align = TextAlignment;

// One row per control: where it sits and how it looks when the window is created. Each container's
// children are listed front to back, and a container comes before its children.
struct Row {
    Member member;
    const char* name;
    ControlType type;
    const char* container; // nullptr: the window's client area
    float left, top, width, height;
    const char* caption;
    const FontSpec& font;
    Colour back, fore;
    TextAlignment alignment;
    Look look;
    int tabIndex;
};

// clang-format off
const Row kLayout[] = {
    // Form1; Text1 lies wholly below the client area and nothing reads or writes it
    {at(&Form1::Text1), "Text1", Type::TextBox, nullptr, 2160, 7440, 2775, 975, "", kDefault, kWindowBackground, kWindowText, Align::Left, Look::Standard, 22},
    {at(&Form1::frmステージクリア), "frmステージクリア", Type::Frame, nullptr, 240, 7200, 8295, 2415, "", kDefault, kLightGreen, kWindowText, Align::Left, Look::Flat, -1},
    {at(&Form1::cmd出題), "cmd出題", Type::CommandButton, nullptr, 6480, 4320, 1935, 555, "次の問題 》", kCommand, kButtonFace, kButtonText, Align::Centre, Look::Standard, 14},
    {at(&Form1::cmdやり直し), "cmdやり直し", Type::CommandButton, nullptr, 6480, 5160, 1935, 555, "×やり直す", kCommand, kButtonFace, kButtonText, Align::Centre, Look::Standard, 11},
    {at(&Form1::frm演算子), "frm演算子", Type::Frame, nullptr, 6000, 1080, 2415, 2775, "", kFrame, kButtonFace, kButtonText, Align::Left, Look::Standard, -1},
    {at(&Form1::frm問題), "frm問題", Type::Frame, nullptr, 360, 1080, 5295, 2775, "問題", kFrame, kButtonFace, kButtonText, Align::Left, Look::Standard, -1},
    {at(&Form1::frm答案), "frm答案", Type::Frame, nullptr, 360, 4080, 5895, 2775, "", kFrame, kButtonFace, kButtonText, Align::Left, Look::Standard, -1},
    {at(&Form1::shp制限時間残り), "shp制限時間残り", Type::Shape, nullptr, 6480, 6120, 1335, 615, "", kDefault, kGreen, kButtonText, Align::Left, Look::Filled, -1},
    {at(&Form1::shp制限時間表示枠), "shp制限時間表示枠", Type::Shape, nullptr, 6480, 6120, 1935, 615, "", kDefault, kButtonShadow, kButtonText, Align::Left, Look::Filled, -1},
    {at(&Form1::lblステージ), "lblステージ", Type::Label, nullptr, 6000, 240, 2415, 615, "", kTitle, kButtonFace, kButtonText, Align::Right, Look::Standard, -1},
    {at(&Form1::lblタイトル), "lblタイトル", Type::Label, nullptr, 480, 240, 5175, 615, "４つの数字で１０を作れ。", kTitle, kButtonFace, kButtonText, Align::Left, Look::Standard, -1},
    // frmステージクリア: the orange text in front of its yellow copy
    {at(&Form1::lblステージクリア), "lblステージクリア", Type::Label, "frmステージクリア", 960, 720, 6375, 855, "ステージクリア", kStageClear, kButtonFace, kOrange, Align::Centre, Look::Transparent, -1},
    {at(&Form1::lblステージクリアs), "lblステージクリアs", Type::Label, "frmステージクリア", 1005, 765, 6375, 855, "ステージクリア", kStageClear, kButtonFace, kYellowText, Align::Centre, Look::Transparent, -1},
    // frm演算子
    {at(&Form1::cmd除算), "cmd除算", Type::CommandButton, "frm演算子", 1320, 1560, 855, 855, "÷", kOperator, kButtonFace, kButtonText, Align::Centre, Look::Standard, 9},
    {at(&Form1::cmd乗算), "cmd乗算", Type::CommandButton, "frm演算子", 1320, 480, 855, 855, "×", kOperator, kButtonFace, kButtonText, Align::Centre, Look::Standard, 8},
    {at(&Form1::cmd減算), "cmd減算", Type::CommandButton, "frm演算子", 240, 1560, 855, 855, "－", kOperator, kButtonFace, kButtonText, Align::Centre, Look::Standard, 7},
    {at(&Form1::cmd加算), "cmd加算", Type::CommandButton, "frm演算子", 240, 480, 855, 855, "＋", kOperator, kButtonFace, kButtonText, Align::Centre, Look::Standard, 6},
    // frm問題: each ring centred on its number button, behind it
    {at(&Form1::cmd数字, 3), "cmd数字(3)", Type::CommandButton, "frm問題", 3840, 1080, 855, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 4},
    {at(&Form1::cmd数字, 2), "cmd数字(2)", Type::CommandButton, "frm問題", 2760, 1080, 855, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 3},
    {at(&Form1::cmd数字, 1), "cmd数字(1)", Type::CommandButton, "frm問題", 1680, 1080, 855, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 2},
    {at(&Form1::cmd数字, 0), "cmd数字(0)", Type::CommandButton, "frm問題", 600, 1080, 855, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 1},
    {at(&Form1::shp選択印, 3), "shp選択印(3)", Type::Shape, "frm問題", 3600, 840, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::shp選択印, 2), "shp選択印(2)", Type::Shape, "frm問題", 2520, 840, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::shp選択印, 1), "shp選択印(1)", Type::Shape, "frm問題", 1440, 840, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::shp選択印, 0), "shp選択印(0)", Type::Shape, "frm問題", 360, 840, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::lblレベル), "lblレベル", Type::Label, "frm問題", 3480, 360, 1575, 375, "☆☆☆☆☆", kLevel, kButtonFace, kOrange, Align::Right, Look::Standard, -1},
    // frm答案: mark 5 lies in front of lbl正誤, button 5 in front of both
    {at(&Form1::cmd数字, 5), "cmd数字(5)", Type::CommandButton, "frm答案", 240, 1560, 5415, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 13},
    {at(&Form1::cmd数字, 4), "cmd数字(4)", Type::CommandButton, "frm答案", 240, 480, 5415, 855, "", kDigit, kButtonFace, kButtonText, Align::Centre, Look::Graphical, 12},
    {at(&Form1::shp選択印, 4), "shp選択印(4)", Type::Shape, "frm答案", 2280, 240, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::shp選択印, 5), "shp選択印(5)", Type::Shape, "frm答案", 2280, 1320, 1305, 1305, "", kDefault, kButtonFace, kButtonText, Align::Left, Look::Ring, -1},
    {at(&Form1::lbl正誤), "lbl正誤", Type::Label, "frm答案", 1200, 1560, 4455, 1095, "○やり直し", kJudgement, kButtonFace, kButtonText, Align::Right, Look::Standard, -1},
};
// clang-format on

} // namespace

Form1::Form1(Platform& platform) : platform_(platform) {
    for (const Row& row : kLayout) {
        Control& c = row.member.in(*this);
        c.Name = row.name;
        c.Type = row.type;
        c.Container = row.container ? findControl(row.container) : nullptr;
        c.Left = row.left;
        c.Top = row.top;
        c.Width = row.width;
        c.Height = row.height;
        c.Caption = row.caption;
        c.Font = row.font;
        c.BackColor = row.back;
        c.ForeColor = row.fore;
        c.Alignment = row.alignment;
        c.Look = row.look;
        c.TabIndex = row.tabIndex;
        controls_.push_back(&c);
    }
    // As the window creates them: the Load handler sets the time limit's interval from the stage
    // table (100 ms is never ticked at), and the stage clear gives the animation its own.
    tim制限時間タイマ = {"tim制限時間タイマ", 100, false, true};
    timアニメーションタイマ = {"timアニメーションタイマ", 0, true, false};
    for (int i = 0; i < kSlots; ++i)
        shp選択印[i].Marks = &cmd数字[i];
    shp制限時間残り.Track = &shp制限時間表示枠;
}

Control* Form1::findControl(const std::string& name) {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [&name](const Control* c) { return c->Name == name; });
    return it == controls_.end() ? nullptr : *it;
}

Timer* Form1::findTimer(const std::string& name) {
    for (Timer* timer : timers())
        if (timer->Name == name)
            return timer;
    return nullptr;
}

bool Form1::takesInput(const Control& control) const {
    for (const Control* c = &control; c != nullptr; c = c->Container)
        if (!c->Visible || !c->Enabled)
            return false;
    return true;
}

// Event wiring: only the number and operator buttons answer MouseDown, only cmd出題 and
// cmdやり直し answer Click. The handlers ignore which button and where.
std::function<void()> Form1::mouseDownHandler(const Control& control) {
    for (int i = 0; i < kSlots; ++i)
        if (&control == &cmd数字[i])
            return [this, i] { cmd数字_MouseDown(std::int16_t(i), 1, 0, 0, 0); };
    if (&control == &cmd加算)
        return [this] { cmd加算_MouseDown(1, 0, 0, 0); };
    if (&control == &cmd減算)
        return [this] { cmd減算_MouseDown(1, 0, 0, 0); };
    if (&control == &cmd乗算)
        return [this] { cmd乗算_MouseDown(1, 0, 0, 0); };
    if (&control == &cmd除算)
        return [this] { cmd除算_MouseDown(1, 0, 0, 0); };
    return {};
}

std::function<void()> Form1::clickHandler(const Control& control) {
    if (&control == &cmd出題)
        return [this] { cmd出題_Click(); };
    if (&control == &cmdやり直し)
        return [this] { cmdやり直し_Click(); };
    return {};
}

// A tick reaches its handler only while the timer ticks: a front end may have one in flight
// when the logic switches the timer off.
std::function<void()> Form1::timerHandler(const Timer& timer) {
    if (&timer == &tim制限時間タイマ)
        return [this] {
            if (tim制限時間タイマ.ticking())
                tim制限時間タイマ_Timer();
        };
    if (&timer == &timアニメーションタイマ)
        return [this] {
            if (timアニメーションタイマ.ticking())
                timアニメーションタイマ_Timer();
        };
    return {};
}

MessageResult Form1::ask(const std::string& text, const std::string& title,
                         MessageButtons buttons) {
    return platform_.messageBox(text, title, buttons);
}

} // namespace kazuroi
