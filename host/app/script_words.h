// Reading the words of script lines: numbers, ticks-per-pixel ratios, key, button and tool names.
#pragma once

#include <string>

namespace host::app::script {

// A decimal integer with nothing after it.
bool ParseInt(const std::string& text, long long* out);
// A number from lo to hi; otherwise reason says so.
bool NumberArg(const std::string& text, long long lo, long long hi, long long* out, std::string* reason);

// "10", "7.5" (at most 6 decimals) or "1920/1062" as numerator / denominator.
struct Ratio {
    long long numerator = 0;
    long long denominator = 1;
};
bool ParseRatio(const std::string& text, Ratio* out);
// numerator / denominator as "10" or "10.2083" (4 decimals at most, no trailing zeros).
std::string FormatRatio(long long numerator, long long denominator);

// Virtual-key code of a key name ("a", "f8", "delete", "pageup" …), 0 when unknown.
int KeyCode(const std::string& name);
// Button of "left", "right", "middle", -1 otherwise.
int ButtonOf(const std::string& name);

// The tools by index (0 draw, 1 select, 2 zoom, 3 paint, 4 erase); -1 / "" for others.
int ToolIndex(const std::string& name);
const char* ToolName(int index);
constexpr const char* kToolNames = "draw, select, zoom, paint, erase";
constexpr const char* kExpectEventUsage =
    "expect-event cc N TICK VALUE | expect-event pitchbend TICK VALUE | expect-event note N TICK VELOCITY";

} // namespace host::app::script
