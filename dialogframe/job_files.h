// job_files.h - the source and destination files of one job, with their I/O failures remembered.
#pragma once

#include <cstdint>  // std::uint64_t
#include <fstream>  // std::filebuf
#include <istream>  // std::istream
#include <ostream>  // std::ostream
#include <string>   // std::string

/// A file buffer that turns the library's read and write failures into a sticky flag. A read
/// failure then looks like the end of the file to the job (which must not run on past it),
/// and neither a job's rewinding nor a later clear() of the stream can hide that it happened.
class WatchedFilebuf : public std::filebuf {
 public:
  bool Failed() const { return failed; }
  /// Flushes and closes; false when that failed or an earlier transfer did.
  bool CloseChecked();

 protected:
  int_type underflow() override;
  std::streamsize xsgetn(char_type* s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char_type* s, std::streamsize n) override;
  int sync() override;

 private:
  bool failed = false;
};

/// The two files of a job, opened in binary mode since the jobs write their CR LF line ends
/// themselves.
class JobFiles {
 public:
  JobFiles();
  JobFiles(const JobFiles&) = delete;
  JobFiles& operator=(const JobFiles&) = delete;

  /// True when something that is no folder exists under name (whether or not it can be read).
  static bool ExistsAsFile(const std::string& name);

  bool OpenSource(const std::string& name);
  /// Creates or empties the destination.
  bool OpenDestination(const std::string& name);

  std::istream& Source() { return source; }
  std::ostream& Destination() { return destination; }
  /// Size of the source in bytes, 0 when it cannot be told.
  std::uint64_t SourceSize() const { return sourceSize; }

  /// Closes both files; later calls do nothing. A job may call it during its own clean-up.
  void Close();
  bool ReadFailed() const { return readFailed; }
  bool WriteFailed() const { return writeFailed; }

 private:
  WatchedFilebuf sourceBuffer;
  WatchedFilebuf destinationBuffer;
  std::istream source;
  std::ostream destination;
  std::uint64_t sourceSize = 0;
  bool closed = false;
  bool readFailed = false;
  bool writeFailed = false;
};
