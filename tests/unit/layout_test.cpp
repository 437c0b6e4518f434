// Every control's container, place, size, fonts, colours and alignment as the window is created,
// against tables copied by hand from the game's own layout tables (never read from the layout in
// the code).
#include "test_form.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <optional>

namespace kazuroi {
namespace {

constexpr Colour kFace = Colour(0x8000000F);        // system colour 15, button face
constexpr Colour kButtonLabel = Colour(0x80000012); // system colour 18, button text
constexpr Colour kWindowLabel = Colour(0x80000008); // system colour 8, window text

struct Expected {
    const char* name;
    const char* face; // "" for the window's default font
    float points;
    int charset;
    std::optional<Colour> back, fore; // unset where the layout leaves it to the platform
    TextAlignment alignment = TextAlignment::Left;
};

const char* const kPGothic = "ＭＳ Ｐゴシック";
const char* const kUIGothic = "MS UI Gothic";
using Align = TextAlignment;

// clang-format off
const Expected kTable[] = {
    // Frames; the stage-clear panel has the window's font.
    {"frm問題",          kPGothic, 18, 128, {}, {}},
    {"frm演算子",        kPGothic, 18, 128, {}, {}},
    {"frm答案",          kPGothic, 18, 128, {}, {}},
    {"frmステージクリア", "",       0,  0,   Colour(0x80FF80), kWindowLabel},
    // Command buttons: the number buttons' face is the button face until a judgement colours it.
    {"cmd数字(0)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd数字(1)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd数字(2)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd数字(3)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd数字(4)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd数字(5)", kUIGothic, 36,    128, kFace, {}, Align::Centre},
    {"cmd加算",    kUIGothic, 27.75, 0,   {},    {}, Align::Centre},
    {"cmd減算",    kUIGothic, 27.75, 0,   {},    {}, Align::Centre},
    {"cmd乗算",    kUIGothic, 27.75, 0,   {},    {}, Align::Centre},
    {"cmd除算",    kUIGothic, 27.75, 0,   {},    {}, Align::Centre},
    {"cmd出題",    kUIGothic, 18,    128, {},    {}, Align::Centre},
    {"cmdやり直し", kUIGothic, 18,    128, {},    {}, Align::Centre},
    // Labels: button text on the button face unless the table says otherwise.
    {"lblタイトル",       kUIGothic, 24,    128, kFace, kButtonLabel},
    {"lblステージ",       kUIGothic, 24,    128, kFace, kButtonLabel, Align::Right},
    {"lblレベル",         kUIGothic, 15.75, 128, kFace, Colour(0x0080FF), Align::Right},
    {"lbl正誤",           kUIGothic, 48,    128, kFace, kButtonLabel, Align::Right},
    {"lblステージクリア",  kPGothic,  36,    128, {},    Colour(0x0080FF), Align::Centre},
    {"lblステージクリアs", kPGothic,  36,    128, {},    Colour(0x00FFFF), Align::Centre},
    // Shapes and the text box.
    {"shp制限時間残り", "", 0, 0, Colour(0x00FF00), {}},
    {"Text1",           "", 0, 0, {}, {}},
};
// clang-format on

TEST(Layout, FontsColoursAndAlignmentAsCreated) {
    TestForm t;
    for (const Expected& e : kTable) {
        const Control* c = t.form.findControl(e.name);
        ASSERT_NE(c, nullptr) << e.name;
        EXPECT_EQ(c->Font.Name, e.face) << e.name;
        EXPECT_EQ(c->Font.Size, e.points) << e.name;
        EXPECT_EQ(c->Font.Charset, e.charset) << e.name;
        EXPECT_EQ(c->Font.Weight, *e.face ? 400 : FontSpec{}.Weight) << e.name;
        EXPECT_EQ(c->BackColor, e.back.value_or(c->BackColor)) << e.name;
        EXPECT_EQ(c->ForeColor, e.fore.value_or(c->ForeColor)) << e.name;
        const bool aligned = c->Type == ControlType::Label || c->Type == ControlType::CommandButton;
        EXPECT_EQ(c->Alignment, aligned ? e.alignment : c->Alignment) << e.name;
    }
    // The panel's two texts show through to it; the other labels are opaque.
    for (const char* name : {"lblステージクリア", "lblステージクリアs"})
        EXPECT_EQ(t.form.findControl(name)->Look, Look::Transparent) << name;
    for (const char* name : {"lblタイトル", "lblステージ", "lblレベル", "lbl正誤"})
        EXPECT_NE(t.form.findControl(name)->Look, Look::Transparent) << name;
    // The time bar's track sets a full bar off from the window's button face.
    EXPECT_NE(t.form.shp制限時間表示枠.BackColor, kFace);
}

// Where each control sits in its container, in twips, and how big it is.
struct Place {
    const char* name;
    const char* container; // nullptr: the window's client area
    float left, top, width, height;
};

// clang-format off
const Place kPlaces[] = {
    {"frm問題",           nullptr,            360,  1080, 5295, 2775},
    {"frm演算子",         nullptr,            6000, 1080, 2415, 2775},
    {"frm答案",           nullptr,            360,  4080, 5895, 2775},
    {"frmステージクリア",  nullptr,            240,  7200, 8295, 2415},
    {"cmd数字(0)",        "frm問題",          600,  1080, 855,  855},
    {"cmd数字(1)",        "frm問題",          1680, 1080, 855,  855},
    {"cmd数字(2)",        "frm問題",          2760, 1080, 855,  855},
    {"cmd数字(3)",        "frm問題",          3840, 1080, 855,  855},
    {"cmd数字(4)",        "frm答案",          240,  480,  5415, 855},
    {"cmd数字(5)",        "frm答案",          240,  1560, 5415, 855},
    {"cmd加算",           "frm演算子",        240,  480,  855,  855},
    {"cmd減算",           "frm演算子",        240,  1560, 855,  855},
    {"cmd乗算",           "frm演算子",        1320, 480,  855,  855},
    {"cmd除算",           "frm演算子",        1320, 1560, 855,  855},
    {"cmd出題",           nullptr,            6480, 4320, 1935, 555},
    {"cmdやり直し",       nullptr,            6480, 5160, 1935, 555},
    {"lblタイトル",        nullptr,            480,  240,  5175, 615},
    {"lblステージ",        nullptr,            6000, 240,  2415, 615},
    {"lblレベル",          "frm問題",          3480, 360,  1575, 375},
    {"lbl正誤",            "frm答案",          1200, 1560, 4455, 1095},
    {"lblステージクリア",   "frmステージクリア", 960,  720,  6375, 855},
    {"lblステージクリアs",  "frmステージクリア", 1005, 765,  6375, 855},
    {"shp選択印(0)",       "frm問題",          360,  840,  1305, 1305},
    {"shp選択印(1)",       "frm問題",          1440, 840,  1305, 1305},
    {"shp選択印(2)",       "frm問題",          2520, 840,  1305, 1305},
    {"shp選択印(3)",       "frm問題",          3600, 840,  1305, 1305},
    {"shp選択印(4)",       "frm答案",          2280, 240,  1305, 1305},
    {"shp選択印(5)",       "frm答案",          2280, 1320, 1305, 1305},
    {"shp制限時間残り",     nullptr,            6480, 6120, 1335, 615},
    {"shp制限時間表示枠",   nullptr,            6480, 6120, 1935, 615},
    {"Text1",             nullptr,            2160, 7440, 2775, 975},
};
// clang-format on

TEST(Layout, EveryControlInItsContainerAtItsPlace) {
    TestForm t;
    EXPECT_EQ(t.form.controls().size(), std::size(kPlaces));
    for (const Place& p : kPlaces) {
        const Control* c = t.form.findControl(p.name);
        ASSERT_NE(c, nullptr) << p.name;
        EXPECT_EQ(c->Container ? c->Container->Name : "", p.container ? p.container : "") << p.name;
        EXPECT_EQ((std::array{c->Left, c->Top, c->Width, c->Height}),
                  (std::array{p.left, p.top, p.width, p.height}))
            << p.name;
    }
}

} // namespace
} // namespace kazuroi
