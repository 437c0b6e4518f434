// The window's controls as a plain model: every property reads back exactly as it was set.
#pragma once

#include <cstdint>
#include <string>

namespace kazuroi {

// 0x00BBGGRR; with the top bit set, 0x80000000 + n names system colour n.
using Colour = std::int32_t;

constexpr Colour systemColour(int n) {
    return static_cast<Colour>(0x80000000u + unsigned(n));
}

inline constexpr Colour kWindowBackground = systemColour(5);
inline constexpr Colour kWindowText = systemColour(8);
inline constexpr Colour kButtonFace = systemColour(15);
inline constexpr Colour kButtonShadow = systemColour(16);
inline constexpr Colour kButtonText = systemColour(18);

enum class ControlType { Frame, CommandButton, Label, Shape, TextBox };
enum class TextAlignment { Left, Right, Centre };
enum class ShapeKind { Rectangle, Circle };

struct FontSpec {
    std::string Name; // empty: the window's default font
    float Size = 0;   // points
    int Weight = 400;
    int Charset = 0;
};

struct Control {
    std::string Name; // as the game names it, index included: "cmd数字(3)"
    ControlType Type = ControlType::Label;
    const Control* Container = nullptr; // nullptr: the window's client area

    float Left = 0, Top = 0, Width = 0, Height = 0; // twips, relative to the container
    std::string Caption;
    bool Enabled = true;
    bool Visible = true;
    Colour BackColor = kButtonFace;
    Colour ForeColor = kButtonText;

    FontSpec Font;
    TextAlignment Alignment = TextAlignment::Left;
    bool TransparentBack = false; // labels drawn without their background
    bool Bordered = true;         // frames
    bool Graphical = false;       // command buttons whose BackColor shows
    ShapeKind Shape = ShapeKind::Rectangle;
    Colour BorderColor = kWindowText; // shapes' outline; none when Bordered is false
    int TabIndex = -1;
};

struct Timer {
    std::string Name;
    std::int32_t Interval = 0; // milliseconds; 0 delivers no ticks
    bool Enabled = false;

    bool ticking() const { return Enabled && Interval > 0; }
};

} // namespace kazuroi
