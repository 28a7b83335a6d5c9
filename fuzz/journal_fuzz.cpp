// Feeds arbitrary text to the journal reader. What it accepts must come back the
// same when written out by the game's own writer and read again: a journal the
// reader takes is one the game could have written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "content/drawn_body.h"
#include "session/journal.h"

namespace {

std::string written(const JournalParse& parse) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&text, &size);
    if (file == nullptr) std::abort();
    JournalWriter writer(file);
    for (const JournalEvent& e : parse.events) {
        switch (e.kind) {
            case JournalKind::Spawn:
                writer.spawn(
                    e.step, e.file.c_str(), e.x, e.y,
                    e.piece == JournalEvent::Piece::Read ? std::optional(e.hash) : std::nullopt);
                break;
            case JournalKind::Grab:
                writer.grab(e.step, e.id);
                break;
            case JournalKind::Move:
                writer.move(e.step, e.x, e.y);
                break;
            case JournalKind::Place:
                writer.place(e.step, e.x, e.y);
                break;
            case JournalKind::Carry:
                writer.carry(e.step, e.x, e.y);
                break;
            case JournalKind::Release:
                writer.release(e.step, e.x, e.y);
                break;
            case JournalKind::Clear:
                writer.clear(e.step);
                break;
            case JournalKind::Load:
                writer.load(e.step, e.file.c_str(), e.hash);
                break;
            case JournalKind::Undo:
                writer.undo(e.step);
                break;
            case JournalKind::Redo:
                writer.redo(e.step);
                break;
            case JournalKind::Draw:
                writer.draw(e.step, familyName(e.family), e.file.c_str(), e.outline);
                break;
            case JournalKind::Pin:
                writer.pin(e.step, e.id);
                break;
            case JournalKind::Unpin:
                writer.unpin(e.step, e.id);
                break;
            case JournalKind::Check:
                writer.check(e.step, e.hash);
                break;
            case JournalKind::End:
                writer.end(e.step, e.hash);
                break;
        }
    }
    std::fclose(file);
    std::string result(text, size);
    std::free(text);
    return result;
}

bool same(const JournalEvent& a, const JournalEvent& b) {
    return a.kind == b.kind && a.step == b.step && a.file == b.file &&
           std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0 &&
           a.id == b.id && a.hash == b.hash && a.family == b.family &&
           a.outline.size() == b.outline.size() &&
           (a.outline.empty() || std::memcmp(a.outline.data(), b.outline.data(),
                                             a.outline.size() * sizeof a.outline[0]) == 0) &&
           // The game writes what it found of every piece; older journals said nothing.
           (a.piece == b.piece || a.piece == JournalEvent::Piece::Unrecorded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const JournalParse parse =
        readJournalText(std::string(reinterpret_cast<const char*>(data), size));
    if (!parse.error.empty()) return 0;
    const JournalParse again = readJournalText(written(parse));
    if (!again.error.empty() || again.events.size() != parse.events.size()) std::abort();
    for (std::size_t i = 0; i < parse.events.size(); ++i)
        if (!same(parse.events[i], again.events[i])) std::abort();
    return 0;
}
