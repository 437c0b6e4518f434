// Judging the last number against 10, and redoing a question from its fresh board.
#include "game/form1.h"

namespace kazuroi {

void Form1::sub正誤判定() {
    for (int j = 0; j < kDigitSlots; ++j)
        if (inPlay(j))
            return;
    if (cmd数字[kSecondResultSlot].Visible)
        return;

    Control& answer = cmd数字[kResultSlot];
    shp選択印[kResultSlot].Visible = false;
    if (SlotValues[kResultSlot] == 10) {
        cmdやり直し.Enabled = false;
        tim制限時間タイマ.Enabled = false;
        sub残り時間加算(StageParams[StageIndex].SolveBonus);
        answer.BackColor = kGreen;
        lbl正誤.Caption = "○正解";
        lbl正誤.ForeColor = kGreen;
        lbl正誤.Visible = true;
        ++SolvedCount;
        if (SolvedCount >= kQuestionsPerStage) {
            subステージクリア();
        } else {
            cmd出題.Enabled = true;
            platform_.setFocus(cmd出題);
        }
    } else {
        answer.BackColor = kRed;
        lbl正誤.Caption = "×やり直し";
        lbl正誤.ForeColor = kRed;
        lbl正誤.Visible = true;
        platform_.setFocus(cmdやり直し);
    }
    answer.Enabled = false;
}

void Form1::cmdやり直し_Click() {
    NoRedoUsed = kFalse;
    subやり直し();
}

void Form1::subやり直し() {
    for (int i = 0; i < kDigitSlots; ++i) {
        cmd数字[i].Enabled = true;
        shp選択印[i].Visible = false;
    }
    for (int i = kResultSlot; i < kSlots; ++i)
        emptySlot(i);
    lbl正誤.Visible = false;
    SelectedCount = 0;
    sub演算子ボタンの有効無効();
}

} // namespace kazuroi
