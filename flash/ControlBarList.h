#pragma once

// The preinstalled control bars: the folder "SWFControlBars" beside the
// program, its list file "description.txt", the "Single.swf" variant a
// single-file export loads, and the enabling rules of the "Playback
// controls" page. No widgets: the Flash options dialog applies the answers.
//
// A list line is: optional blanks and tabs, the bar's file name in double
// quotes, optional blanks and tabs, and the description (the rest of the
// line). Lines that do not follow that shape, and lines whose file is not
// in the folder, are dropped.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

inline constexpr char kControlBarListFile[] = "description.txt";
// The instance a control-bar movie must place on its main timeline.
inline constexpr char kControlsInstanceName[] = "Controls";

struct ControlBarEntry {
    std::string fileName; // as listed, relative to the folder
    std::string description;

    bool operator==(const ControlBarEntry&) const = default;
};

// The program's folder + "/SWFControlBars".
std::string ControlBarFolder();

// One list line, without checking that the file exists; nothing for a line
// that is dropped. A file name with a '/' is dropped too: the list names
// files of its own folder only.
std::optional<ControlBarEntry> ParseControlBarLine(std::string_view line);
// `defaultswfs`: the accepted lines of `folder`/description.txt in file
// order; empty when the file cannot be read.
std::vector<ControlBarEntry> ReadControlBarList(const std::string& folder);

// The file a single-SWF export loads for a listed bar: the extension
// replaced by "Single.swf" (Bar.swf gives BarSingle.swf).
std::string SingleSwfVariant(const std::string& fileName);

struct ControlBarInputs {
    int entries = 0; // preinstalled bars listed
    bool add = false; // "Add playback controls" ticked
    bool customChosen = false;
    bool accepted = false; // a movie with the "Controls" instance is loaded
    bool positionTicked = false; // "Position playback controls"
};

struct ControlBarStates {
    bool preinstalledEnabled = false; // the "Pre-installed toolbars" choice
    bool customEnabled = false;
    bool chooseCustom = false; // there is nothing else to choose
    bool listEnabled = false;
    bool fileEnabled = false; // the file field and "Browse..."
    // Only decided by a full check:
    bool positionEnabled = false;
    bool placementEnabled = false; // "Top", "Bottom", "Over exported movie"
    bool addEnabled = false;

    bool operator==(const ControlBarStates&) const = default;
};
ControlBarStates DecideControlBar(const ControlBarInputs& inputs);

// The height the bar adds to the output: 0 without an accepted movie, with
// positioning off or disabled, over the movie, or without the bar.
int ControlBarAddedHeight(bool accepted, int instanceHeight, bool positionOn, bool over, bool add);

} // namespace vantor
