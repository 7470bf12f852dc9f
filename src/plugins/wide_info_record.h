// The picture-information record as 64-bit Windows plug-ins fill it in. Their headers do not
// agree on its layout: most write it packed (hInfo at offset 22, 30 bytes), some padded (hInfo at
// offset 24, 32 bytes). The helper hands each a zeroed record of the larger size and reads the
// fields before hInfo, which lie at the same offsets in both, as they are; hInfo only where the
// bytes tell which layout was written.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kWideInfoRecordBytes = 32;
// Where the fields up to colorDepth end, in either layout.
inline constexpr std::size_t kWideInfoFixedBytes = 22;

// The hInfo handle, as a number, of a record of kWideInfoRecordBytes bytes that was zeroed
// before a plug-in filled it in; 0 when it holds none or no layout explains its bytes.
std::uint64_t WideInfoRecordHandle(const std::uint8_t* record);
