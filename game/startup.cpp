// Start-up and shut-down: the Load and Unload handlers and the game's initialisation.
#include "form1.h"
#include "numbers.h"

#include <cmath>

namespace kazuroi {

namespace {

// A stored coordinate the window system cannot take (not finite, or beyond its 16-bit pixel
// range at 15 twips a pixel) is read as 0 rather than losing the window.
constexpr double kLargestCoordinate = 32767.0 * kTwipsPerPixel;

float storedCoordinate(Platform& platform, const char* key) {
    const std::string text =
        platform.readSetting(kSettingsApplication, kSettingsSection, key).value_or("100");
    const double value = leadingNumber(text);
    if (!std::isfinite(value) || std::fabs(value) > kLargestCoordinate)
        return 0;
    return toSingle(value);
}

} // namespace

void Form1::Form_Load() {
    readStoredPlace();
    subゲーム初期化();
    sub各問初期化();
    tim制限時間タイマ.Interval = StageParams[StageIndex].TimerInterval;
    sub出題();
}

void Form1::readStoredPlace() {
    Left = storedCoordinate(platform_, "Left");
    Top = storedCoordinate(platform_, "Top");
}

void Form1::placeAt(PixelPoint at) {
    Left = toTwips(at.x);
    Top = toTwips(at.y);
}

void Form1::closeByPlayer(std::optional<PixelPoint> movedTo) {
    if (movedTo)
        placeAt(*movedTo);
    std::int16_t cancel = 0;
    Form_Unload(cancel);
}

// Cancel comes with the event; the window always closes, so it is left unset.
void Form1::Form_Unload(std::int16_t& /*Cancel*/) {
    platform_.writeSetting(kSettingsApplication, kSettingsSection, "Left", storedNumberText(Left));
    platform_.writeSetting(kSettingsApplication, kSettingsSection, "Top", storedNumberText(Top));
}

void Form1::subゲーム初期化() {
    platform_.seedRandomFromClock();
    sub順列作成();
    subステージ設定();
    const MessageResult answer = ask("手加減したろか？", "かずろい", MessageButtons::YesNo);
    StageIndex = answer == MessageResult::Yes ? 0 : 2;
    SolvedCount = 0;
    TimeLeft = roundToInt16(double(shp制限時間表示枠.Width) * 0.7);
    shp制限時間残り.Width = TimeLeft;
    BarColour = kGreen;
    TickCountdown = 10; // the first drain step comes on the eleventh tick
    BlinkPhase = 0;
    ExtraRefill = kFalse;
    NoRedoUsed = kTrue;
}

} // namespace kazuroi
