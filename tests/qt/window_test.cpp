// The real window on Qt's offscreen platform: its widgets follow the model, presses reach it.
#include "qt/live_window.h"
#include "qt/widgets.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

namespace kazuroi {
namespace {

using Window = testing::LiveWindow;

// Where a control's caption is drawn, ink and all: a label's from its top as aligned, a button's
// centred on its face, a frame's at its caption's place.
QRectF drawnInk(const Control& c, const QWidget* w) {
    const QString text = QString::fromStdString(c.Caption);
    const QFontMetricsF metrics(w->font());
    const QRectF ink = metrics.boundingRect(text);
    const double advance = metrics.horizontalAdvance(text);
    QRectF area = w->contentsRect();
    if (c.Type == ControlType::CommandButton) {
        QStyleOptionButton option;
        option.initFrom(w);
        area = w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w);
    }
    double x = area.left();
    if (c.Type == ControlType::Frame)
        x = FrameBox::kCaptionLeft;
    else if (c.Type == ControlType::CommandButton || c.Alignment == TextAlignment::Centre)
        x = area.left() + (area.width() - advance) / 2;
    else if (c.Alignment == TextAlignment::Right)
        x = area.left() + area.width() - advance;
    const double top = c.Type == ControlType::CommandButton
                           ? area.top() + (area.height() - metrics.height()) / 2
                           : area.top();
    return ink.translated(x, top + metrics.ascent());
}

// The widest texts an answer slot can show: every way the board's own text rules combine four
// digits, measured in the slot's font.
std::vector<std::string> widestAnswers(Form1& f, const QFont& font) {
    std::set<std::string> all;
    std::function<void(std::vector<std::string>)> combine = [&](std::vector<std::string> items) {
        if (items.size() == 1) {
            all.insert(items[0]);
            return;
        }
        for (std::size_t a = 0; a < items.size(); ++a)
            for (std::size_t b = 0; b < items.size(); ++b) {
                if (a == b)
                    continue;
                std::vector<std::string> rest;
                for (std::size_t i = 0; i < items.size(); ++i)
                    if (i != a && i != b)
                        rest.push_back(items[i]);
                const std::string& x = items[a];
                const std::string& y = items[b];
                for (const std::string& made :
                     {x + "＋" + y, f.fnc加減算の括弧付け(x) + "×" + f.fnc加減算の括弧付け(y),
                      x + "－" + f.fnc加減算の括弧付け(y),
                      f.fnc加減算の括弧付け(x) + "÷" + f.fnc四則演算の括弧付け(y)}) {
                    all.insert(made);
                    std::vector<std::string> next = rest;
                    next.push_back(made);
                    combine(next);
                }
            }
    };
    combine({"８", "８", "８", "８"});
    std::vector<std::string> widest(all.begin(), all.end());
    const QFontMetricsF metrics(font);
    const auto width = [&](const std::string& t) {
        return metrics.horizontalAdvance(QString::fromStdString(t));
    };
    std::sort(widest.begin(), widest.end(),
              [&](const std::string& a, const std::string& b) { return width(a) > width(b); });
    widest.resize(8);
    return widest;
}

QRect pixelRect(float left, float top, float width, float height) {
    return {int(left / 15), int(top / 15), int(width / 15), int(height / 15)};
}

TEST(Window, ControlsArePlacedAsLaidOut) {
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "かずろい    kazuroi");
    EXPECT_EQ(w.window.size(), QSize(586, 493));
    EXPECT_EQ(w.widget(w.form.frm問題)->geometry(), pixelRect(360, 1080, 5295, 2775));
    EXPECT_EQ(w.widget(w.form.frm演算子)->geometry(), pixelRect(6000, 1080, 2415, 2775));
    EXPECT_EQ(w.widget(w.form.frm答案)->geometry(), pixelRect(360, 4080, 5895, 2775));
    EXPECT_EQ(w.widget(w.form.cmd数字[2])->geometry(), pixelRect(2760, 1080, 855, 855));
    EXPECT_EQ(w.widget(w.form.cmd数字[4])->geometry(), pixelRect(240, 480, 5415, 855));
    EXPECT_EQ(w.widget(w.form.cmd除算)->geometry(), pixelRect(1320, 1560, 855, 855));
    EXPECT_EQ(w.widget(w.form.cmd出題)->geometry(), pixelRect(6480, 4320, 1935, 555));
    EXPECT_EQ(w.widget(w.form.shp選択印[0])->geometry(), pixelRect(360, 840, 1305, 1305));
    EXPECT_EQ(w.widget(w.form.shp制限時間表示枠)->geometry(), pixelRect(6480, 6120, 1935, 615));
    // The bar starts at 70 % of its frame: 1354 twips.
    EXPECT_EQ(w.widget(w.form.shp制限時間残り)->width(), 90);
    EXPECT_EQ(w.widget(w.form.cmd数字[0])->parentWidget(), w.widget(w.form.frm問題));
    EXPECT_EQ(w.widget(w.form.cmd数字[5])->parentWidget(), w.widget(w.form.frm答案));
}

// Every control's widget stands where the game's model places it, in its container's widget.
TEST(Window, EveryControlDrawnWhereTheGamePlacesIt) {
    Window w;
    for (const Control* c : w.form.controls()) {
        const PixelRect r = kazuroi::pixelRect(*c);
        EXPECT_EQ(w.widget(*c)->geometry(), QRect(r.left, r.top, r.width, r.height)) << c->Name;
        EXPECT_EQ(w.widget(*c)->parentWidget(),
                  c->Container ? w.widget(*c->Container) : static_cast<QWidget*>(&w.window))
            << c->Name;
    }
}

TEST(Window, CaptionsAndVisibilityAfterLoad) {
    Window w;
    const auto text = [&](const Control& c) {
        if (auto* label = qobject_cast<QLabel*>(w.widget(c)))
            return label->text();
        return static_cast<QPushButton*>(w.widget(c))->text();
    };
    EXPECT_EQ(text(w.form.lblタイトル), "４つの数字で１０を作れ。");
    EXPECT_EQ(text(w.form.lblステージ), "Stage 1");
    EXPECT_EQ(text(w.form.lblレベル), "★☆☆☆☆");
    EXPECT_EQ(text(w.form.cmd出題), "次の問題 》");
    EXPECT_EQ(text(w.form.cmdやり直し), "×やり直す");
    EXPECT_EQ(text(w.form.cmd加算), "＋");
    EXPECT_EQ(static_cast<FrameBox*>(w.widget(w.form.frm問題))->caption(), "問題");
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(w.widget(w.form.cmd数字[i])->isVisible());
        EXPECT_EQ(text(w.form.cmd数字[i]).size(), 1);
        EXPECT_FALSE(w.widget(w.form.shp選択印[i])->isVisible());
    }
    EXPECT_FALSE(w.widget(w.form.cmd数字[4])->isVisible());
    EXPECT_FALSE(w.widget(w.form.lbl正誤)->isVisible());
    EXPECT_FALSE(w.widget(w.form.frmステージクリア)->isVisible());
    EXPECT_FALSE(w.widget(w.form.cmd出題)->isEnabled());
    EXPECT_TRUE(w.widget(w.form.cmdやり直し)->isEnabled());
    EXPECT_FALSE(w.widget(w.form.cmd加算)->isEnabled());
    // Text1 lies wholly below the client area.
    EXPECT_GE(w.widget(w.form.Text1)->y(), w.window.height());
}

TEST(Window, AnyMouseButtonPressesANumber) {
    Window w;
    QWidget* first = w.widget(w.form.cmd数字[0]);
    QWidget* second = w.widget(w.form.cmd数字[1]);
    QTest::mousePress(first, Qt::LeftButton);
    EXPECT_TRUE(w.form.shp選択印[0].Visible);
    EXPECT_TRUE(w.widget(w.form.shp選択印[0])->isVisible());
    QTest::mousePress(second, Qt::RightButton);
    EXPECT_EQ(w.form.SelectedCount, 2);
    EXPECT_TRUE(w.widget(w.form.cmd加算)->isEnabled());
    QTest::mousePress(second, Qt::MiddleButton);
    EXPECT_FALSE(w.widget(w.form.shp選択印[1])->isVisible());
    EXPECT_FALSE(w.widget(w.form.cmd加算)->isEnabled());

    QTest::mousePress(second, Qt::LeftButton);
    QTest::mousePress(w.widget(w.form.cmd加算), Qt::RightButton);
    EXPECT_EQ(static_cast<QPushButton*>(w.widget(w.form.cmd数字[4]))->text(),
              QString::fromStdString(w.form.cmd数字[4].Caption));
    EXPECT_TRUE(w.widget(w.form.cmd数字[4])->isVisible());
    EXPECT_FALSE(w.widget(w.form.cmd数字[0])->isEnabled());
    // Both presses of a double-click count (sent through the window, as the window system sends
    // them): one that starts unselected ends so, and one that starts selected ends selected.
    QWidget* third = w.widget(w.form.cmd数字[2]);
    const QPoint middle = third->mapTo(&w.window, third->rect().center());
    QTest::mouseDClick(w.window.windowHandle(), Qt::LeftButton, {}, middle);
    EXPECT_FALSE(w.form.shp選択印[2].Visible);
    QTest::mousePress(third, Qt::LeftButton);
    QTest::mouseDClick(w.window.windowHandle(), Qt::LeftButton, {}, middle);
    EXPECT_TRUE(w.form.shp選択印[2].Visible);
    QTest::mousePress(third, Qt::LeftButton);
    // The keyboard never presses a number.
    QTest::keyClick(w.widget(w.form.cmd数字[2]), Qt::Key_Space);
    EXPECT_FALSE(w.form.shp選択印[2].Visible);
}

// Puts 1 2 3 4 on the board, as question setting would show them.
void putQuestion(Window& w) {
    w.form.cmd出題_Click();
    for (int i = 0; i < kDigitSlots; ++i) {
        w.form.SlotValues[i] = std::int16_t(i + 1);
        w.form.cmd数字[i].Caption = w.form.fnc全角数字(std::int16_t(i + 1));
    }
    w.game.showChanges();
}

void press(Window& w, std::initializer_list<const Control*> controls) {
    for (const Control* c : controls)
        QTest::mousePress(w.widget(*c), Qt::LeftButton);
}

// Keys reach only what the game gave the focus: a number or operator that goes out of play
// passes it to nothing, so a stray Space never presses redo.
TEST(Window, KeysActOnlyWhereTheGamePutTheFocus) {
    Window w;
    QApplication::setActiveWindow(&w.window);
    Form1& f = w.form;
    const auto keys = [&] {
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(w.window.windowHandle(), key);
    };
    putQuestion(w);
    press(w, {&f.cmd数字[0], &f.cmd数字[1], &f.cmd加算});
    keys();
    EXPECT_EQ(f.NoRedoUsed, kTrue);
    EXPECT_TRUE(f.cmd数字[kResultSlot].Visible) << "the board was reset";
    // (1 + 2) x 3 + 4 = 13: wrong, and the focus goes to redo, where Space redoes.
    press(w, {&f.cmd数字[2], &f.cmd乗算, &f.cmd加算});
    ASSERT_EQ(f.lbl正誤.Caption, "×やり直し");
    QTest::keyClick(w.window.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(f.NoRedoUsed, kFalse);
    // 1 + 2 + 3 + 4 = 10: right, and the focus goes to 次の問題, where Space sets the next.
    press(w, {&f.cmd数字[0], &f.cmd数字[1], &f.cmd数字[2], &f.cmd数字[3], &f.cmd加算});
    ASSERT_EQ(f.lbl正誤.Caption, "○正解");
    QTest::keyClick(w.window.windowHandle(), Qt::Key_Space);
    EXPECT_FALSE(f.lbl正誤.Visible) << "no next question";
    EXPECT_FALSE(f.cmd出題.Enabled);

    // Tab follows the layout's tab order.
    QStringList order;
    QWidget* at = w.widget(f.cmd数字[0]);
    do {
        if (at->focusPolicy() & Qt::TabFocus)
            order << at->objectName();
        at = at->nextInFocusChain();
    } while (at != w.widget(f.cmd数字[0]));
    EXPECT_EQ(order.join(" "),
              "cmd数字(0) cmd数字(1) cmd数字(2) cmd数字(3) cmd加算 cmd減算 cmd乗算 "
              "cmd除算 cmdやり直し cmd数字(4) cmd数字(5) cmd出題");
}

// Space, Return and Enter on every button the keyboard reaches: a number or operator never acts
// on a key; 次の問題 and やり直す act on each, as on a click.
TEST(Window, SpaceAndEnterOnEveryFocusableButton) {
    for (const auto& [key, name] :
         {std::pair(Qt::Key_Space, "Space"), std::pair(Qt::Key_Return, "Return"),
          std::pair(Qt::Key_Enter, "Enter")}) {
        SCOPED_TRACE(name);
        Window w;
        QApplication::setActiveWindow(&w.window);
        Form1& f = w.form;
        putQuestion(w);
        press(w, {&f.cmd数字[0], &f.cmd数字[1]}); // every operator is offered
        const auto board = [&] {
            std::vector<std::string> shown;
            for (const Control* c : f.controls())
                shown.push_back(c->Name + c->Caption + std::to_string(c->Visible) +
                                std::to_string(c->Enabled));
            return shown;
        };
        const auto before = board();
        for (const Control* c : {&f.cmd数字[0], &f.cmd数字[1], &f.cmd数字[2], &f.cmd数字[3],
                                 &f.cmd加算, &f.cmd減算, &f.cmd乗算, &f.cmd除算}) {
            w.widget(*c)->setFocus();
            QTest::keyClick(w.window.windowHandle(), key);
            EXPECT_EQ(board(), before) << c->Name << " acted on a key";
        }
        w.widget(f.cmdやり直し)->setFocus();
        QTest::keyClick(w.window.windowHandle(), key);
        EXPECT_EQ(f.NoRedoUsed, kFalse) << "やり直す did not redo";
        EXPECT_FALSE(f.shp選択印[0].Visible) << "the board was not put back";
        press(w, {&f.cmd数字[0], &f.cmd数字[1], &f.cmd数字[2], &f.cmd数字[3], &f.cmd加算});
        ASSERT_EQ(f.lbl正誤.Caption, "○正解");
        ASSERT_EQ(QApplication::focusWidget(), w.widget(f.cmd出題));
        QTest::keyClick(w.window.windowHandle(), key);
        EXPECT_FALSE(f.lbl正誤.Visible) << "次の問題 set no next question";
    }
}

// Escape and the close button on every box the game shows: the start-up question takes them as
// No, as Qt takes a box without Cancel, and every box with OK alone closes as OK.
TEST(Boxes, EscapeAndTheCloseButtonOnEveryBox) {
    const struct {
        const char* text;
        const char* title;
        MessageButtons buttons;
        MessageResult closed;
    } boxes[] = {
        {"手加減したろか？", "かずろい", MessageButtons::YesNo, MessageResult::No},
        {"話にならんな", "かずろい", MessageButtons::Ok, MessageResult::Ok},
        {"天才ちゃうか。\r\nもう1問出したろ。", "やるなー。", MessageButtons::Ok,
         MessageResult::Ok},
        {"要らんって？ ^^;", "やるなー。", MessageButtons::Ok, MessageResult::Ok},
    };
    for (const bool escape : {true, false}) {
        for (const auto& box : boxes) {
            QtPlatform platform;
            std::function<void()> closeSoon = [&] {
                QTimer::singleShot(10, [&] {
                    auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (!open)
                        return closeSoon();
                    if (escape)
                        QTest::keyClick(open, Qt::Key_Escape);
                    else
                        open->close();
                });
            };
            closeSoon();
            EXPECT_EQ(platform.messageBox(box.text, box.title, box.buttons), box.closed)
                << box.text << (escape ? " on Escape" : " on its close button");
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << box.text;
        }
    }
}

// The time-out box is open while Qt keeps firing both timers: no tick may reach the game (here the
// animation's, which runs beside it), no second box opens, and closing it ends the program.
TEST(Window, ABoxHoldsEveryTickBack) {
    Window w;
    w.form.StageIndex = 2;
    w.form.TimeLeft = 0;
    w.form.shp制限時間残り.Width = 19;
    w.form.tim制限時間タイマ.Enabled = true;
    w.form.AnimationStep = -23;
    w.form.timアニメーションタイマ.Interval = 20;
    w.form.timアニメーションタイマ.Enabled = true;
    w.game.showChanges();

    int boxes = 0;
    std::int16_t countdownAtOpen = -1;
    std::int16_t countdownLater = -1;
    std::int16_t stepAtOpen = 0;
    std::int16_t stepLater = 0;
    QString text;
    QTimer::singleShot(100, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            boxes += qobject_cast<QMessageBox*>(top) && top->isVisible();
        countdownAtOpen = w.form.TickCountdown;
        stepAtOpen = w.form.AnimationStep;
        QTimer::singleShot(300, [&] {
            countdownLater = w.form.TickCountdown;
            stepLater = w.form.AnimationStep;
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                text = box->text();
                box->defaultButton()->click();
            }
        });
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.game.ended(); }, 3000));
    EXPECT_EQ(text, "話にならんな");
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(countdownLater, countdownAtOpen) << "ticks ran while the box was open";
    EXPECT_EQ(stepLater, stepAtOpen) << "the animation ran while the box was open";
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a second box opened";
    EXPECT_FALSE(w.window.isVisible());
}

// Every text the game can show, in the control that shows it, is drawn whole by the font the
// window really uses (run also with Noto Sans CJK JP as the only Japanese font).
TEST(Window, EveryTextIsDrawnWhole) {
    Window w;
    Form1& f = w.form;
    if (const char* face = std::getenv("KAZUROI_EXPECT_FONT")) {
        ASSERT_EQ(QFontInfo(w.widget(f.lblタイトル)->font()).family(), face);
    }
    std::vector<std::pair<Control*, std::string>> texts;
    for (int stage = 0; stage <= kExtraStage; ++stage)
        texts.emplace_back(&f.lblステージ, f.StageRecords[stage].Name);
    for (const char* stars : {"★☆☆☆☆", "★★★★★", "★☆★☆★", "☆☆☆☆☆"})
        texts.emplace_back(&f.lblレベル, stars);
    for (const char* judgement : {"○正解", "×やり直し", "○やり直し"})
        texts.emplace_back(&f.lbl正誤, judgement);
    for (Control* c : f.controls())
        if (!c->Caption.empty())
            texts.emplace_back(c, c->Caption);
    for (int d = 0; d < 10; ++d)
        texts.emplace_back(&f.cmd数字[0], f.fnc全角数字(std::int16_t(d)));
    for (const std::string& answer : widestAnswers(f, w.widget(f.cmd数字[kResultSlot])->font()))
        for (int slot : {kResultSlot, kSecondResultSlot})
            texts.emplace_back(&f.cmd数字[slot], answer);

    for (auto& [control, text] : texts) {
        control->Caption = text;
        w.game.showChanges();
        const QWidget* widget = w.widget(*control);
        const QRectF ink = drawnInk(*control, widget);
        const QRectF room =
            control->Type == ControlType::Frame
                ? QRectF(0, 0, widget->width() - FrameBox::kCaptionLeft, widget->height())
                : QRectF(widget->rect());
        EXPECT_TRUE(room.contains(ink))
            << control->Name << " \"" << text << "\" drawn at " << ink.left() << ".." << ink.right()
            << " x " << ink.top() << ".." << ink.bottom() << " in " << room.width() << " x "
            << room.height() << " (" << QFontInfo(widget->font()).family().toStdString() << ")";
    }
}

// Frames as the layout means them: the border through the middle of the caption, the stars
// below it, and one colour for system colour 15 in frames, labels and the window alike.
TEST(Window, FramesCarryTheirCaptionInTheTopEdge) {
    Window w;
    const auto* frame = static_cast<FrameBox*>(w.widget(w.form.frm問題));
    const QImage image = w.window.grab().toImage();
    const double scale = image.devicePixelRatio();
    // A pixel of the grab at a point given in the window's own pixels.
    const auto pixel = [&](QPointF p) { return image.pixel((p * scale).toPoint()); };
    const QPoint at = frame->pos();
    const QRgb dark = frame->palette().color(QPalette::Dark).rgb();
    double border = -1;
    for (int y = 0; y < frame->height() * scale && border < 0; ++y)
        if (image.pixel(int(at.x() * scale), int(at.y() * scale) + y) == dark)
            border = y / scale;
    const QFontMetricsF metrics(frame->font());
    const double captionEnd = FrameBox::kCaptionLeft + metrics.horizontalAdvance("問題");
    double inkTop = frame->height(), inkBottom = -1;
    for (double y = 0; y < metrics.height(); y += 1 / scale)
        for (double x = FrameBox::kCaptionLeft; x < captionEnd; x += 1 / scale)
            if (qGray(pixel(at + QPointF(x, y))) < 100) {
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
    EXPECT_GT(border, inkTop);
    EXPECT_LT(border, inkBottom);
    EXPECT_EQ(pixel(at + QPointF(captionEnd + 8, border)), dark) << "after the caption";
    EXPECT_GT(w.widget(w.form.lblレベル)->y(), border + 2) << "the stars lie below the border";

    const QRgb face = pixel({2, 2});
    const QWidget* stars = w.widget(w.form.lblレベル);
    EXPECT_EQ(pixel(at + QPointF(30, frame->height() / 2)), face) << "inside a frame";
    EXPECT_EQ(pixel(at + stars->geometry().bottomLeft() + QPointF(40, 0)), face)
        << "behind the stars";
    const QWidget* stage = w.widget(w.form.lblステージ);
    EXPECT_EQ(pixel(stage->pos() + QPointF(4, 4)), face) << "behind a label";
}

// Every box is wide enough for a window manager to show its whole title (openbox cut titles
// short in boxes of 110 to 131 pixels).
TEST(Window, BoxesShowTheirTitles) {
    QtPlatform platform;
    for (const char* title : {"かずろい", "やるなー。"}) {
        int width = 0;
        std::function<void()> measure = [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                width = box->width();
                box->defaultButton()->click();
            } else {
                QTimer::singleShot(10, measure);
            }
        };
        QTimer::singleShot(10, measure);
        platform.messageBox("話にならんな", title, MessageButtons::Ok);
        EXPECT_GE(width, 200) << title;
    }
}

// What a screen reader hears: the numbers by their captions and whether they are selected, the
// time left as the bar's value, and nothing of the Text1 that no one can see.
TEST(Window, ScreenReadersHearTheGame) {
    Window w;
    QAccessibleInterface* number =
        QAccessible::queryAccessibleInterface(w.widget(w.form.cmd数字[1]));
    EXPECT_EQ(number->text(QAccessible::Name).toStdString(), w.form.cmd数字[1].Caption);
    EXPECT_FALSE(number->state().selected);
    QTest::mousePress(w.widget(w.form.cmd数字[1]), Qt::RightButton);
    EXPECT_TRUE(number->state().selectable && number->state().selected);
    number->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(w.form.shp選択印[1].Visible) << "pressing through the screen reader presses";

    QAccessibleInterface* bar =
        QAccessible::queryAccessibleInterface(w.widget(w.form.shp制限時間残り));
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_EQ(bar->text(QAccessible::Name), "残り時間");
    EXPECT_EQ(bar->valueInterface()->currentValue().toDouble(), 1354);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toDouble(), 1935);
    w.form.shp制限時間残り.Width = 600;
    w.game.showChanges();
    EXPECT_EQ(bar->valueInterface()->currentValue().toDouble(), 600);

    EXPECT_TRUE(QAccessible::queryAccessibleInterface(w.widget(w.form.Text1))->state().invisible);
}

TEST(Window, RedoClickRestoresTheBoard) {
    Window w;
    QTest::mousePress(w.widget(w.form.cmd数字[0]), Qt::LeftButton);
    QTest::mousePress(w.widget(w.form.cmd数字[1]), Qt::LeftButton);
    QTest::mousePress(w.widget(w.form.cmd乗算), Qt::LeftButton);
    QTest::mouseClick(w.widget(w.form.cmdやり直し), Qt::LeftButton);
    EXPECT_EQ(w.form.NoRedoUsed, kFalse);
    EXPECT_FALSE(w.widget(w.form.cmd数字[4])->isVisible());
    EXPECT_TRUE(w.widget(w.form.cmd数字[0])->isEnabled());
}

} // namespace
} // namespace kazuroi

int main(int argc, char** argv) {
    // Headless unless told otherwise; fixed pixel sizes regardless of the desktop's scaling.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "1");
    QTemporaryDir config; // never the player's own settings
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    kazuroi::substituteJapaneseFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
