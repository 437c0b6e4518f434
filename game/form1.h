// The main window: its controls as a plain model, the game state, and every procedure of the game.
#pragma once

#include "controls.h"
#include "game_state.h"
#include "platform.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kazuroi {

inline constexpr float kClientWidth = 8790;
inline constexpr float kClientHeight = 7395;

class Form1 : public GameState {
  public:
    explicit Form1(Platform& platform);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The window itself.
    std::string Caption = "かずろい    kazuroi";
    float Left = 0;
    float Top = 0;
    float ScaleWidth = kClientWidth;
    float ScaleHeight = kClientHeight;
    float OuterHeight() const { return platform_.outerHeight(); }

    // Controls, each container's children front to back.
    Control Text1, frmステージクリア, cmd出題, cmdやり直し, frm演算子, frm問題, frm答案,
        shp制限時間残り, shp制限時間表示枠, lblステージ, lblタイトル;
    Control lblステージクリア, lblステージクリアs;
    Control cmd除算, cmd乗算, cmd減算, cmd加算;
    std::array<Control, 6> cmd数字;
    std::array<Control, 6> shp選択印;
    Control lblレベル, lbl正誤;
    Timer tim制限時間タイマ, timアニメーションタイマ;

    // Front to back within each container; containers come before their children.
    const std::vector<Control*>& controls() const { return controls_; }
    std::array<Timer*, 2> timers() { return {&tim制限時間タイマ, &timアニメーションタイマ}; }
    Control* findControl(const std::string& name);
    Timer* findTimer(const std::string& name);
    // A control takes input only while it and its containers are visible and enabled.
    bool takesInput(const Control& control) const;
    // The handler a control's MouseDown (any mouse button) or Click runs; empty when it has none.
    std::function<void()> mouseDownHandler(const Control& control);
    std::function<void()> clickHandler(const Control& control);
    std::function<void()> timerHandler(const Timer& timer);

    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload(std::int16_t& Cancel);
    // The window placed where the settings store keeps it, as the Load handler first does.
    void readStoredPlace();
    // Where a front end put the window, or the player moved it, in pixels.
    void placeAt(PixelPoint at);
    // The player closes the window, moved to `movedTo` if it was: the Unload handler stores the
    // position.
    void closeByPlayer(std::optional<PixelPoint> movedTo = std::nullopt);
    void subゲーム初期化();
    void subステージ設定();

    // Question setting.
    void sub各問初期化();
    void sub出題();
    std::string fnc全角数字(std::int16_t d);
    void cmd出題_Click();

    // Solver.
    void sub順列作成();
    void sub順列生成(std::array<std::int16_t, 5>& w, const std::int16_t& k, const std::int16_t& n,
                     std::int16_t& count);
    std::int16_t fncレベル判定();
    std::int16_t fnc乗算(const std::int16_t& x, const std::int16_t& y, Bool16& zero);
    std::int16_t fnc除算(const std::int16_t& x, const std::int16_t& y, Bool16& ok);

    // Play board.
    void cmd数字_MouseDown(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X,
                           float Y);
    void cmd加算_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void cmd減算_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void cmd乗算_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void cmd除算_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void sub計算結果の配置(std::int16_t& value, std::string& text);
    std::string fnc加減算の括弧付け(const std::string& text);
    std::string fnc四則演算の括弧付け(const std::string& text);
    void sub演算子ボタンの有効無効();
    Bool16 fnc除算可否();
    void sub正誤判定();
    void subやり直し();
    void cmdやり直し_Click();

    // Timing and progression.
    void sub残り時間加算(const std::int16_t& amount);
    void tim制限時間タイマ_Timer();
    void subステージクリア();
    void timアニメーションタイマ_Timer();
    void sub次ステージ();

    // The board's state, as its controls hold it.
    // A slot is selected while its ring shows.
    bool selected(int slot) const { return shp選択印[slot].Visible; }
    // A number is in play until an operator consumes it (which disables its button).
    bool inPlay(int slot) const { return cmd数字[slot].Enabled; }
    // The first result slot is free while it holds no expression.
    bool resultSlotFree() const { return cmd数字[kResultSlot].Caption.empty(); }

  private:
    // One selected operand as the operators take it, in slot order.
    struct Operand {
        std::int16_t value;
        std::string caption;
    };
    void select(int slot);
    void deselect(int slot);
    // The digits still in play and not selected, in slot order.
    std::vector<int> freeDigits() const;
    // Back to a slot of a fresh board: hidden, empty, in play, unmarked, in the button face.
    void emptySlot(int slot);
    std::vector<Operand> consumeSelected();
    // What every operator press ends with: the result placed, the operators brought in line
    // with the new selection, and the board judged.
    void finishOperation(std::int16_t value, std::string text);
    void addToSelectedCount(int delta);
    // Every box the game shows: the one place where a procedure waits for the player.
    MessageResult ask(const std::string& text, const std::string& title, MessageButtons buttons);

    Platform& platform_;
    std::vector<Control*> controls_;
};

} // namespace kazuroi
