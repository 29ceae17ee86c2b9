// line_reader.h - reading whole GEDCOM lines of any length from a stream, one block at a time.
#pragma once

#include <bit>          // std::countr_zero
#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint64_t
#include <istream>      // std::istream
#include <memory>       // std::unique_ptr
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#if defined(__SSE2__)
#include <emmintrin.h>  // _mm_loadu_si128, _mm_cmpeq_epi8, _mm_movemask_epi8
#endif

namespace gedtext {

class BackgroundWorker;

/// The UTF-8 byte-order mark.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

/// True when head, the first bytes of a file, starts with a UTF-16 byte-order mark or holds a
/// NUL byte in its first line. The tools read bytes, not UTF-16, so such files are refused.
bool LooksLikeUtf16(std::string_view head);

/// The first CR or LF in [first, last), or last when there is none. Searches 16 bytes at a time
/// where the processor allows it; never reads outside the range. Inline: the split tool calls it
/// for every line it reads, most of them shorter than two searches.
inline const char* FindLineEnd(const char* first, const char* last) {
#if defined(__SSE2__)
  constexpr std::ptrdiff_t kChunk = 16;
  const __m128i lineFeeds = _mm_set1_epi8('\n');
  const __m128i carriageReturns = _mm_set1_epi8('\r');
  while (last - first >= kChunk) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeeds),
                                      _mm_cmpeq_epi8(bytes, carriageReturns));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return first + std::countr_zero(mask);
    first += kChunk;
  }
#endif
  while (first != last && *first != '\n' && *first != '\r') ++first;
  return first;
}

/// Bit i set when p[i] is CR or LF, for i from 0 to 63. Reads all 64 bytes at p.
std::uint64_t LineEndMask(const char* p);

/// Reads lines terminated by CR LF, LF CR, LF or CR (each pair counts as one terminator) from a
/// binary stream, through one reused buffer. A UTF-8 byte-order mark at the very start is not
/// part of the first line; HadByteOrderMark() tells whether there was one.
///
/// The buffer is searched 64 bytes at a time; the line ends found there are kept as a bit mask,
/// so most calls of Next take the next bit and cut the line without looking at its bytes.
///
/// With ReadAhead::OnSecondThread the next block is read on a second thread while the lines of
/// the current one are handed out; the stream then belongs to the reader until it is destroyed
/// or rewound. The lines, their order and the errors reported are the same either way.
class LineReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

  enum class ReadAhead { No, OnSecondThread };

  explicit LineReader(std::istream& in, std::size_t blockSize = kDefaultBlockSize,
                      ReadAhead readAhead = ReadAhead::No);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  /// Next line without its terminator. The view stays valid until the next call of Next,
  /// Rewind or PeekHead. Returns false at the end of the input or on a read error.
  bool Next(std::string_view& line) {
    // Most calls that run out of line ends only need the next 64 bytes', which the second
    // thread found already.
    if (lineEnds == 0) TakeNextBlockMask();
    if (lineEnds != 0) {
      const std::size_t pos = maskBase + static_cast<std::size_t>(std::countr_zero(lineEnds));
      // The byte after a terminator at the very end of the buffer is not known yet.
      if (pos + 1 < end) {
        TakeLine(pos, line);
        return true;
      }
    }
    return NextSlow(line);
  }

  /// Whether the line last returned by Next ended in a terminator (only the last line of an
  /// input can lack one).
  bool LastHadTerminator() const { return lastHadTerminator; }

  /// Bytes consumed so far: lines, their terminators and a byte-order mark.
  std::uint64_t BytesConsumed() const { return consumedBeforeBuffer + begin; }

  /// True when reading stopped because the stream reported an error.
  bool ReadFailed() const { return readFailed; }

  bool HadByteOrderMark() const { return byteOrderMark; }

  /// The first bytes of the input (up to one block), for LooksLikeUtf16. Valid until the next
  /// call of Next or Rewind.
  std::string_view PeekHead();

  /// Clears the stream state, seeks it to its start and starts over. False when it cannot seek.
  bool Rewind();

 private:
  // Bytes kept readable after the data, so that a 64-byte search never leaves the buffer.
  static constexpr std::size_t kSearchWidth = 64;

  bool NextSlow(std::string_view& line);
  /// Returns the line from begin up to the terminator at pos, which is not the last byte read
  /// unless the input has ended, and consumes it with its terminator.
  void TakeLine(std::size_t pos, std::string_view& line) {
    const char* data = buffer.data();
    const std::size_t lineBegin = begin;
    // CR LF and LF CR are one terminator: the other line-end byte must follow.
    constexpr char kPairDifference = '\r' ^ '\n';
    const bool pair = pos + 1 < end && data[pos + 1] == (data[pos] ^ kPairDifference);
    std::uint64_t ends = lineEnds & (lineEnds - 1);
    // The second byte of a pair is the next bit, unless it lies in the next 64 bytes, where
    // bits before begin are dropped when they are searched.
    if (pair) ends &= ends - 1;
    lineEnds = ends;
    begin = pos + (pair ? 2 : 1);
    lastHadTerminator = true;
    // Last: line may share its type's storage with the members above as far as the compiler
    // knows, which would make it load them again.
    line = std::string_view(data + lineBegin, pos - lineBegin);
  }
  bool Fill();
  bool FillFromSecondThread();
  void StartBlockRead();
  void MoveUnconsumedToFront();
  /// Moves the search on by the next 64 bytes when the second thread has found their line ends
  /// already and nothing needs trimming: they lie wholly in the bytes read and after begin.
  /// Otherwise leaves it to NextSlow.
  void TakeNextBlockMask() {
    const std::size_t offset = scanEnd - blockMasksOrigin;  // huge when scanEnd lies before
    const std::size_t word = offset / kSearchWidth;
    if (offset % kSearchWidth != 0 || word >= blockMaskCount || end - scanEnd < kSearchWidth ||
        begin > scanEnd) {
      return;
    }
    lineEnds = blockMasks[word];
    maskBase = scanEnd;
    scanEnd += kSearchWidth;
  }

  /// The line ends among the 64 bytes at pos of the buffer.
  std::uint64_t MaskAt(std::size_t pos) const {
    // The second thread found the line ends of the block it read, 64 bytes at a time from its
    // start; they serve whenever the search is in step with those 64 bytes.
    if (pos >= blockMasksOrigin && (pos - blockMasksOrigin) % kSearchWidth == 0) {
      const std::size_t word = (pos - blockMasksOrigin) / kSearchWidth;
      if (word < blockMaskCount) return blockMasks[word];
    }
    return LineEndMask(buffer.data() + pos);
  }
  void NoteRead(std::size_t got, bool failed);
  void Start();

  // Room before a block read on the second thread for the unconsumed end of the block before,
  // so that most refills copy only that end, not the new block. Longer tails are copied the
  // slow way.
  static constexpr std::size_t kCarryRoom = std::size_t{1} << 16;

  std::istream& in;
  std::size_t blockSize;
  ReadAhead readAhead;
  std::vector<char> buffer;
  // The block being read on the second thread lands in spare at kCarryRoom; the worker's job
  // owns spare, aheadSize and aheadFailed from its start until it has been waited for.
  std::vector<char> spare;
  std::size_t aheadSize = 0;
  bool aheadFailed = false;
  std::vector<std::uint64_t> aheadMasks;  // LineEndMask of each 64 bytes of the block read
  // The masks of the block in buffer, for the blockMaskCount times 64 bytes from
  // blockMasksOrigin; none when the block was not read on the second thread.
  std::vector<std::uint64_t> blockMasks;
  std::size_t blockMasksOrigin = 0;
  std::size_t blockMaskCount = 0;
  std::unique_ptr<BackgroundWorker> worker;  // after spare, so that it ends first
  std::size_t begin = 0;  // first unconsumed byte
  std::size_t end = 0;    // one past the last byte read
  // The line ends not yet consumed among the 64 bytes from maskBase; bytes from begin to
  // scanEnd hold no other line end. maskBase may lie before begin (then it can wrap around
  // below zero after a refill; positions are computed modulo the size type, which is exact).
  std::uint64_t lineEnds = 0;
  std::size_t maskBase = 0;
  std::size_t scanEnd = 0;
  // The bytes consumed less begin: moved along whenever the bytes in the buffer move, so
  // that a line costs no count of its own. It wraps around below zero when a block lands after
  // the room kept before it; the sum with begin is exact modulo 2^64.
  std::uint64_t consumedBeforeBuffer = 0;
  bool started = false;
  bool atEof = false;
  bool readFailed = false;
  bool byteOrderMark = false;
  bool lastHadTerminator = false;
};

}  // namespace gedtext
