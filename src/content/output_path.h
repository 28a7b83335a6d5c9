#pragma once

#include <string>

// Where the game's own files go: debug.txt, the journals, screenshots, saved worlds.
// The working folder, unless the game was started where it cannot write.

// "" for the working folder.
void setOutputFolder(const std::string& folder);
const std::string& outputFolder();

// `name` in the output folder; `name` itself while that is the working folder.
std::string outputPath(const std::string& name);
