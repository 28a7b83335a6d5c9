#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "content/drawn_body.h"

// The session journal: one text line per command that changed the world, each with
// the number of steps run before it, so a replay can apply the same commands at
// the same moments. The format is described in README.md ("Replaying a session").

enum class JournalKind {
    Spawn,
    Grab,
    Move,
    Place,
    Carry,
    Release,
    Clear,
    Load,
    Undo,
    Redo,
    Draw,
    Pin,
    Unpin,
    Check,
    End
};

struct JournalEvent {
    JournalKind kind = JournalKind::End;
    uint32_t step = 0;                       // steps run before the event
    std::string file;                        // Spawn, Load; Draw: the texture
    BodyFamily family = BodyFamily::Sturdy;  // Draw
    std::vector<OutlinePoint> outline;       // Draw
    float x = 0;  // Spawn, Move, Place, Carry: world position; Release: velocity
    float y = 0;
    int32_t id = 0;     // Grab, Pin, Unpin
    uint64_t hash = 0;  // Load (the world after it), Check, End; Spawn: the file's bytes
    // Spawn: whether the session read the file, and so whether `hash` holds its
    // bytesHash. Journals older than the hash say nothing.
    enum class Piece { Unrecorded, Missing, Read } piece = Piece::Unrecorded;
    int line = 0;  // where it stood in the file, for messages
};

inline constexpr const char* kJournalHeader = "pimo-drask journal 1";

// Writes the journal as the session goes. Every line is flushed at once, so a
// crash keeps what happened up to it.
class JournalWriter {
  public:
    // Writes to an open file; the writer does not close it.
    explicit JournalWriter(std::FILE* file);
    bool good() const { return file != nullptr; }

    // `content`: the bytesHash of the file read, none when no file could be read.
    void spawn(uint32_t step, const char* file, float x, float y, std::optional<uint64_t> content);
    void grab(uint32_t step, int32_t id);
    void move(uint32_t step, float x, float y);
    void place(uint32_t step, float x, float y);
    void carry(uint32_t step, float x, float y);
    void release(uint32_t step, float vx, float vy);
    void clear(uint32_t step);
    void load(uint32_t step, const char* file, uint64_t hash);
    void undo(uint32_t step);
    void draw(uint32_t step, const char* family, const char* texture,
              const std::vector<OutlinePoint>& outline);
    void pin(uint32_t step, int32_t id);
    void unpin(uint32_t step, int32_t id);
    void redo(uint32_t step);
    // A save changes nothing; it stands in the journal as a comment.
    void saved(uint32_t step, const char* file, uint64_t hash);
    void check(uint32_t step, uint64_t hash);
    void end(uint32_t step, uint64_t hash);

  private:
    // "WORD STEP" and the event's fields (each with its leading blank).
    void event(JournalKind kind, uint32_t step, const std::vector<std::string>& fields);
    void line(const char* format, ...);
    std::FILE* file;
};

struct JournalParse {
    std::vector<JournalEvent> events;
    // Empty when the whole journal was read; otherwise what is wrong and where.
    std::string error;
    int errorLine = 0;
};

// File names are written as one word: a blank, a control character or a '%'
// becomes %XX (its code in hex), which the reader turns back.
std::string journalWord(const std::string& name);
std::string fromJournalWord(const std::string& word);

// Reads a whole journal. A line that cannot be read, a step that goes backwards or
// a journal that does not close with its end line is an error naming the line.
JournalParse readJournal(std::FILE* file);
JournalParse readJournalText(const std::string& text);
