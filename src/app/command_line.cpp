#include "app/command_line.h"

#include <vector>

namespace {

std::vector<std::string> splitWords(const char* line) {
    std::vector<std::string> words;
    if (line == nullptr) return words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = line; *p != '\0'; ++p) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

GameOptions parseCommandLine(const char* commandLine) {
    GameOptions options;
    const std::vector<std::string> words = splitWords(commandLine);
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string* value = words[i] == "--piece"   ? &options.piece
                             : words[i] == "--world" ? &options.world
                                                     : nullptr;
        if (words[i] == "--help" || words[i] == "--version") {
            (words[i] == "--help" ? options.help : options.version) = true;
        } else if (value != nullptr && i + 1 < words.size() && !words[i + 1].empty()) {
            *value = words[++i];
        } else if (value != nullptr) {
            options.error = words[i] + (value == &options.piece ? " needs a piece file"
                                                                : " needs a world file");
            return options;
        } else {
            options.error = "unknown argument " + words[i];
            return options;
        }
    }
    return options;
}
