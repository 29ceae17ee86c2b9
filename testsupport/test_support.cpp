// test_support.cpp - fakes and file helpers shared by the engine tests.
#include "test_support.h"

#include <sys/wait.h>  // WEXITSTATUS

#include <algorithm>  // std::sort
#include <cstdio>     // popen
#include <cstdlib>    // mkdtemp
#include <stdexcept>  // std::runtime_error
#include <fstream>    // std::ifstream
#include <iterator>   // std::istreambuf_iterator

#ifndef GEDTOOLS_SAMPLE_DIR
#define GEDTOOLS_SAMPLE_DIR ""
#endif

namespace gedtest {

FailingStreambuf::int_type FailingStreambuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  if (written.size() >= capacity) return traits_type::eof();
  written.push_back(traits_type::to_char_type(c));
  return c;
}

std::streamsize FailingStreambuf::xsputn(const char* s, std::streamsize n) {
  std::streamsize accepted = 0;
  while (accepted < n && written.size() < capacity) written.push_back(s[accepted++]);
  return accepted;
}

ScopedTempDir::ScopedTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "gedtools-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::filesystem::path> SampleGedcomFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  const std::filesystem::path dir = GEDTOOLS_SAMPLE_DIR;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".ged" || ext == ".GED")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

int RunCommand(const std::string& command, std::string* out, std::string* err) {
  ScopedTempDir dir;
  const std::string errFile = dir.File("stderr");
  const std::string full = command + " 2>" + ShellQuote(errFile);
  FILE* pipe = ::popen(full.c_str(), "r");
  if (!pipe) return -1;
  std::string captured;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) captured.append(chunk, got);
  const int status = ::pclose(pipe);
  if (out) *out = captured;
  if (err) *err = ReadFileBytes(errFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace gedtest
