// progress_hook.h - how a converter job reports progress and is stopped, and how it ended.
#pragma once

#include <string_view>  // std::string_view

namespace gedtext {

/// How a job ended. The privatizer never ends WriteFailed on its own account; a front end maps
/// an I/O failure it detects to it.
enum class JobOutcome { Completed, Cancelled, WriteFailed };

/// The three operations through which a job reports and can be stopped. Implemented by the
/// progress dialog, the command-line programs and test recorders.
class ProgressHook {
 public:
  /// Text for the status line.
  virtual void SetStatus(std::string_view text) = 0;
  /// A whole percentage; called only when it changes.
  virtual void Show(int percent) = 0;
  /// True only when the user pressed Cancel since the last call and confirmed it.
  virtual bool AskStop() = 0;

 protected:
  ~ProgressHook() = default;
};

}  // namespace gedtext
