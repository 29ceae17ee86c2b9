// test_support.h - fakes and file helpers shared by the engine tests.
#pragma once

#include <cstddef>     // std::size_t
#include <filesystem>  // std::filesystem::path
#include <ostream>     // std::ostream
#include <streambuf>   // std::streambuf
#include <string>      // std::string
#include <vector>      // std::vector

#include "progress_hook.h"

namespace gedtest {

/// A stream buffer that accepts `capacity` bytes and then fails every write, like a full disk.
class FailingStreambuf : public std::streambuf {
 public:
  explicit FailingStreambuf(std::size_t capacity) : capacity(capacity) {}
  const std::string& Written() const { return written; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  std::size_t capacity;
  std::string written;
};

/// Records every call of a job's ProgressHook; answers AskStop with true from the
/// `stopAtCall`-th call on (1-based; 0 never stops).
class RecordingHook : public gedtext::ProgressHook {
 public:
  explicit RecordingHook(int stopAtCall = 0) : stopAtCall(stopAtCall) {}
  void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
  void Show(int percent) override { percents.push_back(percent); }
  bool AskStop() override { return stopAtCall > 0 && ++askCount >= stopAtCall; }

  std::vector<std::string> statuses;
  std::vector<int> percents;

 private:
  int stopAtCall;
  int askCount = 0;
};

/// A fresh folder under the system's temporary folder, removed with its contents at the end.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::filesystem::path& Path() const { return path; }
  std::string File(const std::string& name) const { return (path / name).string(); }

 private:
  std::filesystem::path path;
};

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

/// The public sample GEDCOM files (empty when the folder is not there).
std::vector<std::filesystem::path> SampleGedcomFiles();

/// Runs a command line through the shell; returns its exit status and fills out with its
/// standard output (and err with its standard error when given).
int RunCommand(const std::string& command, std::string* out = nullptr, std::string* err = nullptr);

/// Quotes text for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace gedtest
