#include "app/drop_choice.h"

#include <algorithm>
#include <vector>

#include "app/folder_files.h"

void DropChoice::choose(const std::string& file) {
    const std::vector<std::string> files = folderFiles(".pob");
    chosen = std::binary_search(files.begin(), files.end(), file) ? file : "";
}

void DropChoice::step(int by) {
    // Position 0 is the family; file k is position k + 1. A chosen file that has
    // gone since is stepped from where its name would stand.
    const std::vector<std::string> files = folderFiles(".pob");
    const auto count = static_cast<int>(files.size()) + 1;
    int at = 0;
    if (!chosen.empty()) {
        const auto place = std::lower_bound(files.begin(), files.end(), chosen);
        at = static_cast<int>(place - files.begin()) + 1;
        if (by > 0 && (place == files.end() || *place != chosen)) --at;
    }
    at = ((at + by) % count + count) % count;
    chosen = at == 0 ? "" : files[static_cast<std::size_t>(at - 1)];
}
