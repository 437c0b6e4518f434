// Colour, font and widget helpers for the Qt window.
#include "widgets.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kazuroi {

QColor colourFor(Colour colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    if (value & 0x80000000u) {
        const QPalette system = QApplication::palette();
        switch (value & 0xFFu) {
        case 5:
            return system.color(QPalette::Base);
        case 8:
            return system.color(QPalette::Text);
        case 16:
            return system.color(QPalette::Dark);
        case 18:
            return system.color(QPalette::ButtonText);
        default:
            return system.color(QPalette::Button);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QPalette paletteFor(Colour back, Colour fore) {
    QPalette palette = QApplication::palette();
    const QColor b = colourFor(back);
    const QColor f = colourFor(fore);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
        palette.setColor(role, b);
    // Disabled text keeps the system's grey, as a disabled button shows it.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            palette.setColor(group, role, f);
    return palette;
}

QFont fontFor(const FontSpec& face, const QFont& fallback) {
    if (face.Name.empty())
        return fallback;
    QFont font(QString::fromStdString(face.Name));
    font.setPixelSize(int(std::lround(face.Size * 96.0 / 72.0)));
    font.setWeight(QFont::Normal);
    return font;
}

void substituteJapaneseFonts() {
    // IPA P Gothic has metrics closest to the originals; Noto CJK's taller lines break the layout.
    const QStringList standIns = {"IPAPGothic", "IPAGothic",        "IPAexGothic",
                                  "VL PGothic", "Noto Sans CJK JP", "Noto Sans JP"};
    for (const char* face : {"MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic"})
        QFont::insertSubstitutions(QString::fromUtf8(face), standIns);
}

// A click takes the focus, as on any button, so Space cannot reach a redo button focused
// earlier; keys on this button do nothing.
PressButton::PressButton(std::function<void()> press, QWidget* parent)
    : QPushButton(parent), press_(std::move(press)) {
    setFocusPolicy(Qt::ClickFocus);
}

void PressButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    press_();
}

// The second press of a double-click is a press like any other.
void PressButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    press_();
}

// Never drawn down: a box opened by the press would swallow the release.
void PressButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void PressButton::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}
void PressButton::keyReleaseEvent(QKeyEvent* event) {
    event->ignore();
}

ShapeWidget::ShapeWidget(const Control& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    shownColour_ = model.BackColor;
}

void ShapeWidget::showModel() {
    if (shownColour_ != model_.BackColor) {
        shownColour_ = model_.BackColor;
        update();
    }
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (model_.Look == Look::Ring) {
        // Inverting keeps the ring visible on any background.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    } else {
        painter.fillRect(rect(), colourFor(model_.BackColor));
    }
}

} // namespace kazuroi
