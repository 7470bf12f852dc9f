#include "plugins/wide_info_record.h"

#include <cstring>

namespace {

std::uint64_t Read64(const std::uint8_t* at) {
  std::uint64_t value = 0;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

std::uint64_t WideInfoRecordHandle(const std::uint8_t* record) {
  // The two places overlap (22-29 and 24-31), so "whichever is not zero" cannot decide: a packed
  // handle read at 24 is its upper six bytes. What decides is the two bytes each layout leaves
  // alone: a packed writer never touches 30-31, a padded one never touches its padding, 22-23.
  const bool paddingUsed = record[22] != 0 || record[23] != 0;
  const bool tailUsed = record[30] != 0 || record[31] != 0;
  // Bytes 30-31 are the top of a padded handle, and a user-mode address has its top 16 bits
  // clear: a record with them set was written by neither layout, and its handle is not taken.
  if (tailUsed) return 0;
  // Only a packed writer reaches 22-23.
  if (paddingUsed) return Read64(record + 22);
  // 22-23 left alone: a padded handle, or none. (A packed handle with its low 16 bits clear would
  // look the same; the system's local-memory handles for a short text are practically never
  // 64 KB-aligned, and the misread upper part would not lock as a block: the text is lost.)
  return Read64(record + 24);
}
