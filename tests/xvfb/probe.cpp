// Drives the real window on a real X server and checks what the screen shows: the time bar in
// each of its colours and blinking, the window's own colours, the Japanese title, the fonts in
// pixels whatever the screen's dots per inch, a selection ring, a right answer in green and a
// wrong one in red, the stage-clear panel over the buttons and its path over the window's outer
// height as the window manager draws it.
// Usage (under Xvfb): kazuroi_xvfb_probe   (QT_SCALE_FACTOR and Xft.dpi may be set; checks scale
// with the first and must not change with the second)
#include "qt/live_window.h"
#include "qt/widgets.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

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
void putQuestion(Form1& form, RunningGame& game) {
    for (int i = 0; i < 4; ++i) {
        form.SlotValues[i] = std::int16_t(i + 1);
        form.cmd数字[i].Caption = form.fnc全角数字(std::int16_t(i + 1));
    }
    game.showChanges();
}

void pressAll(Form1& form, MainWindow& window, const Control& op) {
    for (int i = 0; i < 4; ++i)
        QTest::mousePress(window.widgetFor(form.cmd数字[i]), Qt::LeftButton);
    QTest::mousePress(window.widgetFor(op), Qt::LeftButton);
}

// The window manager's frame round WINDOW, as it tells other X clients: left, right, top, bottom.
std::vector<int> frameExtents(const QWidget& window) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_FRAME_EXTENTS"});
    xprop.waitForFinished();
    const QString said = QString::fromUtf8(xprop.readAllStandardOutput());
    std::vector<int> extents;
    for (const QString& n : said.section('=', 1).split(',', Qt::SkipEmptyParts))
        extents.push_back(n.trimmed().toInt());
    return extents;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    substituteJapaneseFonts();
    useDefaultFont();

    testing::LiveWindow live;
    Form1& form = live.form;
    MainWindow& window = live.window;
    RunningGame& game = live.game;
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
    putQuestion(form, game);
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
    // The fonts in pixels, as the layout is measured in them: 12 for the boxes and the controls
    // without a face, the layout's points at 96 dots per inch for the rest.
    check(QFontInfo(QApplication::font()).pixelSize() == 12, "the default font is 12 pixels");
    for (const auto& [c, pixels] : {std::pair(&form.lblタイトル, 32), std::pair(&form.cmd加算, 37),
                                    std::pair(&form.frm問題, 24), std::pair(&form.cmd出題, 24)})
        check(QFontInfo(window.widgetFor(*c)->font()).pixelSize() == pixels,
              qPrintable(QString::fromStdString(c->Name) + "'s font is " + QString::number(pixels) +
                         " pixels"));
    // The window's colours: the platform's button face where the layout names system colour 15.
    const QColor face = QApplication::palette().color(QPalette::Button);
    shot = screenWhen(window, [](const QImage&) { return true; });
    check(shot.pixelColor(at(window, 6000 + 60, 240 + 60)) == face &&
              shot.pixelColor(at(window, 360 + 120, 1080 + 1500)) == face,
          qPrintable("the stage label and the question frame show the button face " + face.name()));
    // The bar in each colour it fades to, its width the same: a new colour alone is drawn too.
    for (const auto& [colour, rgb] :
         {std::pair(kYellow, QColor(255, 255, 0)), std::pair(kRed, QColor(255, 0, 0)),
          std::pair(kGreen, QColor(0, 255, 0))}) {
        form.shp制限時間残り.BackColor = colour;
        game.showChanges();
        const auto coloured = [&](const QImage& s) { return s.pixelColor(barStart) == rgb; };
        check(coloured(screenWhen(window, coloured)), qPrintable("the bar shows " + rgb.name()));
    }
    // Blinking: in its hidden phase the track shows where the bar was.
    form.shp制限時間残り.Visible = false;
    game.showChanges();
    const auto hidden = [&](const QImage& s) { return s.pixelColor(barStart) == track; };
    check(hidden(screenWhen(window, hidden)), "the bar blinks off");
    form.shp制限時間残り.Visible = true;
    game.showChanges();

    // A right answer: 1 + 2 + 3 + 4 = 10, slot 4 green; then redo for a wrong one.
    pressAll(form, window, form.cmd加算);
    const QPoint slot4At = at(window, 360 + 240 + 150, 4080 + 480 + 420);
    const auto greenSlot = [&](const QImage& s) {
        return s.pixelColor(slot4At) == QColor(0, 255, 0);
    };
    check(greenSlot(screenWhen(window, greenSlot)), "slot 4 is green after a right answer");
    form.cmdやり直し.Enabled = true;
    game.showChanges();
    QTest::mouseClick(window.widgetFor(form.cmdやり直し), Qt::LeftButton);
    pressAll(form, window, form.cmd乗算);
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
    game.showChanges();
    check(form.frmステージクリア.Top > 2000 && form.frmステージクリア.Top < 3300,
          "the panel is mid-way down");
    const QPoint nextButton = at(window, 6480 + 200, 4320 + 200);
    const auto panelInFront = [&](const QImage& s) {
        return s.pixelColor(nextButton) == QColor(128, 255, 128);
    };
    check(panelInFront(screenWhen(window, panelInFront)),
          "the light green panel lies in front of 次の問題");
    // Its path is the game's over the window's outer height, title bar and border included, as
    // the window manager reports its frame (in the screen's pixels).
    const std::vector<int> frame = frameExtents(window);
    check(frame.size() == 4, "the window manager reports the window's frame");
    if (frame.size() == 4) {
        const double outer = toTwips(493 + int(std::lround((frame[2] + frame[3]) / scale)));
        const int n = form.AnimationStep - 1;
        check(form.OuterHeight() == float(outer), "the game measures the window with its frame");
        check(form.frmステージクリア.Top == float(double(n) * n * n + (outer - 2415) / 2 - 100 * n),
              "the panel stands where the game's path puts it");
    }
    form.timアニメーションタイマ.Enabled = true;
    game.showChanges();
    check(QTest::qWaitFor([&] { return form.StageIndex == 1; }, 10000) && form.StageIndex == 1 &&
              form.cmd出題.Enabled,
          "the animation ends in the next stage");

    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
