// The platform calls beside the Win32 subset: music, journalled with the Win32 and
// GL calls, and the per-user folder, which the test chooses.
#include "fakes.h"
#include "platform/sound.h"
#include "platform/user_folders.h"

void setMusicVolume(int percent) {
    fake::record(__func__, percent);
}
void pauseMusic() {
    fake::record(__func__);
}
void resumeMusic() {
    fake::record(__func__);
}

std::filesystem::path userConfigFolder() {
    return fake::state().configFolder;
}
