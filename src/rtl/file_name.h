// File-name helpers with the class library's rules. A path delimiter is '\' or ':' (and '/'
// where Windows accepts it) on Windows, and '/' elsewhere.
#pragma once

#include <string>
#include <string_view>

// The characters that end a directory part of a path on this platform.
std::string_view PathDelimiters();
// The delimiter appended to a directory ('\' on Windows, '/' elsewhere).
char PathDelimiter();

// Position of the last character of `text` that is one of `delimiters`, or npos.
std::size_t LastDelimiter(std::string_view delimiters, std::string_view text);

// The extension of `fileName`, its '.' included: the text from the last '.' when the last of
// '.' and the path delimiters is a '.'; otherwise empty.
std::string ExtractFileExt(std::string_view fileName);
// The directory part of `fileName` up to and including its last path delimiter.
std::string ExtractFilePath(std::string_view fileName);
// The directory part without its last delimiter, unless the character before that delimiter is
// itself a delimiter (a drive's root, "C:\", keeps it).
std::string ExtractFileDir(std::string_view fileName);
// The part after the last path delimiter.
std::string ExtractFileName(std::string_view fileName);
// `dir` with a path delimiter appended, unless it is empty or already ends with one.
std::string IncludeTrailingPathDelimiter(std::string_view dir);
