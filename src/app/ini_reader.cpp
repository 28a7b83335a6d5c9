#include "app/ini_reader.h"

#include <cstdio>
#include <string>

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

int ini_parse(const char* filename,
              int (*handler)(void* user, const char* section, const char* name, const char* value),
              void* user) {
    std::FILE* file = std::fopen(filename, "rb");
    if (file == nullptr) return -1;
    std::string section;
    std::string line;
    int number = 0;
    int firstError = 0;
    for (int c = 0; c != EOF;) {
        line.clear();
        while ((c = std::fgetc(file)) != EOF && c != '\n') line += static_cast<char>(c);
        if (c == EOF && line.empty()) break;
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        const std::string text = trimmed(line);
        bool good = true;
        if (text.empty() || text[0] == ';' || text[0] == '#') {
            continue;
        } else if (text[0] == '[') {
            const auto close = text.find(']');
            good = close != std::string::npos;
            if (good) section = trimmed(text.substr(1, close - 1));
        } else {
            const auto split = text.find_first_of("=:");
            good = split != std::string::npos;
            if (good) {
                std::string value = text.substr(split + 1);
                const auto comment = value.find(" ;");
                if (comment != std::string::npos) value.erase(comment);
                good = handler(user, section.c_str(), trimmed(text.substr(0, split)).c_str(),
                               trimmed(value).c_str()) != 0;
            }
        }
        if (!good && firstError == 0) firstError = number;
    }
    std::fclose(file);
    return firstError;
}
