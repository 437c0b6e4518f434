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

// How a control is drawn beyond its colours and font.
enum class Look {
    Standard,    // the platform's own: a bordered frame, a standard button, an opaque label
    Graphical,   // a command button whose BackColor shows on its face
    Flat,        // a frame without a border, filled with its BackColor
    Transparent, // a label drawn without its background
    Ring,        // a circle outline drawn in invert mode, not filled
    Filled,      // a rectangle filled with its BackColor, without an outline
};

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
    kazuroi::Look Look = Look::Standard;
    int TabIndex = -1; // -1: not a tab stop
};

struct Timer {
    std::string Name;
    std::int32_t Interval = 0; // milliseconds; 0 delivers no ticks
    bool Enabled = false;

    bool ticking() const { return Enabled && Interval > 0; }
};

} // namespace kazuroi
