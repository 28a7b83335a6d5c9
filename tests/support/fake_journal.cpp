#include "fakes.h"

namespace fake {

State& state() {
    static State s;
    return s;
}

void reset() {
    state() = State();
}

void record(const char* name, const std::string& args) {
    state().journal.push_back({name, std::string(name) + "(" + args + ")"});
}

void State::post(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m = {};
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.hwnd = kWindow;
    queue.push_back(m);
}

std::vector<std::string> State::names() const {
    std::vector<std::string> out;
    for (const Call& c : journal) out.push_back(c.name);
    return out;
}

std::vector<std::string> State::gl() const {
    std::vector<std::string> out;
    for (const Call& c : journal)
        if (c.name.rfind("gl", 0) == 0) out.push_back(c.text);
    return out;
}

std::vector<std::string> State::win32() const {
    std::vector<std::string> out;
    for (const Call& c : journal)
        if (c.name.rfind("gl", 0) != 0 && c.name != "PeekMessageW") out.push_back(c.name);
    return out;
}

int State::count(const std::string& name) const {
    int n = 0;
    for (const Call& c : journal) n += c.name == name;
    return n;
}

int State::indexOf(const std::string& name) const {
    for (size_t i = 0; i < journal.size(); ++i)
        if (journal[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace fake
