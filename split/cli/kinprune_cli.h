// kinprune_cli.h - the `kinprune-cli` program: list, show and split a GEDCOM file from scripts.
#pragma once

#include <iosfwd>  // std::ostream
#include <memory>  // std::unique_ptr
#include <string>  // std::string
#include <vector>  // std::vector

namespace kinprune {

class CKinpruneDoc;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

/// Runs the program with args (without the program name). Listings and details go to out,
/// status texts, messages and errors to err. Returns the exit status.
int RunKinpruneCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The same, with the document the run loaded left in document instead of freed, so that a
/// process that ends right after can leave the freeing of a large file's tables to the system.
int RunKinpruneCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   std::unique_ptr<CKinpruneDoc>& document);

/// The text printed by --help.
const char* KinpruneCliUsage();

}  // namespace kinprune
