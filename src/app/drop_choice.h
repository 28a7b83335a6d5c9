#pragma once

#include <string>

// What the right button drops: a piece of the family of the last spawn key, or a
// piece file of the working folder. [ and ] step through the two kinds in that
// order, the files by name as the folder holds them at the press.
class DropChoice {
  public:
    // One step on (1) or back (-1), wrapping round.
    void step(int by);
    // This file when the folder holds it, else the family.
    void choose(const std::string& file);
    // The chosen file, "" for the last key's family.
    const std::string& file() const { return chosen; }

  private:
    std::string chosen;
};
