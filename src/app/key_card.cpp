#include "app/key_card.h"

#include <cstddef>
#include <iterator>

std::vector<std::string> helpCardRows() {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < std::size(kKeyHelp); i += 2) {
        std::string row = std::string(kKeyHelp[i].keys) + '\t' + kKeyHelp[i].does;
        if (i + 1 < std::size(kKeyHelp))
            row += std::string("\t") + kKeyHelp[i + 1].keys + '\t' + kKeyHelp[i + 1].does;
        rows.push_back(row);
    }
    return rows;
}

std::string keyList() {
    constexpr std::size_t kKeysWidth = 14;
    std::string list;
    for (const KeyHelp& k : kKeyHelp) {
        std::string keys = k.keys;
        keys.resize(kKeysWidth, ' ');
        list += "    " + keys + k.does + '\n';
    }
    return list;
}
