// The stage table: everything that differs from stage to stage.
#include "game/form1.h"

namespace kazuroi {

void Form1::subステージ設定() {
    // Name, ZeroWeight, MinLevel, MaxLevel
    StageRecords[0] = {"Stage 1", 1.0, 1, 1};
    StageRecords[1] = {"Stage 2", 1.0, 1, 2};
    StageRecords[2] = {"Stage 3", 0.5, 2, 3};
    StageRecords[3] = {"Stage 4", 0.1, 2, 4};
    StageRecords[4] = {"Final Stage", 0.1, 3, 5};
    StageRecords[5] = {"Extra Stage", 0.1, 6, 6};

    // TimeLimitOn, TimerInterval, DrainStep, SolveBonus
    StageParams[0] = {kFalse, 10, -1, 300};
    StageParams[1] = {kTrue, 10, -2, 300};
    StageParams[2] = {kTrue, 10, -3, 300};
    StageParams[3] = {kTrue, 10, -4, 250};
    StageParams[4] = {kTrue, 10, -4, 200};
    StageParams[5] = {kTrue, 10, -15, 200};
}

} // namespace kazuroi
