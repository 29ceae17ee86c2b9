// line_reader.cpp - block-buffered line reading with every GEDCOM line terminator.
#include "line_reader.h"

#include <bit>      // std::countr_zero
#include <cstring>  // std::memmove

#if defined(__SSE2__)
#include <emmintrin.h>  // _mm_loadu_si128, _mm_cmpeq_epi8, _mm_movemask_epi8
#endif

namespace gedtext {

bool LooksLikeUtf16(std::string_view head) {
  if (head.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(head[0]);
    const auto b1 = static_cast<unsigned char>(head[1]);
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) return true;
  }
  for (char c : head) {
    if (c == '\r' || c == '\n') return false;
    if (c == '\0') return true;
  }
  return false;
}

namespace {

bool IsLineEndByte(char c) { return c == '\n' || c == '\r'; }

}  // namespace

const char* FindLineEnd(const char* first, const char* last) {
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
  while (first != last && !IsLineEndByte(*first)) ++first;
  return first;
}

LineReader::LineReader(std::istream& in, std::size_t blockSize)
    : in(in), blockSize(blockSize < 16 ? 16 : blockSize) {}

bool LineReader::Fill() {
  if (atEof) return false;
  if (begin > 0) {
    std::memmove(buffer.data(), buffer.data() + begin, end - begin);
    end -= begin;
    begin = 0;
  }
  if (buffer.size() < end + blockSize) buffer.resize(end + blockSize);
  in.read(buffer.data() + end, static_cast<std::streamsize>(blockSize));
  const auto got = static_cast<std::size_t>(in.gcount());
  end += got;
  if (in.bad()) {
    readFailed = true;
    atEof = true;
  } else if (got < blockSize) {
    atEof = true;
  }
  return got > 0;
}

void LineReader::Start() {
  if (started) return;
  started = true;
  while (end - begin < kUtf8ByteOrderMark.size() && Fill()) {
  }
  std::string_view head(buffer.data() + begin, end - begin);
  if (head.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    byteOrderMark = true;
    begin += kUtf8ByteOrderMark.size();
    consumed += kUtf8ByteOrderMark.size();
  }
}

std::string_view LineReader::PeekHead() {
  Start();
  while (!atEof && end - begin < blockSize && Fill()) {
  }
  return {buffer.data() + begin, end - begin};
}

bool LineReader::Next(std::string_view& line) {
  Start();
  std::size_t scanFrom = begin;
  for (;;) {
    const char* data = buffer.data();
    const char* found = FindLineEnd(data + scanFrom, data + end);
    auto pos = static_cast<std::size_t>(found - data);
    if (pos < end) {
      // A terminator at the very end of the buffer may be the first half of a pair.
      if (pos + 1 == end && !atEof) {
        const std::size_t offset = pos - begin;
        Fill();
        scanFrom = begin + offset;
        continue;
      }
      std::size_t terminatorLength = 1;
      if (pos + 1 < end) {
        const char next = data[pos + 1];
        if ((data[pos] == '\r' && next == '\n') || (data[pos] == '\n' && next == '\r')) {
          terminatorLength = 2;
        }
      }
      line = std::string_view(data + begin, pos - begin);
      consumed += (pos - begin) + terminatorLength;
      begin = pos + terminatorLength;
      lastHadTerminator = true;
      return true;
    }
    if (atEof) {
      if (begin == end) return false;
      line = std::string_view(data + begin, end - begin);
      consumed += end - begin;
      begin = end;
      lastHadTerminator = false;
      return true;
    }
    const std::size_t offset = end - begin;
    Fill();
    scanFrom = begin + offset;
  }
}

bool LineReader::Rewind() {
  in.clear();
  in.seekg(0, std::ios::beg);
  begin = end = 0;
  consumed = 0;
  started = atEof = readFailed = byteOrderMark = lastHadTerminator = false;
  return !in.fail();
}

}  // namespace gedtext
