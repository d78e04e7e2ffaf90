// Names compared without regard to case, as the media's names are on the systems the demo
// came from: ASCII letters only, so no locale changes what matches.
#pragma once

inline char foldAsciiCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the NUL-terminated `a` and `b` are the same name but for the case of ASCII letters.
inline bool sameIgnoringAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (foldAsciiCase(*a) != foldAsciiCase(*b)) return false;
        if (*a == '\0') return true;
    }
}
