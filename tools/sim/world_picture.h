#pragma once

#include <string>

#include "offscreen_gl.h"

class Game;

// pimo-sim --png: the world drawn by the game's own frame drawing, with the state
// and projection of the game's window, into an offscreen context of its size.
class WorldPicture {
  public:
    // Sets the context up as the game's window is and has pieces upload their
    // textures into it: before the first spawn.
    bool open(std::string& error);
    // Draws one frame of the world, as the game's first frame of it would look, and
    // writes it as a PNG file.
    bool write(Game& root, const std::string& path, std::string& error);

  private:
    OffscreenGl context;
};
