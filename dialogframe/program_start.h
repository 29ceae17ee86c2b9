// program_start.h - the start of a dialog program: its command line, then its one dialog.
#pragma once

#include <QString>
#include <functional>  // std::function
#include <memory>      // std::unique_ptr

QT_BEGIN_NAMESPACE
class QDialog;
QT_END_NAMESPACE

/// What the command line tells about a program before any window opens.
struct ProgramInfo {
  QString name;         ///< "Hushtree": application name and message captions
  QString version;      ///< "1.1"
  QString versionLine;  ///< "Hushtree Version 1.1", printed for --version
  QString description;  ///< one line for --help
};

/// Answers --version and --help (on standard output, status 0) without needing a display;
/// otherwise makes the dialog, runs it modally and returns 0 when it closes. An unknown option
/// is reported on standard error and ends the program with status 1.
int RunDialogProgram(int argc, char* argv[], const ProgramInfo& info,
                     const std::function<std::unique_ptr<QDialog>()>& makeDialog);
