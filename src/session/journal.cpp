#include "session/journal.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "content/number_text.h"
#include "scene/world_hash.h"

namespace {

// The events, for the writer and the reader alike.
struct Shape {
    const char* word;
    JournalKind kind;
    int fields;  // after the step; -1: a count says how many
    const char* usage;
    int optional = 0;  // fields after those that may be left off
};

constexpr Shape kShapes[] = {
    {"spawn", JournalKind::Spawn, 3, "spawn STEP FILE X Y HASH", 1},
    {"grab", JournalKind::Grab, 1, "grab STEP ID"},
    {"move", JournalKind::Move, 2, "move STEP X Y"},
    {"place", JournalKind::Place, 2, "place STEP X Y"},
    {"carry", JournalKind::Carry, 2, "carry STEP X Y"},
    {"release", JournalKind::Release, 2, "release STEP VX VY"},
    {"clear", JournalKind::Clear, 0, "clear STEP"},
    {"load", JournalKind::Load, 2, "load STEP FILE HASH"},
    {"undo", JournalKind::Undo, 0, "undo STEP"},
    {"redo", JournalKind::Redo, 0, "redo STEP"},
    {"draw", JournalKind::Draw, -1, "draw STEP FAMILY TEXTURE N X1 Y1 ... XN YN"},
    {"pin", JournalKind::Pin, 1, "pin STEP ID"},
    {"unpin", JournalKind::Unpin, 1, "unpin STEP ID"},
    {"check", JournalKind::Check, 1, "check STEP HASH"},
    {"end", JournalKind::End, 1, "end STEP HASH"},
};

// Each usage, as README.md shows it, starts with its event's word and the step.
constexpr bool usageNamesItsWord(const Shape& shape) {
    std::size_t i = 0;
    for (; shape.word[i] != '\0'; ++i)
        if (shape.usage[i] != shape.word[i]) return false;
    const char step[] = " STEP";
    for (std::size_t j = 0; step[j] != '\0'; ++j)
        if (shape.usage[i + j] != step[j]) return false;
    return true;
}
static_assert(std::all_of(std::begin(kShapes), std::end(kShapes), usageNamesItsWord));

const Shape& shapeOf(JournalKind kind) {
    for (const Shape& s : kShapes)
        if (s.kind == kind) return s;
    return kShapes[std::size(kShapes) - 1];
}

}  // namespace

JournalWriter::JournalWriter(std::FILE* file) : file(file) {
    line("%s", kJournalHeader);
}

void JournalWriter::line(const char* format, ...) {
    if (file == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fflush(file);
}

void JournalWriter::event(JournalKind kind, uint32_t step, const std::vector<std::string>& fields) {
    // Appended one by one: GCC 12 at -O3 takes " " + a string for an overlapping copy.
    std::string text;
    for (const std::string& field : fields) {
        text += ' ';
        text += field;
    }
    line("%s %" PRIu32 "%s", shapeOf(kind).word, step, text.c_str());
}

void JournalWriter::spawn(uint32_t step, const char* name, float x, float y,
                          std::optional<uint64_t> content) {
    event(JournalKind::Spawn, step,
          {journalWord(name), floatText(x), floatText(y), content ? hashText(*content) : "-"});
}
void JournalWriter::grab(uint32_t step, int32_t id) {
    event(JournalKind::Grab, step, {std::to_string(id)});
}
void JournalWriter::move(uint32_t step, float x, float y) {
    event(JournalKind::Move, step, {floatText(x), floatText(y)});
}
void JournalWriter::place(uint32_t step, float x, float y) {
    event(JournalKind::Place, step, {floatText(x), floatText(y)});
}
void JournalWriter::carry(uint32_t step, float x, float y) {
    event(JournalKind::Carry, step, {floatText(x), floatText(y)});
}
void JournalWriter::release(uint32_t step, float vx, float vy) {
    event(JournalKind::Release, step, {floatText(vx), floatText(vy)});
}
void JournalWriter::clear(uint32_t step) {
    event(JournalKind::Clear, step, {});
}
void JournalWriter::load(uint32_t step, const char* name, uint64_t hash) {
    event(JournalKind::Load, step, {journalWord(name), hashText(hash)});
}
void JournalWriter::draw(uint32_t step, const char* family, const char* texture,
                         const std::vector<OutlinePoint>& outline) {
    std::vector<std::string> fields = {family, journalWord(texture),
                                       std::to_string(outline.size())};
    for (const OutlinePoint& p : outline) {
        fields.push_back(floatText(p.x));
        fields.push_back(floatText(p.y));
    }
    event(JournalKind::Draw, step, fields);
}
void JournalWriter::pin(uint32_t step, int32_t id) {
    event(JournalKind::Pin, step, {std::to_string(id)});
}
void JournalWriter::unpin(uint32_t step, int32_t id) {
    event(JournalKind::Unpin, step, {std::to_string(id)});
}
void JournalWriter::undo(uint32_t step) {
    event(JournalKind::Undo, step, {});
}
void JournalWriter::redo(uint32_t step) {
    event(JournalKind::Redo, step, {});
}
void JournalWriter::saved(uint32_t step, const char* name, uint64_t hash) {
    line("# save %" PRIu32 " %s %s", step, journalWord(name).c_str(), hashText(hash).c_str());
}
void JournalWriter::check(uint32_t step, uint64_t hash) {
    event(JournalKind::Check, step, {hashText(hash)});
}
void JournalWriter::end(uint32_t step, uint64_t hash) {
    event(JournalKind::End, step, {hashText(hash)});
}

std::string journalWord(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string word;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '%') {
            word += '%';
            word += kHex[u >> 4];
            word += kHex[u & 15];
        } else {
            word += c;
        }
    }
    return word;
}

std::string fromJournalWord(const std::string& word) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string name;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const int high = i + 2 < word.size() ? digit(word[i + 1]) : -1;
        const int low = i + 2 < word.size() ? digit(word[i + 2]) : -1;
        if (word[i] == '%' && high >= 0 && low >= 0) {
            name += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            name += word[i];
        }
    }
    return name;
}

namespace {

bool readStep(const std::string& text, uint32_t& step) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xffffffffull) return false;
    step = static_cast<uint32_t>(value);
    return true;
}

bool readId(const std::string& text, int32_t& id) {
    uint32_t value = 0;
    if (!readStep(text, value) || value > 0x7fffffffu) return false;
    id = static_cast<int32_t>(value);
    return true;
}

// One event line; an empty result is success.
std::string parseLine(const std::vector<std::string>& words, JournalEvent& event) {
    const Shape* shape = nullptr;
    for (const Shape& s : kShapes)
        if (words[0] == s.word) shape = &s;
    if (shape == nullptr) return "unknown event \"" + words[0] + "\"";
    const std::string expected = std::string("expected \"") + shape->usage + "\"";
    const int given = static_cast<int>(words.size()) - 2;
    if (given < 0 ||
        (shape->fields >= 0 && (given < shape->fields || given > shape->fields + shape->optional)))
        return expected;
    event.kind = shape->kind;
    if (!readStep(words[1], event.step)) return "bad step \"" + words[1] + "\"; " + expected;
    bool ok = true;
    // The game's names are C strings: a zero byte would cut the name the replay opens.
    if (shape->kind == JournalKind::Spawn || shape->kind == JournalKind::Load) {
        event.file = fromJournalWord(words[2]);
        if (event.file.find('\0') != std::string::npos)
            return "a file name with a zero byte; " + expected;
    }
    switch (shape->kind) {
        case JournalKind::Spawn:
            // Journals older than the piece's hash end at Y.
            ok = floatFromText(words[3], event.x) && floatFromText(words[4], event.y);
            if (ok && words.size() == 6) {
                event.piece =
                    words[5] == "-" ? JournalEvent::Piece::Missing : JournalEvent::Piece::Read;
                ok = event.piece == JournalEvent::Piece::Missing ||
                     hashFromText(words[5], event.hash);
            }
            break;
        case JournalKind::Load:
            ok = hashFromText(words[3], event.hash);
            break;
        case JournalKind::Grab:
        case JournalKind::Pin:
        case JournalKind::Unpin:
            ok = readId(words[2], event.id);
            break;
        case JournalKind::Draw: {
            uint32_t n = 0;
            ok = words.size() >= 5 && familyFromName(words[2], event.family) &&
                 readStep(words[4], n) && n <= kMaxOutlinePoints &&
                 words.size() == 5 + 2 * std::size_t{n};
            event.file = ok ? fromJournalWord(words[3]) : std::string();
            for (std::size_t i = 0; ok && i < n; ++i) {
                OutlinePoint p{};
                ok = floatFromText(words[5 + 2 * i], p.x) && floatFromText(words[6 + 2 * i], p.y);
                event.outline.push_back(p);
            }
            break;
        }
        case JournalKind::Move:
        case JournalKind::Place:
        case JournalKind::Carry:
        case JournalKind::Release:
            ok = floatFromText(words[2], event.x) && floatFromText(words[3], event.y);
            break;
        case JournalKind::Clear:
        case JournalKind::Undo:
        case JournalKind::Redo:
            break;
        case JournalKind::Check:
        case JournalKind::End:
            ok = hashFromText(words[2], event.hash);
            break;
    }
    return ok ? std::string() : expected;
}

}  // namespace

JournalParse readJournalText(const std::string& text) {
    JournalParse result;
    auto fail = [&](int line, std::string message) {
        result.events.clear();
        result.error = std::move(message);
        result.errorLine = line;
        return result;
    };
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    bool ended = false;
    uint32_t lastStep = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (number == 1) {
            if (raw != kJournalHeader)
                return fail(1, std::string("not a journal: the first line must be \"") +
                                   kJournalHeader + "\"");
            continue;
        }
        std::istringstream fields(raw);
        std::vector<std::string> words;
        for (std::string w; fields >> w;) words.push_back(w);
        if (words.empty() || words[0][0] == '#') continue;
        if (ended) return fail(number, "an event after the end line");
        JournalEvent event;
        event.line = number;
        const std::string problem = parseLine(words, event);
        if (!problem.empty()) return fail(number, problem);
        if (event.step < lastStep)
            return fail(number, "step " + std::to_string(event.step) + " comes after step " +
                                    std::to_string(lastStep));
        lastStep = event.step;
        ended = event.kind == JournalKind::End;
        result.events.push_back(event);
    }
    if (number == 0) return fail(1, "the journal is empty");
    if (!ended) return fail(number + 1, "the journal stops without its end line (cut short?)");
    return result;
}

JournalParse readJournal(std::FILE* file) {
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return readJournalText(text);
}
