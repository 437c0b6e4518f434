// Drives the real window on a real X server and checks what the screen shows: the time bar, the
// Japanese title, a selection ring, a wrong answer in red, the stage-clear panel over the buttons.
// Usage (under Xvfb): kazuroi_xvfb_probe   (QT_SCALE_FACTOR may be set; checks scale with it)
#include "qt/live_window.h"
#include "qt/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <functional>

using namespace kazuroi;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += ok ? 0 : 1;
}

// The window's pixels as the X server has them, in device pixels, once they pass `shows` (a
// repaint may still be on its way), for at most ten seconds; the last grab either way.
QImage screenWhen(QWidget& window, const std::function<bool(const QImage&)>& shows) {
    QImage shot;
    [[maybe_unused]] const bool shown = QTest::qWaitFor(
        [&] {
            shot = window.screen()->grabWindow(window.winId()).toImage();
            return shows(shot);
        },
        10000);
    return shot;
}

// A point given in twips of the client area, in device pixels.
QPoint at(const QWidget& window, float x, float y) {
    const double scale = window.devicePixelRatioF();
    return QPoint(int(x / 15 * scale), int(y / 15 * scale));
}

bool near(QColor c, int r, int g, int b, int slack = 40) {
    return std::abs(c.red() - r) <= slack && std::abs(c.green() - g) <= slack &&
           std::abs(c.blue() - b) <= slack;
}

// Puts 1 2 3 4 on the board, as question setting would show them.
void putQuestion(Form1& form, MainWindow& window) {
    for (int i = 0; i < 4; ++i) {
        form.SlotValues[i] = std::int16_t(i + 1);
        form.cmd数字[i].Caption = form.fnc全角数字(std::int16_t(i + 1));
    }
    window.showModel();
}

void pressAll(Form1& form, MainWindow& window, const Control& op) {
    for (int i = 0; i < 4; ++i)
        QTest::mousePress(window.widgetFor(form.cmd数字[i]), Qt::LeftButton);
    QTest::mousePress(window.widgetFor(op), Qt::LeftButton);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    substituteJapaneseFonts();
    QFont base(QStringLiteral("MS UI Gothic"));
    base.setPixelSize(12);
    QApplication::setFont(base);

    testing::LiveWindow live;
    Form1& form = live.form;
    MainWindow& window = live.window;
    check(QTest::qWaitForWindowExposed(&window), "the window is shown");

    const double scale = window.devicePixelRatioF();
    const QPoint barStart = at(window, 6480 + 60, 6120 + 300);
    QImage shot = screenWhen(
        window, [&](const QImage& s) { return s.pixelColor(barStart) == QColor(0, 255, 0); });
    check(shot.width() == int(586 * scale) && shot.height() == int(493 * scale),
          "client area 8790 x 7395 twips at 15 twips a pixel");

    // The bar: green from its left edge to 70 % of the track, then the track.
    const QColor bar = shot.pixelColor(barStart);
    const QColor barEnd = shot.pixelColor(at(window, 6480 + 1354 - 30, 6120 + 300));
    const QColor track = shot.pixelColor(at(window, 6480 + 1354 + 60, 6120 + 300));
    const QColor background = shot.pixelColor(at(window, 6480 + 300, 6120 - 100));
    check(bar == QColor(0, 255, 0) && barEnd == QColor(0, 255, 0), "the bar is green");
    check(track != bar && track != background, "the track shows beyond the bar");
    // Crisp edge: the device pixel either side of the bar's end is bar or track, not a blend.
    const int edge = int(std::lround(double(6480 + 1354) / 15)) * int(scale);
    const int row = at(window, 0, 6120 + 300).y();
    check(shot.pixelColor(edge - 1, row) == bar && shot.pixelColor(edge, row) == track,
          "the bar's end is crisp");

    // The title renders in a font with Japanese glyphs, and its area is not blank.
    auto* title = static_cast<QLabel*>(window.widgetFor(form.lblタイトル));
    const QString family = QFontInfo(title->font()).family();
    check(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
          qPrintable("title font " + family + " has Japanese glyphs"));
    int ink = 0;
    for (int y = at(window, 0, 240).y(); y < at(window, 0, 240 + 615).y(); ++y)
        for (int x = at(window, 480, 0).x(); x < at(window, 480 + 5175, 0).x(); ++x)
            ink += qGray(shot.pixel(x, y)) < 100;
    check(ink > 500 * scale * scale, "the title label shows its text");

    // A ring round a selected number: the pixels under it are inverted.
    putQuestion(form, window);
    const QPoint ring = at(window, 360 + 360 + 20, 1080 + 840 + 652); // mark 0's left edge
    const QColor before = screenWhen(window, [](const QImage&) { return true; }).pixelColor(ring);
    const auto inverted = [&](const QImage& s) {
        const QColor c = s.pixelColor(ring);
        return near(c, 255 - before.red(), 255 - before.green(), 255 - before.blue(), 8);
    };
    QTest::mousePress(window.widgetFor(form.cmd数字[0]), Qt::RightButton);
    check(inverted(screenWhen(window, inverted)), "a selected number shows an inverted ring");
    QTest::mousePress(window.widgetFor(form.cmd数字[0]), Qt::RightButton);

    // A wrong answer: 1 x 2 x 3 x 4 = 24, slot 4 red and "×やり直し" in red.
    pressAll(form, window, form.cmd乗算);
    const QPoint slot4At = at(window, 360 + 240 + 150, 4080 + 480 + 420);
    const auto redSlot = [&](const QImage& s) {
        const QColor c = s.pixelColor(slot4At);
        return c.red() > 180 && c.green() < 90 && c.blue() < 90;
    };
    shot = screenWhen(window, redSlot);
    const QColor slot4 = shot.pixelColor(slot4At);
    check(slot4.red() > 180 && slot4.green() < 90 && slot4.blue() < 90,
          qPrintable("slot 4 is red after a wrong answer (" + slot4.name() + ")"));
    int red = 0;
    for (int y = at(window, 0, 4080 + 1560).y(); y < at(window, 0, 4080 + 1560 + 1095).y(); ++y)
        for (int x = at(window, 360 + 1200, 0).x(); x < at(window, 360 + 1200 + 4455, 0).x(); ++x)
            red += near(shot.pixelColor(x, y), 255, 0, 0, 60);
    check(red > 300 * scale * scale, "\"×やり直し\" shows in red");

    // The 20th right answer: the panel falls in front of the buttons.
    QTest::mouseClick(window.widgetFor(form.cmdやり直し), Qt::LeftButton);
    form.SolvedCount = 19;
    pressAll(form, window, form.cmd加算);
    // Around n = -10 the panel stands over the middle of the window: it is held there, by the
    // step reached rather than by a time, while its pixels are read.
    check(QTest::qWaitFor([&] { return form.AnimationStep >= -9; }, 10000), "the panel falls");
    form.timアニメーションタイマ.Enabled = false;
    window.showModel();
    check(form.frmステージクリア.Top > 2000 && form.frmステージクリア.Top < 3300,
          "the panel is mid-way down");
    const QPoint nextButton = at(window, 6480 + 200, 4320 + 200);
    const auto panelInFront = [&](const QImage& s) {
        return s.pixelColor(nextButton) == QColor(128, 255, 128);
    };
    check(panelInFront(screenWhen(window, panelInFront)),
          "the light green panel lies in front of 次の問題");
    form.timアニメーションタイマ.Enabled = true;
    window.showModel();
    check(QTest::qWaitFor([&] { return form.StageIndex == 1; }, 10000) && form.StageIndex == 1 &&
              form.cmd出題.Enabled,
          "the animation ends in the next stage");

    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
