#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "content/piece_file.h"

// A scratch working directory with piece files, entered for the life of the object;
// and the small pieces the tests write or load.
class PieceDir {
  public:
    PieceDir() : previous(std::filesystem::current_path()) {
        std::random_device random;  // a fresh name without POSIX mkdtemp
        while (path.empty() || !std::filesystem::create_directory(path))
            path = std::filesystem::temp_directory_path() / ("pimo-" + std::to_string(random()));
        std::filesystem::current_path(path);
    }
    ~PieceDir() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }

    static AtomRecord atom(float x, float y) { return {x, y, x, y}; }  // at rest
    // A triangle of three linked atoms with its first atom at the piece origin;
    // with a texture name, one textured triangle over them.
    static PieceFile triangle(const std::string& texture = "") {
        PieceFile piece;
        const float xs[3] = {0, 20, 10}, ys[3] = {0, 0, 15};
        for (int i = 0; i < 3; ++i) piece.atoms.push_back(atom(xs[i], ys[i]));
        // Rest length 15, and ratios 0.1 to 10 so that no fall breaks them.
        for (auto [a, b] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}})
            piece.links.push_back({xs[a], ys[a], xs[b], ys[b], 15, 0.1f, 10});
        if (texture.empty()) return piece;
        piece.textures.emplace_back();
        setPieceName(piece.textures[0].name, texture);
        // Texture coordinates (0, 0), (1, 0), (0, 1).
        piece.triangles.push_back({0, 0, 20, 0, 10, 15, {}, 0, 0, 1, 0, 0, 1});
        setPieceName(piece.triangles[0].texture, texture);
        return piece;
    }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(path / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Files 1 to 4 of a family, all the same piece, so any random pick finds it.
    void writeFamily(const std::string& family, const PieceFile& piece) const {
        for (int n = 1; n <= 4; ++n)
            write(family + std::to_string(n) + ".pob", writePieceFile(piece));
    }
    void removeFamily(const std::string& family) const {
        for (int n = 1; n <= 4; ++n)
            std::filesystem::remove(path / (family + std::to_string(n) + ".pob"));
    }

    std::filesystem::path path;

  private:
    std::filesystem::path previous;
};
