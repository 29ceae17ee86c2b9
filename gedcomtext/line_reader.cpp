// line_reader.cpp - block-buffered line reading with every GEDCOM line terminator.
#include "line_reader.h"

#include <algorithm>  // std::min
#include <bit>        // std::countr_zero
#include <cstring>    // std::memcpy, std::memmove

#include "background_worker.h"

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

std::uint64_t LineEndMask(const char* p) {
  constexpr int kLanes = 16;
  std::uint64_t mask = 0;
#if defined(__SSE2__)
  const __m128i lineFeeds = _mm_set1_epi8('\n');
  const __m128i carriageReturns = _mm_set1_epi8('\r');
  for (int lane = 0; lane < 4; ++lane) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + lane * kLanes));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeeds),
                                      _mm_cmpeq_epi8(bytes, carriageReturns));
    const auto bits = static_cast<std::uint16_t>(_mm_movemask_epi8(hits));
    mask |= std::uint64_t{bits} << (lane * kLanes);
  }
#else
  for (int i = 0; i < 4 * kLanes; ++i) {
    if (p[i] == '\n' || p[i] == '\r') mask |= std::uint64_t{1} << i;
  }
#endif
  return mask;
}

LineReader::LineReader(std::istream& in, std::size_t blockSize, ReadAhead readAhead)
    : in(in), blockSize(blockSize < 16 ? 16 : blockSize), readAhead(readAhead) {}

LineReader::~LineReader() = default;

void LineReader::MoveUnconsumedToFront() {
  if (begin == 0) return;
  std::memmove(buffer.data(), buffer.data() + begin, end - begin);
  consumedBeforeBuffer += begin;
  end -= begin;
  scanEnd -= begin;
  maskBase -= begin;
  begin = 0;
}

void LineReader::NoteRead(std::size_t got, bool failed) {
  if (failed) {
    readFailed = true;
    atEof = true;
  } else if (got < blockSize) {
    atEof = true;
  }
}

bool LineReader::Fill() {
  if (atEof) return false;
  if (readAhead == ReadAhead::OnSecondThread) {
    if (!worker) worker = BackgroundWorker::TryCreate();
    if (worker) return FillFromSecondThread();
    // No second thread to be had: every block is read here, as without read-ahead.
    readAhead = ReadAhead::No;
  }
  MoveUnconsumedToFront();
  if (buffer.size() < end + blockSize + kSearchWidth) buffer.resize(end + blockSize + kSearchWidth);
  in.read(buffer.data() + end, static_cast<std::streamsize>(blockSize));
  const auto got = static_cast<std::size_t>(in.gcount());
  end += got;
  NoteRead(got, in.bad());
  return got > 0;
}

void LineReader::StartBlockRead() {
  if (spare.size() < kCarryRoom + blockSize + kSearchWidth) {
    spare.resize(kCarryRoom + blockSize + kSearchWidth);
  }
  aheadMasks.resize(blockSize / kSearchWidth + 1);
  worker->Start([this] {
    char* block = spare.data() + kCarryRoom;
    in.read(block, static_cast<std::streamsize>(blockSize));
    aheadSize = static_cast<std::size_t>(in.gcount());
    aheadFailed = in.bad();
    // The bytes after the block are not part of it: the last word keeps only its own bits.
    for (std::size_t offset = 0, word = 0; offset < aheadSize; offset += kSearchWidth, ++word) {
      std::uint64_t found = LineEndMask(block + offset);
      const std::size_t width = aheadSize - offset;
      if (width < kSearchWidth) found &= (std::uint64_t{1} << width) - 1;
      aheadMasks[word] = found;
    }
  });
}

bool LineReader::FillFromSecondThread() {
  if (!worker->Busy()) StartBlockRead();
  worker->Wait();
  const std::size_t got = aheadSize;
  const std::size_t carried = end - begin;
  if (carried <= kCarryRoom) {
    // The new block already sits in spare; the unconsumed bytes go just before it.
    const std::size_t newBegin = kCarryRoom - carried;
    if (carried > 0) std::memcpy(spare.data() + newBegin, buffer.data() + begin, carried);
    // Positions move by the same amount; maskBase may lie before begin, and the unsigned
    // arithmetic keeps it exact.
    const std::size_t shift = newBegin - begin;
    consumedBeforeBuffer -= shift;
    scanEnd += shift;
    maskBase += shift;
    begin = newBegin;
    end = kCarryRoom + got;
    buffer.swap(spare);
    blockMasks.swap(aheadMasks);
    blockMasksOrigin = kCarryRoom;
    blockMaskCount = (got + kSearchWidth - 1) / kSearchWidth;
  } else {
    blockMaskCount = 0;
    MoveUnconsumedToFront();
    if (buffer.size() < end + got + kSearchWidth) buffer.resize(end + got + kSearchWidth);
    if (got > 0) std::memcpy(buffer.data() + end, spare.data() + kCarryRoom, got);
    end += got;
  }
  NoteRead(got, aheadFailed);
  if (!atEof) StartBlockRead();
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
  }
  maskBase = scanEnd = begin;
}

std::string_view LineReader::PeekHead() {
  Start();
  while (!atEof && end - begin < blockSize && Fill()) {
  }
  return {buffer.data() + begin, end - begin};
}

bool LineReader::NextSlow(std::string_view& line) {
  Start();
  for (;;) {
    if (lineEnds != 0) {
      const std::size_t pos = maskBase + static_cast<std::size_t>(std::countr_zero(lineEnds));
      // A terminator at the very end of the buffer may be the first half of a pair.
      if (pos + 1 == end && !atEof) {
        Fill();
        continue;
      }
      TakeLine(pos, line);
      return true;
    }
    if (scanEnd < end) {
      const std::size_t width = std::min(kSearchWidth, end - scanEnd);
      std::uint64_t found = MaskAt(scanEnd);
      if (width < kSearchWidth) found &= (std::uint64_t{1} << width) - 1;
      // Only the second byte of a pair consumed with the 64 bytes before can lie before begin.
      if (begin > scanEnd) found &= ~std::uint64_t{0} << (begin - scanEnd);
      maskBase = scanEnd;
      scanEnd += width;
      lineEnds = found;
      continue;
    }
    if (atEof) {
      if (begin == end) return false;
      line = std::string_view(buffer.data() + begin, end - begin);
      begin = end;
      lastHadTerminator = false;
      return true;
    }
    Fill();
  }
}

bool LineReader::Rewind() {
  // The stream is the second thread's until its read has ended.
  if (worker) worker->Wait();
  blockMaskCount = 0;
  in.clear();
  in.seekg(0, std::ios::beg);
  begin = end = 0;
  lineEnds = 0;
  maskBase = scanEnd = 0;
  consumedBeforeBuffer = 0;
  started = atEof = readFailed = byteOrderMark = lastHadTerminator = false;
  return !in.fail();
}

}  // namespace gedtext
