// The window's widgets, built from the control model and kept in line with it after every event.
#include "main_window.h"

#include "qt_platform.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace kazuroi {

MainWindow::MainWindow(Form1& form, QtPlatform& platform) : form_(form), platform_(platform) {
    setWindowTitle(QString::fromStdString(form.Caption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(toPixels(form.ScaleWidth), toPixels(form.ScaleHeight));
    setAutoFillBackground(true);
    setPalette(paletteFor(kButtonFace, kButtonText));

    timeLimit_.setTimerType(Qt::PreciseTimer);
    animation_.setTimerType(Qt::PreciseTimer);
    connect(&timeLimit_, &QTimer::timeout, this,
            [this, tick = form_.timerHandler(form_.tim制限時間タイマ)] { dispatch(tick); });
    connect(&animation_, &QTimer::timeout, this,
            [this, tick = form_.timerHandler(form_.timアニメーションタイマ)] { dispatch(tick); });
    installAccessibility();
}

// The start-up box comes first, before the window's widgets are built: nothing of them shows
// until the Load handler has returned, and the player sees the question sooner.
bool MainWindow::start() {
    form_.Form_Load();
    if (platform_.ended())
        return false;
    buildWidgets();
    // The first number button comes first in the tab order; a key pressed there does nothing.
    widgets_.at(&form_.cmd数字[0])->setFocus(Qt::OtherFocusReason);
    showModel();
    placeFromModel();
    show();
    return true;
}

template <typename Handler> void MainWindow::dispatch(Handler handler) {
    if (platform_.holdsEvents())
        return;
    handler();
    if (!platform_.ended())
        showModel();
}

// The widget that draws one control; number and operator buttons act on the press of any mouse
// button, 次の問題 and やり直す on a click.
QWidget* MainWindow::createWidget(const Control& c, QWidget* parent) {
    switch (c.Type) {
    case ControlType::Frame:
        if (c.Look == Look::Flat) {
            auto* panel = new QWidget(parent);
            panel->setAutoFillBackground(true);
            return panel;
        }
        return new FrameBox(parent);
    case ControlType::CommandButton: {
        if (std::function<void()> press = form_.mouseDownHandler(c))
            return new PressButton([this, press] { dispatch(press); }, parent);
        auto* button = new QPushButton(parent);
        button->setAutoDefault(true); // Enter clicks the focused button, like Space
        if (std::function<void()> click = form_.clickHandler(c))
            connect(button, &QPushButton::clicked, this, [this, click] { dispatch(click); });
        return button;
    }
    case ControlType::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        const Qt::Alignment horizontal = c.Alignment == TextAlignment::Right    ? Qt::AlignRight
                                         : c.Alignment == TextAlignment::Centre ? Qt::AlignHCenter
                                                                                : Qt::AlignLeft;
        label->setAlignment(horizontal | Qt::AlignTop);
        label->setAutoFillBackground(c.Look != Look::Transparent);
        label->setContentsMargins(1, 0, 1, 0); // room for a glyph's ink past its advance
        return label;
    }
    case ControlType::Shape:
        return new ShapeWidget(c, parent);
    case ControlType::TextBox:
        break;
    }
    return new QPlainTextEdit(parent);
}

// One widget per control, in the layout's order, which puts every container before its
// children; then each group is stacked as the layout lists it, front to back.
void MainWindow::buildWidgets() {
    for (Control* control : form_.controls()) {
        const Control& c = *control;
        QWidget* w = createWidget(c, c.Container ? widgets_.at(c.Container) : this);
        w->setObjectName(QString::fromStdString(c.Name));
        w->setFont(fontFor(c.Font, font()));
        w->setFocusPolicy(c.TabIndex >= 0 && c.Type == ControlType::CommandButton ? Qt::StrongFocus
                                                                                  : Qt::NoFocus);
        widgets_[&c] = w;
        shownCaptions_[&c] = QString(QChar(0xFFFF)); // no caption yet: the first showing sets it
    }
    const auto& controls = form_.controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
        widgets_.at(*it)->raise();
    setTabOrderFromLayout();

    for (int i = 0; i < kSlots; ++i)
        numbers_.emplace_back(static_cast<PressButton*>(widgets_.at(&form_.cmd数字[i])),
                              &form_.shp選択印[i]);
    static_cast<ShapeWidget*>(widgets_.at(&form_.shp制限時間残り))
        ->setTrack(&form_.shp制限時間表示枠);
    showModel();
}

// Tab goes through the buttons in the layout's tab order.
void MainWindow::setTabOrderFromLayout() {
    std::vector<const Control*> tabStops;
    for (const Control* c : form_.controls())
        if (widgets_.at(c)->focusPolicy() != Qt::NoFocus)
            tabStops.push_back(c);
    std::sort(tabStops.begin(), tabStops.end(),
              [](const Control* a, const Control* b) { return a->TabIndex < b->TabIndex; });
    for (std::size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(widgets_.at(tabStops[i - 1]), widgets_.at(tabStops[i]));
}

// Runs after every event, so the palette is only rebuilt when a colour has changed.
void MainWindow::showColours(QWidget* w, const Control& c) {
    const QPalette& shown = w->palette();
    if (shown.color(QPalette::Window) != colourFor(c.BackColor) ||
        shown.color(QPalette::Active, QPalette::WindowText) != colourFor(c.ForeColor))
        w->setPalette(paletteFor(c.BackColor, c.ForeColor));
}

// The room a control's caption has: a label's whole area, a button's face inside its frame, a
// frame's top edge between its corners.
QSizeF MainWindow::captionRoom(const Control& c, QWidget* w) const {
    switch (c.Type) {
    case ControlType::CommandButton: {
        QStyleOptionButton option;
        option.initFrom(w);
        const QRect face = w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w);
        return QSizeF(face.width() - 2, face.height());
    }
    case ControlType::Frame:
        return QSizeF(w->width() - 2 * FrameBox::kCaptionLeft, w->height());
    default:
        return w->contentsRect().size();
    }
}

// A colour the game sets on a button's face shows as it is; the style's gradient would wash it
// out. A system colour leaves the style's own face.
void MainWindow::showFace(QPushButton* button, Colour colour) {
    const bool system = static_cast<std::uint32_t>(colour) & 0x80000000u;
    const QString sheet =
        system ? QString()
               : QString("QPushButton { background-color: %1; border: 1px solid palette(dark); }")
                     .arg(colourFor(colour).name());
    if (button->styleSheet() != sheet)
        button->setStyleSheet(sheet);
}

void MainWindow::showControl(const Control& c, QWidget* w) {
    const PixelRect place = pixelRect(c);
    const QRect rect(place.left, place.top, place.width, place.height);
    if (w->geometry() != rect)
        w->setGeometry(rect);
    // Wholly outside its container it can never be seen (Text1 lies below the client area), and
    // a screen reader should not report it as showing.
    const QRect inside = w->parentWidget() ? w->parentWidget()->rect() : rect;
    const bool visible = c.Visible && inside.intersects(rect);
    // The focus stays where the game put it: a control that loses it by being disabled or
    // hidden passes it to no other, so a stray key acts on nothing.
    if ((!visible || !c.Enabled) && w->window()->focusWidget() == w)
        w->clearFocus();
    if (w->isVisibleTo(w->parentWidget()) != visible)
        w->setVisible(visible);
    if (w->isEnabled() != c.Enabled)
        w->setEnabled(c.Enabled);

    QString& shown = shownCaptions_[&c];
    const QString caption = QString::fromStdString(c.Caption);
    const bool newCaption = shown != caption;
    if (newCaption) {
        shown = caption;
        w->setFont(fittedFont(fontFor(c.Font, font()), caption, captionRoom(c, w)));
    }
    switch (c.Type) {
    case ControlType::Frame:
        if (auto* frame = dynamic_cast<FrameBox*>(w); frame && newCaption)
            frame->setCaption(caption);
        showColours(w, c);
        break;
    case ControlType::CommandButton:
        if (newCaption)
            static_cast<QPushButton*>(w)->setText(caption);
        if (c.Look == Look::Graphical)
            showFace(static_cast<QPushButton*>(w), c.BackColor);
        break;
    case ControlType::Label:
        if (newCaption)
            static_cast<QLabel*>(w)->setText(caption);
        showColours(w, c);
        break;
    case ControlType::Shape:
        static_cast<ShapeWidget*>(w)->showModel();
        break;
    case ControlType::TextBox:
        break;
    }
}

void MainWindow::syncTimer(const Timer& model, QTimer& timer) {
    if (!model.ticking()) {
        timer.stop();
    } else if (!timer.isActive() || timer.interval() != model.Interval) {
        timer.start(model.Interval);
    }
}

void MainWindow::showModel() {
    if (widgets_.empty()) // still in the Load handler: nothing is built to show
        return;
    for (const Control* control : form_.controls())
        showControl(*control, widgets_.at(control));
    for (auto [button, mark] : numbers_)
        button->setSelected(mark->Visible);
    syncTimer(form_.tim制限時間タイマ, timeLimit_);
    syncTimer(form_.timアニメーションタイマ, animation_);
}

void MainWindow::placeFromModel() {
    QPoint at(toPixels(form_.Left), toPixels(form_.Top));
    const QRect window(at, frameGeometry().size().expandedTo(size()));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(window);
    if (!onScreen && QGuiApplication::primaryScreen()) {
        // Where the window really is now is what closing it should store.
        at = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
        form_.placeAt({at.x(), at.y()});
    }
    move(at);
    placedAt_ = at;
}

void MainWindow::focusControl(const Control& control) {
    if (QWidget* w = widgetFor(control)) {
        showControl(control, w); // the logic enables a button just before it moves focus there
        w->setFocus(Qt::OtherFocusReason);
    }
}

float MainWindow::outerHeightTwips() const {
    return toTwips(frameGeometry().height());
}

QWidget* MainWindow::widgetFor(const Control& control) const {
    const auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

void MainWindow::shutDown() {
    timeLimit_.stop();
    animation_.stop();
    hide();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (platform_.ended()) {
        event->accept();
        return;
    }
    if (platform_.holdsEvents()) {
        event->ignore();
        return;
    }
    // Keep the exact twips the window was placed at unless the player moved it.
    form_.closeByPlayer(pos() != placedAt_ ? std::optional<PixelPoint>({pos().x(), pos().y()})
                                           : std::nullopt);
    platform_.commitSettings();
    timeLimit_.stop();
    animation_.stop();
    closed_ = true;
    event->accept();
}

void MainWindow::endFromOutside() {
    if (closed_ || platform_.ended())
        return;
    if (platform_.boxOpen()) {
        platform_.endProgram();
        return;
    }
    close();
    QCoreApplication::quit();
}

} // namespace kazuroi
