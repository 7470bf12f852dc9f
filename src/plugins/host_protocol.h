// The messages between the program and its plug-in helper (src/plugin_host), shared by both
// sides. Each request is one TRequest, then TextSize bytes of text; each answer is one TAnswer,
// then TextSize bytes. Every field has a fixed width, so that a 64-bit program and a 32-bit helper
// read the same layout. The picture's bytes travel in the input memory that the program hands
// over with a request; decoded blocks come back in a block of memory handed over with the
// answer: neither goes through the channel. Each side reads what the other wrote as it would
// read a file: every size and offset is checked before it is used.
#pragma once

#include <cstdint>

namespace host_protocol {

inline constexpr std::uint32_t kRequestMagic = 0x51485354;  // "TSHQ"
inline constexpr std::uint32_t kAnswerMagic = 0x41485354;   // "TSHA"
// Texts (paths, plug-in texts) are at most this long; a longer one is a broken message.
inline constexpr std::uint32_t kMaxText = 1u << 20;

enum class TRequestKind : std::uint32_t {
  rkHello,           // the first request: is this our helper, and ready?
  rkOpen,            // load the module at the path (the text); Flag 1: describe it as well
  rkClose,           // unload the module `Module`
  rkGetPluginInfo,   // InfoNo, Length (the buffer length); the answer's text is the buffer
  rkIsSupported,     // the text is the file name; HasData: 2048 bytes of input (dw not 0)
  rkGetPictureInfo,  // InputBytes of input, Length, Flag; HasData: the buffer is not null
  rkGetPicture,      // as rkGetPictureInfo, and LData
  rkGetPreview,      // likewise
};

struct TRequest {
  std::uint32_t Magic = kRequestMagic;
  TRequestKind Kind = TRequestKind::rkHello;
  std::uint32_t Module = 0;  // the helper's number of an opened module
  std::int32_t InfoNo = 0;
  std::int32_t Length = 0;
  std::uint32_t Flag = 0;
  std::uint32_t HasData = 0;
  // Bytes of input at the start of the input memory. The input memory is the one handed over
  // with this request, or else the last one handed over; InputMemorySize is its size when handed
  // over with this request, 0 otherwise.
  std::uint32_t InputBytes = 0;
  std::uint64_t InputMemorySize = 0;
  std::uint64_t LData = 0;
  std::uint32_t TextSize = 0;
  std::uint32_t Reserved = 0;
};
static_assert(sizeof(TRequest) == 56);

enum class TAnswerStatus : std::uint32_t {
  asDone,       // the entry point returned (Result), or the request was served
  asFault,      // a processor fault ended the call; FaultCode names it
  asNotLoaded,  // rkOpen: the module did not load
  asRefused,    // the request made no sense to the helper (an unknown module, a missing input)
};

// Bits of TAnswer::Exports, one per entry point, in TSpiEntry's order.
struct TAnswer {
  std::uint32_t Magic = kAnswerMagic;
  TAnswerStatus Status = TAnswerStatus::asDone;
  std::int32_t Result = 0;
  std::uint32_t FaultCode = 0;
  // rkOpen: the module's number, its handle in the helper, and the entry points it exports.
  std::uint32_t Module = 0;
  std::uint32_t Exports = 0;
  std::uint64_t Handle = 0;
  // The helper's address space in use after the call, in bytes (0: unknown).
  std::uint64_t MemoryInUse = 0;
  // rkGetPictureInfo on success: the record's fields; HasInfoText when hInfo was not null, the
  // block's bytes then the text.
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t XDensity = 0;
  std::uint16_t YDensity = 0;
  std::int16_t ColorDepth = 0;
  std::uint16_t HasInfoText = 0;
  // rkGetPicture / rkGetPreview on success: the header block at offset 0 of the memory handed
  // over with the answer, the bits block at BitsOffset.
  std::uint64_t InfoBytes = 0;
  std::uint64_t BitsOffset = 0;
  std::uint64_t BitsBytes = 0;
  // rkOpen: the module's file name; rkGetPluginInfo: the buffer's bytes; rkGetPictureInfo: the
  // information text.
  std::uint32_t TextSize = 0;
  // Not 0 when the helper found its heap damaged after the call: whatever the call returned, the
  // helper must not serve another.
  std::uint32_t HeapDamaged = 0;
};
static_assert(sizeof(TAnswer) == 96);

// After GetPicture or GetPreview both sides give up an input memory larger than this, so that
// neither holds a copy of a large picture between loads; the next call hands a new one over.
inline constexpr std::uint64_t kKeptInputSize = std::uint64_t{1} << 20;

// rkOpen with Flag 1: the helper asks the module for its description at once, as a plug-in
// object does right after it opens one: GetPluginInfo with 0, 1, then 2, 3, 4, ... until either
// call of a pair answers 0 or less, each into a zeroed buffer of kDescribedBytes + 1 bytes told
// kDescribedBytes, at most kMaxDescribed calls, stopping at a fault. The answer's Result is the
// number of calls; its text holds, for each, the number asked (int32), the result (int32) and
// the buffer's kDescribedBytes bytes, then the module's file name. The program answers its own
// calls from these, in order, saving a round trip each.
inline constexpr std::uint32_t kDescribedBytes = 255;
inline constexpr std::uint32_t kMaxDescribed = 4096;
inline constexpr std::uint32_t kDescribedEntry = 8 + kDescribedBytes;

// The probe's size: IsSupported always gets this many bytes of the picture's head.
inline constexpr std::uint32_t kHeadBytes = 2048;

}  // namespace host_protocol
