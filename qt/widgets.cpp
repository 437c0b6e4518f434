// Colour, font and widget helpers for the Qt window, and what screen readers are told of them.
#include "widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
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

namespace {

// The width TEXT takes, its ink included where that reaches past its advance.
double inkWidth(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.boundingRect(text);
    return std::max(metrics.horizontalAdvance(text), ink.right()) - std::min(0.0, ink.left());
}

} // namespace

QFont fittedFont(QFont font, const QString& text, QSizeF room) {
    if (text.isEmpty() || font.pixelSize() <= 0 || room.width() <= 0 || room.height() <= 0)
        return font;
    // A line taller than the room: smaller, keeping the face's proportions.
    while (font.pixelSize() > 1 && QFontMetricsF(font).height() > room.height())
        font.setPixelSize(std::min(font.pixelSize() - 1, int(font.pixelSize() * room.height() /
                                                             QFontMetricsF(font).height())));
    // Wider than the room: narrowed, down to half its width, then smaller.
    constexpr int kNarrowest = 50;
    for (int stretch = QFont::Unstretched;;) {
        font.setStretch(stretch);
        const double need = inkWidth(font, text);
        if (need <= room.width())
            return font;
        if (stretch > kNarrowest) {
            stretch =
                std::max(kNarrowest, std::min(stretch - 1, int(stretch * room.width() / need)));
        } else if (font.pixelSize() > 1) {
            font.setPixelSize(font.pixelSize() - 1);
        } else {
            return font;
        }
    }
}

void substituteJapaneseFonts() {
    // IPA P Gothic's lines and digits fit the room the layout gives each text best; Noto CJK's
    // lines are about a third taller and would be squeezed in every label.
    const QStringList standIns = {"IPAPGothic", "IPAGothic",        "IPAexGothic",
                                  "VL PGothic", "Noto Sans CJK JP", "Noto Sans JP"};
    for (const char* face : {"MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic"})
        QFont::insertSubstitutions(QString::fromUtf8(face), standIns);
}

void useDefaultFont() {
    QFont base(QStringLiteral("MS UI Gothic"));
    base.setPixelSize(12);
    QApplication::setFont(base);
}

QString missingJapaneseFontWarning() {
    if (!QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
        return {};
    return "kazuroi: no Japanese font is installed, so the digits show as boxes; install the "
           "package fonts-ipafont-gothic (sudo apt-get install fonts-ipafont-gothic)";
}

FrameBox::FrameBox(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

void FrameBox::setCaption(const QString& caption) {
    caption_ = caption;
    setAccessibleName(caption);
    update();
}

int FrameBox::borderTop() const {
    return caption_.isEmpty() ? 0 : int(QFontMetricsF(font()).height() / 2);
}

// An etched border, a shadow line with a light line beside it, which sets a frame off from the
// button face it stands on without a dark box round it.
void FrameBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = borderTop();
    const QRect border(0, top, width() - 1, height() - top - 1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.adjusted(1, 1, 0, 0));
    if (caption_.isEmpty())
        return;
    const QFontMetricsF metrics(font());
    const QRectF text(kCaptionLeft, 0, metrics.horizontalAdvance(caption_), metrics.height());
    painter.fillRect(text.adjusted(-2, 0, 2, 0), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
}

// A click or Tab gives it the focus, as any button; keys on it do nothing.
PressButton::PressButton(std::function<void()> press, QWidget* parent)
    : QPushButton(parent), press_(std::move(press)) {}

void PressButton::setSelected(bool selected) {
    selectable_ = true;
    if (selected_ == selected)
        return;
    selected_ = selected;
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void PressButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    press_();
}

// The window system sends the second press of a double-click as a double-click: a press all
// the same.
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
    shownWidth_ = model.Width;
}

void ShapeWidget::showModel() {
    if (shownColour_ != model_.BackColor) {
        shownColour_ = model_.BackColor;
        update();
    }
    if (shownWidth_ != model_.Width) {
        shownWidth_ = model_.Width;
        if (track() && QAccessible::isActive()) {
            QAccessibleValueChangeEvent event(this, double(model_.Width));
            QAccessible::updateAccessibility(&event);
        }
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

namespace {

// A number or operator button: named by its caption, pressed as the mouse presses it, and, for
// a number, selected while its ring shows.
class ButtonAccessible : public QAccessibleWidget {
  public:
    explicit ButtonAccessible(PressButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = button()->selectable();
        state.selected = button()->selected();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && button()->isEnabled())
            button()->press();
        else
            QAccessibleWidget::doAction(action);
    }

  private:
    PressButton* button() const { return static_cast<PressButton*>(widget()); }
};

// The time bar: how much time is left, as its width out of a full bar.
class MeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit MeterAccessible(ShapeWidget* shape)
        : QAccessibleWidget(shape, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return QStringLiteral("残り時間"); // time left
        if (t == QAccessible::Value)
            return QString::number(std::lround(100.0 * currentValue().toDouble() /
                                               std::max(1.0, maximumValue().toDouble()))) +
                   "%";
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return double(shape()->model().Width); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return double(shape()->track()->Width); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }

  private:
    ShapeWidget* shape() const { return static_cast<ShapeWidget*>(widget()); }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
    if (auto* button = dynamic_cast<PressButton*>(object))
        return new ButtonAccessible(button);
    if (auto* shape = dynamic_cast<ShapeWidget*>(object); shape && shape->track())
        return new MeterAccessible(shape);
    if (auto* frame = dynamic_cast<FrameBox*>(object))
        return new QAccessibleWidget(frame, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installAccessibility() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(accessibleFor);
    installed = true;
}

} // namespace kazuroi
