#pragma once

// Registers the Player engine library at every start, so that the engine
// beside the program is the one the component registry creates.

#include <functional>
#include <string>

namespace vantor {

inline constexpr char kEngineLibraryFile[] = "libVTPLAYERAPI.so";
inline constexpr char kRegistrationTool[] = "regsvr32";
// The program waits for the registration tool in slices of this length and
// lets the user interface process its events after each slice.
inline constexpr int kRegistrationWaitSliceMs = 100;

// If `programFolder` holds the engine library, runs
// `regsvr32 /s "<folder>/libVTPLAYERAPI.so"` (the tool beside the program,
// else the one on PATH) and waits for it to end, calling `betweenSlices`
// after every slice that times out. Its exit code is not examined. True when
// the tool was started; a missing library or a tool that cannot start is
// not reported.
bool RegisterEngine(const std::string& programFolder, const std::function<void()>& betweenSlices);

} // namespace vantor
