#pragma once

// The floors' plain C++: the least work that gives the same visible result as the program.

#include <string>
#include <vector>

namespace portraitbench {

// The directory's large pictures in list order, hidden names left out; its subdirectories as well when
// asked for.
std::vector<std::string> plainRead(const std::string& directory, std::vector<std::string>* subdirectories);

bool statOnce(const std::string& path);

// What a plain listing asks of the share: every entry, and an lstat of each whose type readdir leaves
// unknown (on our passthrough, all of them), as `ls -l` does. The entries counted, "." and ".." aside.
long listShare(const std::string& directory);

} // namespace portraitbench
