#pragma once

// File dialog filters are written the Windows way, "Description|patterns"
// pairs joined by '|' with ';' between patterns:
//   "Vantor Movie files (*.vtr;*.vtz)|*.vtr;*.vtz|All files|*.*"
// Qt's file dialog wants one entry per filter, "Description (*.a *.b)".

#include <string>
#include <vector>

namespace vantor {

// One Qt name filter per entry. A piece that is not followed by a pattern
// list is taken as an entry of its own (already in Qt's form). An entry
// whose description already names its patterns in parentheses keeps them
// and gets the pattern list in Qt's form appended.
std::vector<std::string> QtNameFilters(const std::string& windowsFilter);

} // namespace vantor
