// The probe plug-in: an import plug-in whose answers a test sets at run time and which reports
// every call it receives back to the test. Shared by the plug-in and the tests.
//
// A test loads its copy of the module, calls ProbeConfigure before the collection opens it (the
// filter is read when the module is opened), and reads the calls through the hook it registered.
#pragma once

#include <cstdint>

#include "spi_abi.h"

// Data that starts with this is a "probe picture" for the magic mode.
inline constexpr char kProbeMagic[] = "PROBE";
inline constexpr int kProbeMagicLength = 5;

enum : std::int32_t {
  pmNever = 0,   // IsSupported answers 0
  pmAlways = 1,  // IsSupported answers 1; GetPicture answers PictureResult
  pmMagic = 2,   // both accept only data that starts with kProbeMagic
};

// One call the plug-in received.
struct TProbeCall {
  char Name[16];        // the copy's name from its configuration
  char Entry[16];       // "IsSupported", "GetPictureInfo" or "GetPicture"
  char FileName[260];   // IsSupported's file name
  std::int32_t Length;  // the length argument; 0 for IsSupported
  std::uint32_t Flag;
  std::uintptr_t Address;   // the buffer's address (IsSupported: dw)
  std::uint8_t Head[2048];  // the 2048 bytes at that address
  std::intptr_t LData;
  std::int32_t ProgressAnswer;  // GetPicture: what the progress callback answered
};

using TProbeHook = void(SPI_API*)(const TProbeCall* call);

struct TProbeConfig {
  char Name[16];
  char Filter[32];  // the one filter (information number 2), e.g. "*.prb"; empty: none
  TProbeHook Hook;  // may be null
  std::int32_t Mode;
  std::int32_t PictureInfoResult;
  std::int32_t PictureResult;
  // Answered by a successful GetPictureInfo.
  std::int32_t Left, Top, Width, Height;
  std::uint16_t XDensity, YDensity;
  std::int16_t ColorDepth;
  std::int32_t InfoTextBlockSize;  // -1: hInfo null; else the text block's size
  std::uint8_t InfoText[64];       // the block's first bytes
  // The blocks of a successful GetPicture: each of the given size, its first bytes from the
  // arrays here (as far as they reach), the rest zero.
  std::int32_t HeaderBlockSize;
  std::uint8_t Header[1200];
  std::int32_t BitsBlockSize;
  std::uint8_t Bits[1024];
};

using TProbeConfigure = void(SPI_API*)(const TProbeConfig* config);
// How many blocks the plug-in handed out are not freed yet; -1 where the system cannot tell
// (only Windows can: a freed local-memory handle is invalid).
using TProbeLiveBlocks = std::int32_t(SPI_API*)();
