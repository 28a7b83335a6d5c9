#pragma once

// The settings reader for the Windows build. Linux builds use inih as Debian
// packages it (libinih-dev); Debian has no mingw-w64 inih, and its source cannot
// be fetched where the build runs, so this reads the same subset with the same
// call: [section], key = value or key: value, whole-line comments after ; or #,
// inline comments after " ;". Returns 0, -1 when the file cannot be opened, or
// the number of the first line that is none of these.
int ini_parse(const char* filename,
              int (*handler)(void* user, const char* section, const char* name, const char* value),
              void* user);
