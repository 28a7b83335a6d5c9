#pragma once

#include <string>

// Where the game may write, as each system answers it.

// Whether new files can be made in `folder`.
bool folderIsWritable(const std::string& folder);

// This user's own folder for the game's files, not made here: $XDG_DATA_HOME/pimo-drask
// (~/.local/share/pimo-drask) on Linux, %APPDATA%\Pimo Drask on Windows. "" when the
// system cannot say.
std::string userDataFolder();
