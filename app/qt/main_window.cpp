// The window's widgets, built from the control model and kept in line with it after every event.
#include "main_window.h"

#include "qt_platform.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

#include <cmath>

namespace kazuroi {

namespace {

int pixels(float twips) {
    return int(std::lround(twips / MainWindow::kTwipsPerPixel));
}

QRect pixelRect(const Control& c) {
    const int left = pixels(c.Left);
    const int top = pixels(c.Top);
    return {left, top, pixels(c.Left + c.Width) - left, pixels(c.Top + c.Height) - top};
}

} // namespace

MainWindow::MainWindow(Form1& form, QtPlatform& platform) : form_(form), platform_(platform) {
    setWindowTitle(QString::fromStdString(form.Caption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(pixels(form.ScaleWidth), pixels(form.ScaleHeight));
    setAutoFillBackground(true);
    setPalette(paletteFor(kButtonFace, kButtonText));

    timeLimit_.setTimerType(Qt::PreciseTimer);
    animation_.setTimerType(Qt::PreciseTimer);
    connect(&timeLimit_, &QTimer::timeout, this,
            [this, tick = form_.timerHandler(form_.tim制限時間タイマ)] { dispatch(tick); });
    connect(&animation_, &QTimer::timeout, this,
            [this, tick = form_.timerHandler(form_.timアニメーションタイマ)] { dispatch(tick); });
    buildWidgets();
    // The first number button comes first in the tab order; a key pressed there does nothing.
    widgets_.at(&form_.cmd数字[0])->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::start() {
    form_.Form_Load();
    if (platform_.ended())
        return false;
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

// Containers before their children, and within a container back to front, so each later
// widget stacks above the earlier ones as the model's front-to-back order wants.
void MainWindow::buildWidgets() {
    std::vector<const Control*> pending{nullptr};
    while (!pending.empty()) {
        const Control* container = pending.front();
        pending.erase(pending.begin());
        QWidget* parent = container ? widgets_.at(container) : this;
        const std::vector<Control*> children = form_.children(container);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            Control& c = **it;
            QWidget* w = nullptr;
            switch (c.Type) {
            case ControlType::Frame:
                w = c.Look == Look::Flat ? new QWidget(parent)
                                         : static_cast<QWidget*>(new FrameBox(parent));
                w->setAutoFillBackground(c.Look == Look::Flat); // the flat panel shows its colour
                pending.push_back(&c);
                break;
            case ControlType::CommandButton:
                if (std::function<void()> press = form_.mouseDownHandler(c)) {
                    w = new PressButton([this, press] { dispatch(press); }, parent);
                } else {
                    auto* button = new QPushButton(parent);
                    button->setAutoDefault(true); // Enter clicks the focused button, like Space
                    if (std::function<void()> click = form_.clickHandler(c))
                        connect(button, &QPushButton::clicked, this,
                                [this, click] { dispatch(click); });
                    w = button;
                }
                break;
            case ControlType::Label: {
                auto* label = new QLabel(parent);
                label->setTextFormat(Qt::PlainText);
                const Qt::Alignment horizontal =
                    c.Alignment == TextAlignment::Right    ? Qt::AlignRight
                    : c.Alignment == TextAlignment::Centre ? Qt::AlignHCenter
                                                           : Qt::AlignLeft;
                label->setAlignment(horizontal | Qt::AlignTop);
                label->setAutoFillBackground(c.Look != Look::Transparent);
                w = label;
                break;
            }
            case ControlType::Shape:
                w = new ShapeWidget(c, parent);
                break;
            case ControlType::TextBox: {
                auto* text = new QPlainTextEdit(parent);
                text->setFocusPolicy(Qt::NoFocus); // never seen, never typed into
                w = text;
                break;
            }
            }
            w->setObjectName(QString::fromStdString(c.Name));
            w->setFont(fontFor(c.Font, font()));
            widgets_[&c] = w;
        }
    }
    showModel();
}

// Runs after every event, so the palette is only rebuilt when a colour has changed.
void MainWindow::showColours(QWidget* w, const Control& c) {
    const QPalette& shown = w->palette();
    if (shown.color(QPalette::Window) != colourFor(c.BackColor) ||
        shown.color(QPalette::Active, QPalette::WindowText) != colourFor(c.ForeColor))
        w->setPalette(paletteFor(c.BackColor, c.ForeColor));
}

void MainWindow::showControl(const Control& c, QWidget* w) {
    const QRect rect = pixelRect(c);
    if (w->geometry() != rect)
        w->setGeometry(rect);
    if (w->isVisibleTo(w->parentWidget()) != c.Visible)
        w->setVisible(c.Visible);
    if (w->isEnabled() != c.Enabled)
        w->setEnabled(c.Enabled);

    const QString caption = QString::fromStdString(c.Caption);
    switch (c.Type) {
    case ControlType::Frame:
        if (auto* box = qobject_cast<QGroupBox*>(w); box && box->title() != caption)
            box->setTitle(caption);
        if (c.Look == Look::Flat)
            showColours(w, c);
        break;
    case ControlType::CommandButton: {
        auto* button = static_cast<QPushButton*>(w);
        if (button->text() != caption)
            button->setText(caption);
        if (c.Look == Look::Graphical) {
            // A colour the game sets shows as it is; the style's gradient would wash it out.
            const bool system = static_cast<std::uint32_t>(c.BackColor) & 0x80000000u;
            const QString sheet =
                system
                    ? QString()
                    : QString(
                          "QPushButton { background-color: %1; border: 1px solid palette(dark); }")
                          .arg(colourFor(c.BackColor).name());
            if (button->styleSheet() != sheet)
                button->setStyleSheet(sheet);
        }
        break;
    }
    case ControlType::Label: {
        auto* label = static_cast<QLabel*>(w);
        if (label->text() != caption)
            label->setText(caption);
        showColours(label, c);
        break;
    }
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
    for (const auto& [control, widget] : widgets_)
        showControl(*control, widget);
    syncTimer(form_.tim制限時間タイマ, timeLimit_);
    syncTimer(form_.timアニメーションタイマ, animation_);
}

void MainWindow::placeFromModel() {
    QPoint at(pixels(form_.Left), pixels(form_.Top));
    const QRect window(at, frameGeometry().size().expandedTo(size()));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(window);
    if (!onScreen && QGuiApplication::primaryScreen()) {
        // Where the window really is now is what closing it should store.
        at = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
        form_.Left = float(at.x()) * kTwipsPerPixel;
        form_.Top = float(at.y()) * kTwipsPerPixel;
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
    return float(frameGeometry().height()) * kTwipsPerPixel;
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
    if (pos() != placedAt_) {
        form_.Left = float(pos().x()) * kTwipsPerPixel;
        form_.Top = float(pos().y()) * kTwipsPerPixel;
    }
    std::int16_t cancel = 0;
    form_.Form_Unload(cancel);
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
