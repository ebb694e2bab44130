// The single-instance rule: is another copy of the program running?
#pragma once

#include <string>

namespace tagshelf {

class Toolkit;

// True when two or more processes of this user run an executable named "TagShelf"
// or beginning with "TagShelf." (this copy and another), and also when the process
// list can't be read (after a message). procRoot is the process file system.
bool fncProcessCheck(Toolkit& toolkit, const std::string& procRoot = "/proc");

// True for the executable names the rule counts.
bool isProgramName(const std::string& name);

}  // namespace tagshelf
