// The program's version record.
#pragma once

namespace kazuroi::version {

inline constexpr const char* kFileVersion = "3.00.0002"; // numerically 3.0.0.2
inline constexpr const char* kProductVersion = "3.00.0002";
inline constexpr const char* kProductName = "かずろい";
inline constexpr const char* kInternalName = "kazuroi";

} // namespace kazuroi::version
