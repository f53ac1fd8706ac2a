#pragma once

// The contract between an exported movie and our control bars: the movie's
// main timeline sets these variables (from "Flash.xml"), and the bar's
// "Controls" sprite reads them from the timeline it controls every frame.
// A Show* variable equal to 0 hides its control; unset, it is shown.
// AutoHide 1 starts the bar hidden until the mouse comes near it.
// FrameRate is the movie's frames per second, for the elapsed/total time.

#include <string_view>

inline constexpr std::string_view kControlBarInstanceName = "Controls";

inline constexpr std::string_view kShowTimerVariable = "ShowTimer";
inline constexpr std::string_view kShowTimelineVariable = "ShowTimeline";
inline constexpr std::string_view kShowNextPrevVariable = "ShowNextPrev";
inline constexpr std::string_view kShowSoundBarVariable = "ShowSoundBar";
inline constexpr std::string_view kShowFullScreenVariable = "ShowFullScreen";
inline constexpr std::string_view kShowVTLogoVariable = "ShowVTLogo";
inline constexpr std::string_view kShowAutoHideVariable = "ShowAutoHide";
inline constexpr std::string_view kAutoHideVariable = "AutoHide";
inline constexpr std::string_view kFrameRateVariable = "FrameRate";
