// Comparisons and printing of the platform's geometry types, so a test compares a whole rectangle or
// point at once and a failure shows every field; and a window's rectangles as values.
#pragma once

#include "win/types.h"
#include "win/win.h"

#include <ostream>

namespace win {

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }

inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const POINT& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
inline void PrintTo(const SIZE& s, std::ostream* os) { *os << s.cx << "x" << s.cy; }

} // namespace win

namespace wintest {

inline win::RECT ClientRect(win::HWND w) {
    win::RECT r{};
    win::GetClientRect(w, &r);
    return r;
}
inline win::RECT WindowRect(win::HWND w) {
    win::RECT r{};
    win::GetWindowRect(w, &r);
    return r;
}

} // namespace wintest
