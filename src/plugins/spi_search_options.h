// Where the plug-in collection looks for modules: the search options and their set.
#pragma once

#include <cstdint>
#include <initializer_list>

// One place to search, by ordinal (the set stores bit n for ordinal n).
enum class TSPISearchOption : std::uint8_t {
  spsSusieDir,      // the directory named by the registry value of the Susie viewer
  spsAppDir,        // the directory of the program's executable
  spsCurrentDir,    // the process's current directory
  spsSystemDir,     // the Windows system directory
  spsWindowsDir,    // the Windows directory
  spsAppPluginDir,  // "SusiePlugin" under the directory of the program's executable
};

// A set of search options, one byte.
class TSPISearchOptions {
 public:
  constexpr TSPISearchOptions() = default;
  constexpr TSPISearchOptions(std::initializer_list<TSPISearchOption> options) {
    for (TSPISearchOption option : options) Include(option);
  }
  // Every option.
  static constexpr TSPISearchOptions All() { return FromBits(0x3F); }
  // The set whose bit n stands for the option of ordinal n; bits above the last option are
  // dropped.
  static constexpr TSPISearchOptions FromBits(std::uint8_t bits) {
    TSPISearchOptions set;
    set.Bits_ = static_cast<std::uint8_t>(bits & 0x3F);
    return set;
  }

  constexpr std::uint8_t Bits() const { return Bits_; }
  constexpr bool Contains(TSPISearchOption option) const { return (Bits_ & Bit(option)) != 0; }
  constexpr TSPISearchOptions& Include(TSPISearchOption option) {
    Bits_ = static_cast<std::uint8_t>(Bits_ | Bit(option));
    return *this;
  }
  constexpr TSPISearchOptions& Exclude(TSPISearchOption option) {
    Bits_ = static_cast<std::uint8_t>(Bits_ & ~Bit(option));
    return *this;
  }
  friend constexpr bool operator==(TSPISearchOptions, TSPISearchOptions) = default;

 private:
  static constexpr std::uint8_t Bit(TSPISearchOption option) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(option));
  }

  std::uint8_t Bits_ = 0;
};
