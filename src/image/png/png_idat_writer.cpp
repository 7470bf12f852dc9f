#include "image/png/png_idat_writer.h"

// zlib reads its input through pointers to const.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

constexpr std::size_t kWindow = 32768;  // deflate's window: the most a block can refer back
constexpr std::size_t kChunkHead = 8;   // length and type

void PutBigEndian(std::uint8_t* to, std::uint32_t value) {
  to[0] = static_cast<std::uint8_t>(value >> 24);
  to[1] = static_cast<std::uint8_t>(value >> 16);
  to[2] = static_cast<std::uint8_t>(value >> 8);
  to[3] = static_cast<std::uint8_t>(value);
}

// The two bytes that open a zlib stream: deflate with a 32 KB window, the level's class, and the
// check bits that make the pair a multiple of 31.
void PutZlibHeader(std::uint8_t* to, int level) {
  const unsigned method = 0x78;
  unsigned flags = (level < 2 ? 0u : level < 6 ? 1u : level == 6 ? 2u : 3u) << 6;
  flags += 31 - (method * 256 + flags) % 31;
  to[0] = static_cast<std::uint8_t>(method);
  to[1] = static_cast<std::uint8_t>(flags);
}

// A raw deflate stream, ended when it goes out of scope.
class TDeflater {
 public:
  TDeflater(int level, int strategy) {
    // Negative window bits: no zlib wrapper; the blocks are joined under one of our own.
    if (deflateInit2(&Stream, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) {
      throw EOutOfMemory(rtl_messages::SOutOfResources);
    }
  }
  ~TDeflater() { deflateEnd(&Stream); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  z_stream Stream{};
};

// Compresses `input` past its first `dictionaryBytes` (which prime the window) into an IDAT
// chunk, opened with the zlib header for the first block and ended by a sync flush, or by the
// final deflate block for the last.
TPngIdatWriter::TCompressedBlock CompressBlock(const std::vector<std::uint8_t>& input,
                                               std::size_t dictionaryBytes, bool first, bool last,
                                               int level, int strategy) {
  TPngIdatWriter::TCompressedBlock block;
  const std::size_t bytes = input.size() - dictionaryBytes;
  TDeflater deflater(level, strategy);
  z_stream& z = deflater.Stream;
  if (dictionaryBytes != 0 &&
      deflateSetDictionary(&z, input.data(), static_cast<uInt>(dictionaryBytes)) != Z_OK) {
    throw EOutOfMemory(rtl_messages::SOutOfResources);
  }
  // Room for the compressed bytes in the worst case, the flush's empty block and the header.
  std::size_t start = kChunkHead + (first ? 2 : 0);
  block.Chunk.resize(start + deflateBound(&z, static_cast<uLong>(bytes)) + 16);
  if (first) PutZlibHeader(block.Chunk.data() + kChunkHead, level);
  z.next_in = input.data() + dictionaryBytes;
  z.avail_in = static_cast<uInt>(bytes);
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  for (;;) {
    z.next_out = block.Chunk.data() + start;
    z.avail_out = static_cast<uInt>(block.Chunk.size() - start);
    const int status = deflate(&z, flush);
    start = block.Chunk.size() - z.avail_out;
    if (status == Z_STREAM_END || (!last && status == Z_OK && z.avail_out != 0)) break;
    if (status != Z_OK && status != Z_BUF_ERROR) throw EOutOfMemory(rtl_messages::SOutOfResources);
    block.Chunk.resize(block.Chunk.size() * 2);  // not expected: the bound was too small
  }
  block.Chunk.resize(start);
  std::memcpy(block.Chunk.data() + 4, "IDAT", 4);
  block.ChunkCrc = static_cast<std::uint32_t>(
      crc32(0, block.Chunk.data() + 4, static_cast<uInt>(block.Chunk.size() - 4)));
  block.Adler = static_cast<std::uint32_t>(
      adler32(1, input.data() + dictionaryBytes, static_cast<uInt>(bytes)));
  block.Bytes = static_cast<std::int64_t>(bytes);
  block.Last = last;
  return block;
}

int ThreadsFor(const TPngCompression& compression) {
  if (compression.Threads > 0) return compression.Threads;
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxPngThreads);
}

}  // namespace

TPngIdatWriter::TPngIdatWriter(TStream& stream, const TPngCompression& compression)
    : Stream_(stream),
      Compression_(compression),
      Threads_(ThreadsFor(compression)),
      Adler_(static_cast<std::uint32_t>(adler32(0, nullptr, 0))) {
  Block_.reserve(static_cast<std::size_t>(Compression_.BlockBytes));
}

// A future of std::async waits for its thread when it goes; a deferred one never runs.
TPngIdatWriter::~TPngIdatWriter() = default;

void TPngIdatWriter::Write(const std::uint8_t* data, std::int64_t count) {
  const auto blockBytes = static_cast<std::size_t>(Compression_.BlockBytes);
  while (count > 0) {
    if (Block_.size() - DictionaryBytes_ == blockBytes) Submit(false);
    const std::size_t take =
        std::min(static_cast<std::size_t>(count), blockBytes - (Block_.size() - DictionaryBytes_));
    Block_.insert(Block_.end(), data, data + take);
    data += take;
    count -= static_cast<std::int64_t>(take);
  }
}

void TPngIdatWriter::Finish() {
  Submit(true);
  while (!Pending_.empty()) WriteOldest();
}

void TPngIdatWriter::Submit(bool last) {
  // The next block is primed with the last 32 KB of this one (its dictionary included).
  const std::size_t keep = std::min(Block_.size(), kWindow);
  std::vector<std::uint8_t> next;
  if (!last) {
    next.reserve(keep + static_cast<std::size_t>(Compression_.BlockBytes));
    next.assign(Block_.end() - static_cast<std::ptrdiff_t>(keep), Block_.end());
  }
  while (static_cast<int>(Pending_.size()) >= Threads_) WriteOldest();
  const bool first = Blocks_ == 0;
  const TPngDeflateSetting setting = Compression_.Setting.value_or(kDeepDeflate);
  const int level = setting.Level;
  const int strategy = ZlibStrategy(setting.Strategy);
  // Shared, so that the block is still here when no thread can be started for it.
  auto compress = [block = std::make_shared<const std::vector<std::uint8_t>>(std::move(Block_)),
                   dictionary = DictionaryBytes_, first, last, level, strategy] {
    return CompressBlock(*block, dictionary, first, last, level, strategy);
  };
  // One thread, or none to be had: compressed here, when its turn to be written comes.
  if (Threads_ > 1) {
    try {
      Pending_.push_back(std::async(std::launch::async, compress));
    } catch (const std::system_error&) {
      Threads_ = 1;
    }
  }
  if (Threads_ == 1) Pending_.push_back(std::async(std::launch::deferred, compress));
  ++Blocks_;
  Block_ = std::move(next);
  DictionaryBytes_ = keep;
}

void TPngIdatWriter::WriteOldest() {
  TCompressedBlock block = Pending_.front().get();
  Pending_.pop_front();
  Adler_ = static_cast<std::uint32_t>(
      adler32_combine(Adler_, block.Adler, static_cast<z_off_t>(block.Bytes)));
  std::uint32_t crc = block.ChunkCrc;
  if (block.Last) {
    // The last block: the stream's checksum closes it.
    std::uint8_t adler[4];
    PutBigEndian(adler, Adler_);
    block.Chunk.insert(block.Chunk.end(), adler, adler + 4);
    crc = static_cast<std::uint32_t>(crc32(crc, adler, 4));
  }
  PutBigEndian(block.Chunk.data(), static_cast<std::uint32_t>(block.Chunk.size() - kChunkHead));
  std::uint8_t crcBytes[4];
  PutBigEndian(crcBytes, crc);
  block.Chunk.insert(block.Chunk.end(), crcBytes, crcBytes + 4);
  Stream_.WriteBuffer(block.Chunk.data(), static_cast<std::int64_t>(block.Chunk.size()));
}
