#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "content/piece_file.h"

// A scratch working directory with piece files, entered for the life of the object.
class PieceDir {
  public:
    PieceDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pimo-game-XXXXXX").string();
        path = mkdtemp(pattern.data());
        previous = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~PieceDir() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }

    // A triangle of three linked atoms with its first atom at the piece origin;
    // with a texture name, one textured triangle over them.
    static PieceFile triangle(const std::string& texture = "") {
        PieceFile piece;
        const float xs[3] = {0, 20, 10}, ys[3] = {0, 0, 15};
        for (int i = 0; i < 3; ++i) {
            AtomRecord a;
            a.x = a.prevX = xs[i];
            a.y = a.prevY = ys[i];
            piece.atoms.push_back(a);
        }
        const int ends[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (auto& e : ends) {
            LinkRecord l;
            l.xA = xs[e[0]];
            l.yA = ys[e[0]];
            l.xB = xs[e[1]];
            l.yB = ys[e[1]];
            l.restLength = 15;
            l.minRatio = 0.1f;
            l.maxRatio = 10;
            piece.links.push_back(l);
        }
        if (!texture.empty()) {
            TextureRecord t;
            setPieceName(t.name, texture);
            piece.textures.push_back(t);
            TriangleRecord r;
            r.xA = xs[0], r.yA = ys[0], r.xB = xs[1], r.yB = ys[1], r.xC = xs[2], r.yC = ys[2];
            r.sB = 1, r.tC = 1;
            setPieceName(r.texture, texture);
            piece.triangles.push_back(r);
        }
        return piece;
    }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::FILE* f = std::fopen((path / name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
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
