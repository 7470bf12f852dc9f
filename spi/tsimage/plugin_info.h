// The plug-in's self-description, as GetPluginInfo answers it.
#pragma once

#include <cstdint>
#include <string>

// The text for information number `infono`: 0 the API version, 1 the plug-in's name and
// version, then one filter (even numbers from 2) and its format's description (the odd number
// after it) per file extension. Empty for any other number. UTF-8.
std::string PluginInfoText(std::int32_t infono);

// Copies `text` into `buf` (room for `buflen` bytes, at most buflen - 1 of them text, always
// NUL-terminated) and answers the number of text bytes copied; 0, with nothing written, when
// there is no text or no room.
std::int32_t CopyPluginInfoText(const std::string& text, char* buf, std::int32_t buflen);

// `utf8` in the 8-bit code page that plug-in texts travel in: the system's ANSI code page on
// Windows (characters it lacks become '?'), UTF-8 elsewhere.
std::string ToPluginText(const std::string& utf8);
