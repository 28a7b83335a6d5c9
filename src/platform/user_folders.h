#pragma once

#include <filesystem>
#include <string>

// Where the game may write and where this user's things belong, as each system
// answers it. None of these folders is made here.

// Whether new files can be made in `folder`.
bool folderIsWritable(const std::string& folder);

// This user's own folder for the game's files: $XDG_DATA_HOME/pimo-drask
// (~/.local/share/pimo-drask) on Linux, %APPDATA%\Pimo Drask on Windows. "" when
// the system cannot say.
std::string userDataFolder();

// Where this user's settings of the game belong: $XDG_CONFIG_HOME/pimo-drask (else
// ~/.config/pimo-drask) on Linux, %APPDATA%\Pimo Drask on Windows. Empty when the
// system names no such place.
std::filesystem::path userConfigFolder();
