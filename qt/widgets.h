// The widgets the window is built from, and how the model's colours and fonts map onto Qt's.
#pragma once

#include "game/controls.h"

#include <QPushButton>
#include <QWidget>

#include <functional>

namespace kazuroi {

// 0x00BBGGRR, or a system colour taken from the application's palette.
QColor colourFor(Colour colour);
QPalette paletteFor(Colour back, Colour fore);
// The model's face at its point size, in pixels at 96 dpi so the layout stays fixed.
QFont fontFor(const FontSpec& face, const QFont& fallback);
// The font narrowed, or if need be made smaller, just enough for TEXT to be drawn whole in ROOM
// (pixels): a Japanese face can be wider or taller than the room the layout gives a text.
QFont fittedFont(QFont font, const QString& text, QSizeF room);
// Japanese stand-ins for the fonts the layout names; call before any widget exists.
void substituteJapaneseFonts();
// The window's default font, for the controls without a face of their own and the boxes: 12
// pixels, whatever the screen's dots per inch.
void useDefaultFont();
// One line for standard error when no installed font has Japanese glyphs, else empty.
QString missingJapaneseFontWarning();
// Screen readers: a number's selection, the time bar's value.
void installAccessibility();

// A bordered panel with its caption in the top edge: the border runs through the middle of the
// caption's line and breaks off behind its text.
class FrameBox : public QWidget {
  public:
    explicit FrameBox(QWidget* parent);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The top border's row, in pixels from the frame's top.
    int borderTop() const;
    // Where the caption's text starts.
    static constexpr int kCaptionLeft = 8;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
};

// A button that acts when any mouse button goes down on it, and never from the keyboard.
class PressButton : public QPushButton {
  public:
    PressButton(std::function<void()> press, QWidget* parent);
    void press() { press_(); }
    // A number button is selected while its ring shows; screen readers are told.
    bool selectable() const { return selectable_; }
    bool selected() const { return selected_; }
    void setSelected(bool selected);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    std::function<void()> press_;
    bool selectable_ = false;
    bool selected_ = false;
};

// A selection ring drawn inverting what lies under it, or a filled rectangle. A rectangle with a
// track is a meter: its width out of the track's is its value.
class ShapeWidget : public QWidget {
  public:
    ShapeWidget(const Control& model, QWidget* parent);
    void showModel();
    const Control* track() const { return model_.Track; }
    const Control& model() const { return model_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Control& model_;
    Colour shownColour_ = 0;
    float shownWidth_ = 0;
};

} // namespace kazuroi
