#pragma once

#include <filesystem>

// Where this user's settings of the game belong: $XDG_CONFIG_HOME/pimo-drask (else
// ~/.config/pimo-drask) on Linux, %APPDATA%\Pimo Drask on Windows. Empty when the
// system names no such place. The folder may not exist yet.
std::filesystem::path userConfigFolder();
