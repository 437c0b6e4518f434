// The game-state record: every value that lives as long as the window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kazuroi {

// The game keeps its booleans as 16-bit values, true with all bits set.
using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;

struct StageRecord {
    std::string Name;
    double ZeroWeight = 0.0;
    std::int16_t MinLevel = 0;
    std::int16_t MaxLevel = 0;
};

struct StageParam {
    Bool16 TimeLimitOn = kFalse;
    std::int16_t TimerInterval = 0;
    std::int16_t DrainStep = 0;
    std::int16_t SolveBonus = 0;
};

// Rows 0-5 are the stages; row 6 is never filled, and read only on the way to the program's end.
inline constexpr int kStageRows = 7;
// Stages by StageIndex: 0-3 "Stage 1" to "Stage 4", then these two; 6 only on the way to the end.
inline constexpr std::int16_t kFinalStage = 4;
inline constexpr std::int16_t kExtraStage = 5;
// Right answers that clear a stage (the Extra Stage starts at 19 of them).
inline constexpr std::int16_t kQuestionsPerStage = 20;

// The board's number slots: 0-3 hold the question's digits, 4 and 5 intermediate results.
inline constexpr int kDigitSlots = 4;
inline constexpr int kSlots = 6;
inline constexpr int kResultSlot = 4; // the first result, and the one number judged at the end
inline constexpr int kSecondResultSlot = 5;

inline constexpr std::int32_t kGreen = 0x00FF00;
inline constexpr std::int32_t kYellow = 0x00FFFF;
inline constexpr std::int32_t kRed = 0x0000FF;

// Orderings 0-23 of the four board positions, by operand A-D; row 24 and position 4 stay 0.
using OrderingTable = std::array<std::array<std::int16_t, 5>, 25>;

struct GameState {
    std::array<std::int16_t, 7> SlotValues{};  // slots 0-5; index 6 is never used
    std::optional<std::int16_t> SelectedCount; // empty until the first board reset
    OrderingTable Orderings{};
    std::int16_t StageIndex = 0;
    std::int16_t SolvedCount = 0;
    std::int16_t AnimationStep = 0;
    std::int16_t TimeLeft = 0;
    std::int16_t TickCountdown = 0;
    std::int32_t BarColour = 0;
    std::int16_t BlinkPhase = 0;
    Bool16 NoRedoUsed = kFalse;
    Bool16 ExtraRefill = kFalse;
    std::array<StageRecord, kStageRows> StageRecords{};
    std::array<StageParam, kStageRows> StageParams{};
};

} // namespace kazuroi
