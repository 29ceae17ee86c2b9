// line_reader.h - reading whole GEDCOM lines of any length from a stream, one block at a time.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint64_t
#include <istream>      // std::istream
#include <string_view>  // std::string_view
#include <vector>       // std::vector

namespace gedtext {

/// The UTF-8 byte-order mark.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

/// True when head, the first bytes of a file, starts with a UTF-16 byte-order mark or holds a
/// NUL byte in its first line. The tools read bytes, not UTF-16, so such files are refused.
bool LooksLikeUtf16(std::string_view head);

/// The first CR or LF in [first, last), or last when there is none. Searches 16 bytes at a time
/// where the processor allows it; never reads outside the range.
const char* FindLineEnd(const char* first, const char* last);

/// Reads lines terminated by CR LF, LF CR, LF or CR (each pair counts as one terminator) from a
/// binary stream, through one reused buffer. A UTF-8 byte-order mark at the very start is not
/// part of the first line; HadByteOrderMark() tells whether there was one.
class LineReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

  explicit LineReader(std::istream& in, std::size_t blockSize = kDefaultBlockSize);

  /// Next line without its terminator. The view stays valid until the next call of Next,
  /// Rewind or PeekHead. Returns false at the end of the input or on a read error.
  bool Next(std::string_view& line);

  /// Whether the line last returned by Next ended in a terminator (only the last line of an
  /// input can lack one).
  bool LastHadTerminator() const { return lastHadTerminator; }

  /// Bytes consumed so far: lines, their terminators and a byte-order mark.
  std::uint64_t BytesConsumed() const { return consumed; }

  /// True when reading stopped because the stream reported an error.
  bool ReadFailed() const { return readFailed; }

  bool HadByteOrderMark() const { return byteOrderMark; }

  /// The first bytes of the input (up to one block), for LooksLikeUtf16. Valid until the next
  /// call of Next or Rewind.
  std::string_view PeekHead();

  /// Clears the stream state, seeks it to its start and starts over. False when it cannot seek.
  bool Rewind();

 private:
  bool Fill();
  void Start();

  std::istream& in;
  std::size_t blockSize;
  std::vector<char> buffer;
  std::size_t begin = 0;  // first unconsumed byte
  std::size_t end = 0;    // one past the last byte read
  std::uint64_t consumed = 0;
  bool started = false;
  bool atEof = false;
  bool readFailed = false;
  bool byteOrderMark = false;
  bool lastHadTerminator = false;
};

}  // namespace gedtext
