// The program's command line: the standard options answered without a display, anything else
// refused, and no arguments at all starts the game.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace kazuroi {

// Handles the options; returns the exit status when the program should end now, or nothing when
// the game should start.
std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err);

// Says an argument is not understood; returns the exit status for it.
int refuseArgument(std::ostream& err, const std::string& argument);

} // namespace kazuroi
