#pragma once

// The program's own help viewer, `vantor-help-viewer`, run as a separate
// process that shows every page in one window. Its standard input is one
// end of a local socket: each line written there is the file URL of a page
// to show, and the end of input asks it to close. A viewer the user has
// closed is started again by the next request.

#include "support/CVHtmlHelp.h"

#include <memory>
#include <string>

// The viewer program's file name in the program's folder.
inline constexpr const char* kHelpViewerProgram = "vantor-help-viewer";

// The viewer in `programFolder`; Load fails when it is not there.
std::unique_ptr<HelpViewer> MakeHelpViewerProcess(const std::string& programFolder);
