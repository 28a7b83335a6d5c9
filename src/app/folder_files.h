#pragma once

#include <string>
#include <vector>

// The regular files in the working folder whose extension is `extension` (".tga"),
// compared without case, and those in the folder the game writes into when it is
// another (as paths there), sorted by name. The folders are read at every call,
// so a file written meanwhile is there.
std::vector<std::string> folderFiles(const char* extension);

// The extension of `path` in lower case, with its dot (".pob"); "" when none.
std::string lowerExtension(const char* path);
