// progress_driver.h - reaching the job progress dialog from a test.
#pragma once

#include <QString>

#include <optional>

class CJobProgressDlg;

/// The progress dialog on screen, if any.
CJobProgressDlg* VisibleProgressDialog();
/// Presses Cancel on the progress dialog at the job's next look at waiting events, the only
/// moment a user's click can reach it while a job runs.
void ClickCancelAtNextPump();

/// What the progress dialog on screen shows.
struct ProgressSnapshot {
  QString title;
  QString status;
  QString percent;
};
/// The progress dialog's texts now, or nothing when none is on screen.
std::optional<ProgressSnapshot> VisibleProgressTexts();
