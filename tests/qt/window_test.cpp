// The real window on Qt's offscreen platform: its widgets follow the model, presses reach it.
#include "app/qt/widgets.h"
#include "qt/live_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kazuroi {
namespace {

using Window = testing::LiveWindow;

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
    EXPECT_EQ(static_cast<QGroupBox*>(w.widget(w.form.frm問題))->title(), "問題");
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

TEST(Window, SpaceNeverRedoesBehindThePlayersBack) {
    Window w;
    QApplication::setActiveWindow(&w.window);
    QTest::keyClick(&w.window, Qt::Key_Space);
    EXPECT_EQ(w.form.NoRedoUsed, kTrue) << "focus starts on a number";
    QTest::mousePress(w.widget(w.form.cmd数字[1]), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(w.form.NoRedoUsed, kTrue) << "a clicked number holds the focus";
    // A wrong answer moves the focus to the redo button, where Space redoes.
    w.form.cmdやり直し_Click();
    w.form.NoRedoUsed = kTrue;
    w.form.cmd数字[0].Caption = "１";
    w.window.showModel();
    w.window.focusControl(w.form.cmdやり直し);
    QTest::keyClick(w.widget(w.form.cmdやり直し), Qt::Key_Space);
    EXPECT_EQ(w.form.NoRedoUsed, kFalse);
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
    w.window.showModel();

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
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.platform.ended(); }, 3000));
    EXPECT_EQ(text, "話にならんな");
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(countdownLater, countdownAtOpen) << "ticks ran while the box was open";
    EXPECT_EQ(stepLater, stepAtOpen) << "the animation ran while the box was open";
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a second box opened";
    EXPECT_FALSE(w.window.isVisible());
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
    qputenv("QT_SCALE_FACTOR", "1");
    QTemporaryDir config; // never the player's own settings
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    kazuroi::substituteJapaneseFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
