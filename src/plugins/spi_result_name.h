// The words for a plug-in's result codes, as plug-ins document them, for messages that show a
// code: a number alone tells the user nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "spi_abi.h"

struct TSPIResultName {
  std::int32_t Code;
  std::string_view Name;
};

// Every failure code with a meaning of its own. 7 (a window error) is reserved and not used by
// the picture entry points.
inline constexpr TSPIResultName kSPIResultNames[] = {
    {SPI_NO_FUNCTION, "not implemented"},
    {SPI_ABORT, "cancelled"},
    {SPI_UNKNOWN_FORMAT, "unknown format"},
    {SPI_BROKEN_DATA, "data broken"},
    {SPI_NO_MEMORY, "no memory for the block"},
    {SPI_MEMORY_ERROR, "memory error"},
    {SPI_FILE_READ_ERROR, "file read error"},
    {SPI_INTERNAL_ERROR, "internal error"},
};

// `code` for a message: "3 (data broken)", or the number alone for a code without a name.
inline std::string SPIResultText(std::int32_t code) {
  std::string text = std::to_string(code);
  for (const TSPIResultName& entry : kSPIResultNames) {
    if (entry.Code == code) return text.append(" (").append(entry.Name).append(")");
  }
  return text;
}
