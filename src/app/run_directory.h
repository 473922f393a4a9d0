// Where the program's run directory is: the folder that holds Textures/ and system/, which
// the program must be started in. Used only to say so when it was started elsewhere.
#pragma once

#include <string>

// The run directory found for an executable in exeDir: exeDir itself (an unpacked package)
// or exeDir/../assets (the build tree); "" when neither holds Textures/ and system/.
std::string FindRunDirectory(const std::string& exeDir);

// One line for a report: the program runs from its run directory, where that is (or that
// none was found beside the executable), and where it was started.
std::string RunDirectoryHint();
