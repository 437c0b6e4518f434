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

MainWindow::MainWindow(RunningGame& game, QtPlatform& platform) : game_(game), platform_(platform) {
    setWindowTitle(QString::fromStdString(game.caption()));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(game.clientWidth(), game.clientHeight());
    setAutoFillBackground(true);
    setPalette(paletteFor(kButtonFace, kButtonText));

    for (std::size_t i = 0; i < timers_.size(); ++i) {
        timers_[i].setTimerType(Qt::PreciseTimer);
        connect(&timers_[i], &QTimer::timeout, this, [this, i] { game_.tick(int(i)); });
    }
    installAccessibility();
}

// The start-up box comes first, before the window's widgets are built: nothing of them shows
// until the Load handler has returned, and the player sees the question sooner.
bool MainWindow::start() {
    game_.load();
    if (game_.ended())
        return false;
    buildWidgets();
    game_.showAll();
    placeFromModel();
    show();
    return true;
}

// The widget that draws one control; number and operator buttons act on the press of any mouse
// button, the others that answer a click on a click.
QWidget* MainWindow::createWidget(int index, const Control& c, QWidget* parent) {
    switch (c.Type) {
    case ControlType::Frame:
        if (c.Look == Look::Flat) {
            auto* panel = new QWidget(parent);
            panel->setAutoFillBackground(true);
            return panel;
        }
        return new FrameBox(parent);
    case ControlType::CommandButton: {
        if (game_.answersMouseDown(index))
            return new PressButton([this, index] { game_.mouseDown(index); }, parent);
        auto* button = new QPushButton(parent);
        button->setAutoDefault(true); // Enter clicks the focused button, like Space
        if (game_.answersClick(index))
            connect(button, &QPushButton::clicked, this, [this, index] { game_.click(index); });
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
    const auto& controls = game_.controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = *controls[i];
        QWidget* w = createWidget(int(i), c, c.Container ? widgets_.at(c.Container) : this);
        w->setObjectName(QString::fromStdString(c.Name));
        w->setFont(fontFor(c.Font, font()));
        w->setFocusPolicy(c.TabIndex >= 0 && c.Type == ControlType::CommandButton ? Qt::StrongFocus
                                                                                  : Qt::NoFocus);
        widgets_[&c] = w;
        shownCaptions_[&c] = QString(QChar(0xFFFF)); // no caption yet: the first showing sets it
    }
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
        widgets_.at(*it)->raise();
    setTabOrderFromLayout();
}

// Tab goes through the buttons in the layout's tab order. The first of them has the focus when
// the window appears: a number button, where a key pressed does nothing.
void MainWindow::setTabOrderFromLayout() {
    std::vector<const Control*> tabStops;
    for (const Control* c : game_.controls())
        if (widgets_.at(c)->focusPolicy() != Qt::NoFocus)
            tabStops.push_back(c);
    std::sort(tabStops.begin(), tabStops.end(),
              [](const Control* a, const Control* b) { return a->TabIndex < b->TabIndex; });
    for (std::size_t i = 1; i < tabStops.size(); ++i)
        setTabOrder(widgets_.at(tabStops[i - 1]), widgets_.at(tabStops[i]));
    if (!tabStops.empty())
        widgets_.at(tabStops.front())->setFocus(Qt::OtherFocusReason);
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

void MainWindow::showControl(const Control& c) {
    QWidget* w = widgetFor(c);
    if (!w) // still in the Load handler: nothing is built to show
        return;
    const PixelRect place = pixelRect(c);
    const QRect rect(place.left, place.top, place.width, place.height);
    if (w->geometry() != rect)
        w->setGeometry(rect);
    // Wholly outside its container it can never be seen (a text box lies below the client area),
    // and a screen reader should not report it as showing.
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
        if (c.Marks) // a number is selected while its ring shows
            if (auto* number = dynamic_cast<PressButton*>(widgetFor(*c.Marks)))
                number->setSelected(c.Visible);
        break;
    case ControlType::TextBox:
        break;
    }
}

void MainWindow::runTimer(int index, int interval) {
    QTimer& timer = timers_.at(std::size_t(index));
    if (interval > 0)
        timer.start(interval);
    else
        timer.stop();
}

void MainWindow::placeFromModel() {
    QPoint at(game_.place().x, game_.place().y);
    const QRect window(at, frameGeometry().size().expandedTo(size()));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(window);
    if (!onScreen && QGuiApplication::primaryScreen()) {
        // Where the window really is now is what closing it should store.
        at = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
        game_.placeAt({at.x(), at.y()});
    }
    move(at);
    placedAt_ = at;
}

void MainWindow::focusControl(const Control& control) {
    if (QWidget* w = widgetFor(control))
        w->setFocus(Qt::OtherFocusReason);
}

float MainWindow::outerHeightTwips() const {
    return toTwips(frameGeometry().height());
}

QWidget* MainWindow::widgetFor(const Control& control) const {
    const auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

void MainWindow::shutDown() {
    for (QTimer& timer : timers_)
        timer.stop();
    hide();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (game_.ended()) {
        event->accept();
        return;
    }
    if (game_.boxOpen() || !game_.started()) {
        event->ignore();
        return;
    }
    // Keep the exact twips the window was placed at unless the player moved it.
    game_.close(pos() != placedAt_ ? std::optional<PixelPoint>({pos().x(), pos().y()})
                                   : std::nullopt);
    platform_.commitSettings();
    closed_ = true;
    event->accept();
}

void MainWindow::endFromOutside() {
    if (closed_ || game_.ended())
        return;
    if (game_.boxOpen()) {
        game_.end();
        return;
    }
    close();
    QCoreApplication::quit();
}

} // namespace kazuroi
