// The window's controls as a plain model: every property reads back exactly as it was set.
#pragma once

#include <cmath>
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

// Positions and sizes are twips; a screen of the usual 96 dots per inch has 15 to a pixel, the
// scale at which every front end draws the layout.
inline constexpr float kTwipsPerPixel = 15;

inline int toPixels(float twips) {
    return int(std::lround(twips / kTwipsPerPixel));
}
inline float toTwips(int pixels) {
    return float(pixels) * kTwipsPerPixel;
}

struct PixelPoint {
    int x = 0, y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};

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

    // What a front end tells a player of a shape beyond its look: the button a ring marks (it
    // shows while that number is selected), and the full width a bar stands for (a meter).
    const Control* Marks = nullptr;
    const Control* Track = nullptr;
};

// A control's place in whole pixels within its container. Each edge is rounded on its own, so
// controls that meet in twips meet on the screen.
inline PixelRect pixelRect(const Control& c) {
    const int left = toPixels(c.Left);
    const int top = toPixels(c.Top);
    return {left, top, toPixels(c.Left + c.Width) - left, toPixels(c.Top + c.Height) - top};
}

struct Timer {
    std::string Name;
    std::int32_t Interval = 0; // milliseconds; 0 delivers no ticks
    bool Enabled = false;
    bool Clock = false; // the time limit: while it ticks the player is racing it

    bool ticking() const { return Enabled && Interval > 0; }
};

} // namespace kazuroi
