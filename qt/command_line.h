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

// A scale of 0 or below (or no number) would make an unusable window: it is ignored, in one line.
void checkScaleFactor(std::ostream& err);

// Qt, GLib and the X connection take a dozen files, and a save of the settings a few more. The
// limit is raised where the hard limit allows; the exit status when too few are left to play
// safely (said in one line), or nothing.
inline constexpr long kDescriptorsWanted = 256;
inline constexpr long kDescriptorsNeeded = 24;
std::optional<int> checkDescriptors(std::ostream& err);

} // namespace kazuroi
