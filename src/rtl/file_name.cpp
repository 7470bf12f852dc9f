#include "rtl/file_name.h"

std::string_view PathDelimiters() {
#ifdef _WIN32
  return "\\:/";
#else
  return "/";
#endif
}

char PathDelimiter() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::size_t LastDelimiter(std::string_view delimiters, std::string_view text) {
  return text.find_last_of(delimiters);
}

std::string ExtractFileExt(std::string_view fileName) {
  std::string delimiters(".");
  delimiters += PathDelimiters();
  const std::size_t at = LastDelimiter(delimiters, fileName);
  if (at == std::string_view::npos || fileName[at] != '.') return {};
  return std::string(fileName.substr(at));
}

std::string ExtractFilePath(std::string_view fileName) {
  const std::size_t at = LastDelimiter(PathDelimiters(), fileName);
  return at == std::string_view::npos ? std::string() : std::string(fileName.substr(0, at + 1));
}

std::string ExtractFileDir(std::string_view fileName) {
  const std::size_t at = LastDelimiter(PathDelimiters(), fileName);
  if (at == std::string_view::npos) return {};
  // Only a separator is dropped, and not one that follows another delimiter ("C:\", "\\") or
  // stands first ("/"): those are roots. A drive colon always stays.
  const bool separator = fileName[at] != ':';
  const bool root =
      at == 0 || PathDelimiters().find(fileName[at - 1]) != std::string_view::npos;
  return std::string(fileName.substr(0, separator && !root ? at : at + 1));
}

std::string ExtractFileName(std::string_view fileName) {
  const std::size_t at = LastDelimiter(PathDelimiters(), fileName);
  return std::string(at == std::string_view::npos ? fileName : fileName.substr(at + 1));
}

std::string IncludeTrailingPathDelimiter(std::string_view dir) {
  std::string out(dir);
  if (!out.empty() && out.back() != PathDelimiter()) out += PathDelimiter();
  return out;
}
