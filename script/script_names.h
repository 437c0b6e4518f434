// The names a script reads and sets: game-state values, and the properties of the controls, the
// timers and the window, each with the values `set` accepts.
#pragma once

#include "game/running_game.h"

#include <string>

namespace kazuroi {

// The value of NAME as the transcript prints it. Throws ScriptError for an unknown name.
std::string readName(RunningGame& game, const std::string& name);
// Sets NAME from a script token. Throws ScriptError for an unknown name or a value it refuses.
void writeName(RunningGame& game, const std::string& name, const std::string& token);

} // namespace kazuroi
