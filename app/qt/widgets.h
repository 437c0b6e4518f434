// The widgets the window is built from, and how the model's colours and fonts map onto Qt's.
#pragma once

#include "app/controls.h"

#include <QGroupBox>
#include <QPushButton>
#include <QWidget>

#include <functional>

namespace kazuroi {

// 0x00BBGGRR, or a system colour taken from the application's palette.
QColor colourFor(Colour colour);
QPalette paletteFor(Colour back, Colour fore);
// The model's face at its point size, in pixels at 96 dpi so the layout stays fixed.
QFont fontFor(const FontSpec& face, const QFont& fallback);
// Japanese stand-ins for the fonts the layout names; call before any widget exists.
void substituteJapaneseFonts();

using FrameBox = QGroupBox;

// A button that acts when any mouse button goes down on it, and never from the keyboard.
class PressButton : public QPushButton {
  public:
    PressButton(std::function<void()> press, QWidget* parent);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    std::function<void()> press_;
};

// A selection ring drawn inverting what lies under it, or a filled rectangle.
class ShapeWidget : public QWidget {
  public:
    ShapeWidget(const Control& model, QWidget* parent);
    void showModel();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Control& model_;
    Colour shownColour_ = 0;
};

} // namespace kazuroi
