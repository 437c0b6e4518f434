// Form1's controls as the window is created, before its Load handler runs.
#include "form1.h"

#include <algorithm>

namespace kazuroi {

namespace {

const FontSpec kFrameFont{"ＭＳ Ｐゴシック", 18, 400, 128};
const FontSpec kDigitFont{"MS UI Gothic", 36, 400, 128};
const FontSpec kOperatorFont{"MS UI Gothic", 27.75f, 400, 0};
const FontSpec kCommandFont{"MS UI Gothic", 18, 400, 128};
const FontSpec kTitleFont{"MS UI Gothic", 24, 400, 128};
const FontSpec kLevelFont{"MS UI Gothic", 15.75f, 400, 128};
const FontSpec kJudgementFont{"MS UI Gothic", 48, 400, 128};
const FontSpec kStageClearFont{"ＭＳ Ｐゴシック", 36, 400, 128};

constexpr Colour kLightGreen = 0x80FF80;
constexpr Colour kOrange = 0x0080FF;
constexpr Colour kYellowText = 0x00FFFF;
constexpr Colour kMagenta = 0xFF00FF;

// One row of the layout: where a control sits and what it shows when the window is created.
struct Place {
    const Control* container;
    float left, top, width, height;
    const char* caption;
    FontSpec font;
};

void place(Control& c, std::string name, ControlType type, const Place& p) {
    c.Name = std::move(name);
    c.Type = type;
    c.Container = p.container;
    c.Left = p.left;
    c.Top = p.top;
    c.Width = p.width;
    c.Height = p.height;
    c.Caption = p.caption;
    c.Font = p.font;
    if (type == ControlType::TextBox) {
        c.BackColor = kWindowBackground;
        c.ForeColor = kWindowText;
    }
}

std::string indexed(const char* name, int i) {
    return std::string(name) + "(" + std::to_string(i) + ")";
}

} // namespace

Form1::Form1(Platform& platform) : platform_(platform) {
    using T = ControlType;

    // Frames.
    place(frm問題, "frm問題", T::Frame, {nullptr, 360, 1080, 5295, 2775, "問題", kFrameFont});
    place(frm演算子, "frm演算子", T::Frame, {nullptr, 6000, 1080, 2415, 2775, "", kFrameFont});
    place(frm答案, "frm答案", T::Frame, {nullptr, 360, 4080, 5895, 2775, "", kFrameFont});
    place(frmステージクリア, "frmステージクリア", T::Frame,
          {nullptr, 240, 7200, 8295, 2415, "", {}});
    frmステージクリア.BackColor = kLightGreen;
    frmステージクリア.ForeColor = kWindowText;
    frmステージクリア.Bordered = false;

    // Command buttons.
    const float digitLeft[6] = {600, 1680, 2760, 3840, 240, 240};
    const float digitTop[6] = {1080, 1080, 1080, 1080, 480, 1560};
    const float digitWidth[6] = {855, 855, 855, 855, 5415, 5415};
    const int digitTab[6] = {1, 2, 3, 4, 12, 13};
    for (int i = 0; i < 6; ++i) {
        const Control* frame = i < 4 ? &frm問題 : &frm答案;
        place(cmd数字[i], indexed("cmd数字", i), T::CommandButton,
              {frame, digitLeft[i], digitTop[i], digitWidth[i], 855, "", kDigitFont});
        cmd数字[i].Graphical = true;
        cmd数字[i].TabIndex = digitTab[i];
    }
    place(cmd加算, "cmd加算", T::CommandButton,
          {&frm演算子, 240, 480, 855, 855, "＋", kOperatorFont});
    place(cmd減算, "cmd減算", T::CommandButton,
          {&frm演算子, 240, 1560, 855, 855, "－", kOperatorFont});
    place(cmd乗算, "cmd乗算", T::CommandButton,
          {&frm演算子, 1320, 480, 855, 855, "×", kOperatorFont});
    place(cmd除算, "cmd除算", T::CommandButton,
          {&frm演算子, 1320, 1560, 855, 855, "÷", kOperatorFont});
    cmd加算.TabIndex = 6;
    cmd減算.TabIndex = 7;
    cmd乗算.TabIndex = 8;
    cmd除算.TabIndex = 9;
    place(cmd出題, "cmd出題", T::CommandButton,
          {nullptr, 6480, 4320, 1935, 555, "次の問題 》", kCommandFont});
    place(cmdやり直し, "cmdやり直し", T::CommandButton,
          {nullptr, 6480, 5160, 1935, 555, "×やり直す", kCommandFont});
    cmd出題.TabIndex = 14;
    cmdやり直し.TabIndex = 11;

    // Labels.
    place(lblタイトル, "lblタイトル", T::Label,
          {nullptr, 480, 240, 5175, 615, "４つの数字で１０を作れ。", kTitleFont});
    place(lblステージ, "lblステージ", T::Label, {nullptr, 6000, 240, 2415, 615, "", kTitleFont});
    lblステージ.Alignment = TextAlignment::Right;
    place(lblレベル, "lblレベル", T::Label, {&frm問題, 3480, 360, 1575, 375, "☆☆☆☆☆", kLevelFont});
    lblレベル.Alignment = TextAlignment::Right;
    lblレベル.ForeColor = kOrange;
    place(lbl正誤, "lbl正誤", T::Label,
          {&frm答案, 1200, 1560, 4455, 1095, "○やり直し", kJudgementFont});
    lbl正誤.Alignment = TextAlignment::Right;
    place(lblステージクリア, "lblステージクリア", T::Label,
          {&frmステージクリア, 960, 720, 6375, 855, "ステージクリア", kStageClearFont});
    place(lblステージクリアs, "lblステージクリアs", T::Label,
          {&frmステージクリア, 1005, 765, 6375, 855, "ステージクリア", kStageClearFont});
    for (Control* label : {&lblステージクリア, &lblステージクリアs}) {
        label->Alignment = TextAlignment::Centre;
        label->TransparentBack = true;
    }
    lblステージクリア.ForeColor = kOrange;
    lblステージクリアs.ForeColor = kYellowText;

    // Shapes: a ring centred on each number button, and the time bar over its track.
    const float markLeft[6] = {360, 1440, 2520, 3600, 2280, 2280};
    const float markTop[6] = {840, 840, 840, 840, 240, 1320};
    for (int i = 0; i < 6; ++i) {
        place(shp選択印[i], indexed("shp選択印", i), T::Shape,
              {cmd数字[i].Container, markLeft[i], markTop[i], 1305, 1305, "", {}});
        shp選択印[i].Shape = ShapeKind::Circle;
        shp選択印[i].BorderColor = kMagenta;
        shp選択印[i].TransparentBack = true;
    }
    place(shp制限時間残り, "shp制限時間残り", T::Shape, {nullptr, 6480, 6120, 1335, 615, "", {}});
    shp制限時間残り.BackColor = kGreen;
    shp制限時間残り.Bordered = false;
    place(shp制限時間表示枠, "shp制限時間表示枠", T::Shape,
          {nullptr, 6480, 6120, 1935, 615, "", {}});
    shp制限時間表示枠.BackColor = kButtonShadow;
    shp制限時間表示枠.Bordered = false;

    place(Text1, "Text1", T::TextBox, {nullptr, 2160, 7440, 2775, 975, "", {}});
    Text1.TabIndex = 22;

    tim制限時間タイマ = {"tim制限時間タイマ", 100, false};
    timアニメーションタイマ = {"timアニメーションタイマ", 0, true};

    controls_ = {&Text1,
                 &frmステージクリア,
                 &cmd出題,
                 &cmdやり直し,
                 &frm演算子,
                 &frm問題,
                 &frm答案,
                 &shp制限時間残り,
                 &shp制限時間表示枠,
                 &lblステージ,
                 &lblタイトル,
                 &lblステージクリア,
                 &lblステージクリアs,
                 &cmd除算,
                 &cmd乗算,
                 &cmd減算,
                 &cmd加算,
                 &cmd数字[3],
                 &cmd数字[2],
                 &cmd数字[1],
                 &cmd数字[0],
                 &shp選択印[3],
                 &shp選択印[2],
                 &shp選択印[1],
                 &shp選択印[0],
                 &lblレベル,
                 &cmd数字[5],
                 &cmd数字[4],
                 &shp選択印[4],
                 &shp選択印[5],
                 &lbl正誤};
}

std::vector<Control*> Form1::children(const Control* container) const {
    std::vector<Control*> result;
    std::copy_if(controls_.begin(), controls_.end(), std::back_inserter(result),
                 [container](const Control* c) { return c->Container == container; });
    return result;
}

Control* Form1::findControl(const std::string& name) {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [&name](const Control* c) { return c->Name == name; });
    return it == controls_.end() ? nullptr : *it;
}

Timer* Form1::findTimer(const std::string& name) {
    for (Timer* timer : {&tim制限時間タイマ, &timアニメーションタイマ})
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
    for (int i = 0; i < 6; ++i)
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

} // namespace kazuroi
