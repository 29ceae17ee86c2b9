// program_start.cpp - command line and main dialog of Hushtree and Lettrim.
#include "program_start.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDialog>
#include <cstdio>  // std::fputs, stdout
#include <string_view>

namespace {

void Describe(const ProgramInfo& info) {
  QCoreApplication::setApplicationName(info.name);
  QCoreApplication::setApplicationVersion(info.version);
}

/// Parses the command line; the caller acts on the options it names.
struct CommandLine {
  QCommandLineParser parser;
  QCommandLineOption version{{"v", "version"}, "Displays version information."};

  explicit CommandLine(const ProgramInfo& info) {
    parser.setApplicationDescription(info.description);
    parser.addHelpOption();
    parser.addOption(version);
  }

  /// Ends the program for --help or an unknown option; true when --version was asked for.
  bool AsksForVersion(const QCoreApplication& application) {
    parser.process(application);
    return parser.isSet(version);
  }
};

// Help and version must work without a display (in a terminal, in the install check), so they
// are answered before the window system is contacted.
bool AsksForInformationOnly(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    if (argument == "--") break;
    if (argument == "-v" || argument == "--version" || argument == "-h" || argument == "--help" ||
        argument == "-?") {
      return true;
    }
  }
  return false;
}

int AnswerInformation(int argc, char* argv[], const ProgramInfo& info) {
  QCoreApplication application(argc, argv);
  Describe(info);
  CommandLine commandLine(info);
  // Options of the window system (-platform, -style) may stand beside these; they are no error.
  commandLine.parser.parse(QCoreApplication::arguments());
  if (commandLine.parser.isSet(commandLine.version)) {
    std::fputs(qPrintable(info.versionLine + QLatin1Char('\n')), stdout);
    return 0;
  }
  commandLine.parser.showHelp(0);
}

}  // namespace

int RunDialogProgram(int argc, char* argv[], const ProgramInfo& info,
                     const std::function<std::unique_ptr<QDialog>()>& makeDialog) {
  if (AsksForInformationOnly(argc, argv)) return AnswerInformation(argc, argv, info);

  QApplication application(argc, argv);
  Describe(info);
  CommandLine commandLine(info);
  commandLine.AsksForVersion(application);  // rejects unknown options
  const std::unique_ptr<QDialog> dialog = makeDialog();
  QApplication::setWindowIcon(dialog->windowIcon());
  dialog->exec();
  return 0;
}
