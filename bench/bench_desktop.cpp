// bench_desktop.cpp - what the desktop programs add on top of their engines. Each job runs in
// this one process twice per round, once through the engine as the command-line program drives
// it and once through the desktop program's own window, on the same file:
//
//   kinprune-open     CKinpruneDoc::OnOpenDocument  vs  CMainFrame::OpenFile until the list of
//                                                       individuals is filled and painted
//   hushtree-process  RunPrivatizer (dialog rules)  vs  CPrivatizerDlg::Process with its
//                                                       progress dialog, default options
//   lettrim-process   RunCaseConversion             vs  CCaseConverterDlg::Process with its
//                                                       progress dialog, default options
//
//   QT_QPA_PLATFORM=offscreen bench-desktop [--repeat N] [--only NAMES] [--work-dir DIR] FILE
//
// Prints, per pair, the fastest of the rounds on each side:
//
//   pair kinprune-open engine 1.234567 desktop 1.300000 ratio 1.053
//
// The outputs of the two sides are compared (the same bytes for the converters, the same
// number of individuals for the load), so that both sides are known to have done the same work.
// Exit status 0 when every pair ran and agreed, 1 otherwise.
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>  // std::min
#include <chrono>     // std::chrono::steady_clock
#include <cstdio>     // std::printf, std::fprintf
#include <filesystem> // std::filesystem::remove
#include <fstream>    // std::ifstream, std::ofstream
#include <functional> // std::function
#include <memory>     // std::make_unique
#include <optional>   // std::optional
#include <string>     // std::string
#include <vector>     // std::vector

#include "case_conversion.h"
#include "case_converter_dialog.h"
#include "kinprune_doc.h"
#include "kinprune_view.h"
#include "main_frame.h"
#include "privatizer.h"
#include "privatizer_dialog.h"
#include "user_prompts.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

/// Processes events until done() holds or timeoutMs pass; false on the timeout.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

/// Handles whatever is waiting now, as the event loop would right after a command returns.
void DrainEvents() {
  for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

/// The answers of a user who never has to be asked: a fresh destination raises no question.
/// Anything other than the final information message is remembered as unexpected.
class SilentPrompts : public UserPrompts {
 public:
  bool AskYesNo(QWidget*, const QString& question) override {
    unexpected << QStringLiteral("question: ") + question;
    return false;
  }
  void ShowWarning(QWidget*, const QString& text) override {
    unexpected << QStringLiteral("warning: ") + text;
  }
  void ShowInformation(QWidget*, const QString& text) override { finalMessage = text; }
  void ShowAbout(QWidget*) override {}
  std::optional<QString> ChooseSourceFile(QWidget*, const QString&) override { return {}; }
  std::optional<QString> ChooseDestinationFile(QWidget*, const QString&) override { return {}; }

  QStringList unexpected;
  QString finalMessage;
};

/// Counts the paint events of one widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* watched) : QObject(watched) { watched->installEventFilter(this); }
  int Count() const { return paints; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }

 private:
  int paints = 0;
};

/// Progress that goes nowhere: the engine's own cost with nobody watching.
class NoProgress : public gedtext::ProgressHook {
 public:
  void SetStatus(std::string_view) override {}
  void Show(int) override {}
  bool AskStop() override { return false; }
};

class NoPrivatizerHooks : public privatize::PrivatizerHooks {
 public:
  void PassStarted(privatize::PrivatizerPass) override {}
};

struct Timing {
  double seconds = 0;
  bool ok = false;
  std::string error;
};

bool SameBytes(const std::string& first, const std::string& second) {
  std::ifstream a(first, std::ios::binary);
  std::ifstream b(second, std::ios::binary);
  if (!a || !b) return false;
  std::vector<char> bufferA(1 << 20);
  std::vector<char> bufferB(1 << 20);
  while (true) {
    a.read(bufferA.data(), std::streamsize(bufferA.size()));
    b.read(bufferB.data(), std::streamsize(bufferB.size()));
    if (a.gcount() != b.gcount()) return false;
    if (!std::equal(bufferA.begin(), bufferA.begin() + a.gcount(), bufferB.begin())) return false;
    if (a.gcount() == 0 || !a || !b) return a.eof() && b.eof();
  }
}

// ---- Kinprune ---------------------------------------------------------------------------------

/// The load as kinprune-cli does it. individuals receives the number loaded.
Timing EngineOpen(const std::string& path, std::size_t& individuals) {
  Timing timing;
  kinprune::CKinpruneDoc document;
  const Clock::time_point start = Clock::now();
  const kinprune::OpenOutcome outcome = document.OnOpenDocument(path);
  timing.seconds = SecondsSince(start);
  timing.ok = outcome.ok;
  timing.error = outcome.error;
  individuals = document.individualsByName.size();
  return timing;
}

/// The main window, shown before the clock starts, opens the file through its own open path;
/// the clock stops once the list holds every individual and has been painted.
Timing DesktopOpen(const std::string& path, std::size_t& rows) {
  Timing timing;
  kinprune::CKinpruneDoc document;
  CMainFrame frame(document);
  frame.View()->OnInitialUpdate();
  frame.resize(900, 600);
  frame.show();
  auto* list = frame.findChild<QTreeView*>(QStringLiteral("individualList"));
  if (list == nullptr) {
    timing.error = "the main window has no individual list";
    return timing;
  }
  if (!ProcessEventsUntil([&] { return list->isVisible(); })) {
    timing.error = "the main window did not show";
    return timing;
  }
  DrainEvents();
  const PaintCounter paints(list->viewport());

  const Clock::time_point start = Clock::now();
  const bool opened = frame.OpenFile(QString::fromStdString(path));
  const int paintsAfterOpen = paints.Count();
  const bool painted = opened && ProcessEventsUntil([&] { return paints.Count() > paintsAfterOpen; });
  DrainEvents();
  timing.seconds = SecondsSince(start);

  rows = std::size_t(list->model()->rowCount());
  timing.ok = opened && painted;
  if (!opened) timing.error = "the main window could not open the file";
  if (opened && !painted) timing.error = "the list was never painted after the load";
  return timing;
}

// ---- Hushtree ---------------------------------------------------------------------------------

privatize::PrivatizeOptions DialogDefaultPrivatizeOptions() {
  privatize::PrivatizeOptions options;
  options.message = std::string(privatize::kDialogDefaultMessage);
  return options;
}

/// The privatizer over files opened as hushtree-cli opens them, under the dialog's rules.
Timing EnginePrivatize(const std::string& source, const std::string& destination) {
  Timing timing;
  const Clock::time_point start = Clock::now();
  std::ifstream in(source, std::ios::binary);
  std::vector<char> outputBuffer(std::size_t{1} << 20);
  std::ofstream out;
  out.rdbuf()->pubsetbuf(outputBuffer.data(), std::streamsize(outputBuffer.size()));
  out.open(destination, std::ios::binary | std::ios::trunc);
  if (!in.is_open() || !out.is_open()) {
    timing.error = "cannot open the files";
    return timing;
  }
  NoPrivatizerHooks hooks;
  const privatize::PrivatizeResult result =
      privatize::RunPrivatizer(in, out, DialogDefaultPrivatizeOptions(),
                               privatize::PrivatizerVariant::Dialog, hooks);
  out.close();
  timing.seconds = SecondsSince(start);
  timing.ok = result.outcome == privatize::PrivatizeOutcome::Completed && !out.fail();
  if (!timing.ok) timing.error = "the privatizer did not complete";
  return timing;
}

/// A file-pair dialog, shown before the clock starts, runs Process as its button does; the
/// clock stops once the events the run left behind are handled.
Timing DesktopProcess(CFilePairDlg& dialog, const std::string& source,
                      const std::string& destination) {
  Timing timing;
  auto prompts = std::make_unique<SilentPrompts>();
  SilentPrompts& answers = *prompts;
  dialog.SetPromptsForTest(std::move(prompts));
  auto* sourceEdit = dialog.findChild<QLineEdit*>(QStringLiteral("sourceEdit"));
  auto* destinationEdit = dialog.findChild<QLineEdit*>(QStringLiteral("destinationEdit"));
  if (sourceEdit == nullptr || destinationEdit == nullptr) {
    timing.error = "the dialog has no file names";
    return timing;
  }
  sourceEdit->setText(QString::fromStdString(source));
  destinationEdit->setText(QString::fromStdString(destination));
  dialog.show();
  if (!ProcessEventsUntil([&] { return dialog.isVisible(); })) {
    timing.error = "the dialog did not show";
    return timing;
  }
  DrainEvents();

  const Clock::time_point start = Clock::now();
  dialog.Process();
  DrainEvents();
  timing.seconds = SecondsSince(start);

  timing.ok = answers.unexpected.isEmpty() && !answers.finalMessage.isEmpty();
  if (!answers.unexpected.isEmpty()) {
    timing.error = answers.unexpected.join(QStringLiteral("; ")).toStdString();
  } else if (answers.finalMessage.isEmpty()) {
    timing.error = "the run ended without its final message";
  }
  return timing;
}

Timing DesktopPrivatize(const std::string& source, const std::string& destination) {
  CPrivatizerDlg dialog;
  return DesktopProcess(dialog, source, destination);
}

// ---- Lettrim ----------------------------------------------------------------------------------

/// The case converter over files opened as lettrim-cli opens them, default options.
Timing EngineConvert(const std::string& source, const std::string& destination) {
  Timing timing;
  const Clock::time_point start = Clock::now();
  std::ifstream in(source, std::ios::binary);
  std::ofstream out(destination, std::ios::binary | std::ios::trunc);
  if (!in.is_open() || !out.is_open()) {
    timing.error = "cannot open the files";
    return timing;
  }
  NoProgress progress;
  const casefix::CaseConversionResult result =
      casefix::RunCaseConversion(in, out, casefix::CaseConversionOptions{}, progress);
  out.close();
  timing.seconds = SecondsSince(start);
  timing.ok = result.outcome == gedtext::JobOutcome::Completed && !out.fail();
  if (!timing.ok) timing.error = "the case conversion did not complete";
  return timing;
}

Timing DesktopConvert(const std::string& source, const std::string& destination) {
  CCaseConverterDlg dialog;
  return DesktopProcess(dialog, source, destination);
}

// ---- Pairs ------------------------------------------------------------------------------------

struct PairResult {
  double engine = 0;
  double desktop = 0;
  std::string error;  ///< empty when every round ran and the two sides agreed
};

/// Runs the two sides of a converter pair in turns, each into a fresh destination, and keeps the
/// fastest of each. The two destinations of the last round must hold the same bytes.
PairResult RunConverterPair(int repeat, const std::string& source, const QString& workDir,
                            const std::function<Timing(const std::string&, const std::string&)>& engine,
                            const std::function<Timing(const std::string&, const std::string&)>& desktop) {
  PairResult pair;
  const std::string engineOut = QDir(workDir).filePath(QStringLiteral("engine-out.ged")).toStdString();
  const std::string desktopOut = QDir(workDir).filePath(QStringLiteral("desktop-out.ged")).toStdString();
  for (int round = 0; round < repeat; ++round) {
    std::filesystem::remove(engineOut);
    std::filesystem::remove(desktopOut);
    const Timing e = engine(source, engineOut);
    const Timing d = desktop(source, desktopOut);
    if (!e.ok || !d.ok) {
      pair.error = !e.ok ? "engine: " + e.error : "desktop: " + d.error;
      break;
    }
    pair.engine = round == 0 ? e.seconds : std::min(pair.engine, e.seconds);
    pair.desktop = round == 0 ? d.seconds : std::min(pair.desktop, d.seconds);
    if (round == repeat - 1 && !SameBytes(engineOut, desktopOut)) {
      pair.error = "the engine and the desktop program wrote different files";
    }
  }
  std::filesystem::remove(engineOut);
  std::filesystem::remove(desktopOut);
  return pair;
}

PairResult RunOpenPair(int repeat, const std::string& source) {
  PairResult pair;
  for (int round = 0; round < repeat; ++round) {
    std::size_t individuals = 0;
    std::size_t rows = 0;
    const Timing e = EngineOpen(source, individuals);
    const Timing d = DesktopOpen(source, rows);
    if (!e.ok || !d.ok) {
      pair.error = !e.ok ? "engine: " + e.error : "desktop: " + d.error;
      break;
    }
    if (individuals != rows) {
      pair.error = "the list shows " + std::to_string(rows) + " rows for " +
                   std::to_string(individuals) + " individuals";
      break;
    }
    pair.engine = round == 0 ? e.seconds : std::min(pair.engine, e.seconds);
    pair.desktop = round == 0 ? d.seconds : std::min(pair.desktop, d.seconds);
  }
  return pair;
}

/// Reads the file once so that both sides of every pair find it in the page cache.
void WarmPageCache(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
  }
}

struct Arguments {
  int repeat = 1;
  QStringList only;
  QString workDir;
  std::string file;
};

int Usage(const char* complaint) {
  if (complaint != nullptr) std::fprintf(stderr, "bench-desktop: %s\n", complaint);
  std::fprintf(stderr,
               "usage: bench-desktop [--repeat N] [--only kinprune,hushtree,lettrim] "
               "[--work-dir DIR] FILE\n");
  return 2;
}

std::optional<Arguments> ParseArguments(const QStringList& words) {
  Arguments arguments;
  for (qsizetype i = 1; i < words.size(); ++i) {
    const QString& word = words[i];
    const bool hasValue = i + 1 < words.size();
    if (word == QLatin1String("--repeat") && hasValue) {
      bool number = false;
      arguments.repeat = words[++i].toInt(&number);
      if (!number || arguments.repeat < 1) return std::nullopt;
    } else if (word == QLatin1String("--only") && hasValue) {
      arguments.only = words[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
    } else if (word == QLatin1String("--work-dir") && hasValue) {
      arguments.workDir = words[++i];
    } else if (word.startsWith(QLatin1String("--")) || !arguments.file.empty()) {
      return std::nullopt;
    } else {
      arguments.file = QFile::encodeName(word).toStdString();
    }
  }
  if (arguments.file.empty()) return std::nullopt;
  return arguments;
}

bool Wanted(const Arguments& arguments, const char* program) {
  if (arguments.only.isEmpty()) return true;
  for (const QString& prefix : arguments.only) {
    if (QLatin1String(program).startsWith(prefix.trimmed())) return true;
  }
  return false;
}

bool Report(const char* name, const PairResult& pair) {
  if (!pair.error.empty()) {
    std::printf("pair %s failed: %s\n", name, pair.error.c_str());
    return false;
  }
  const double ratio = pair.engine > 0 ? pair.desktop / pair.engine : 0;
  std::printf("pair %s engine %.6f desktop %.6f ratio %.3f\n", name, pair.engine, pair.desktop,
              ratio);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const std::optional<Arguments> arguments = ParseArguments(QApplication::arguments());
  if (!arguments) return Usage(nullptr);
  if (!QFileInfo(QFile::decodeName(arguments->file.c_str())).isFile()) {
    return Usage("FILE must be an existing file");
  }

  QTemporaryDir scratch(arguments->workDir.isEmpty()
                            ? QDir::temp().filePath(QStringLiteral("bench-desktop-XXXXXX"))
                            : QDir(arguments->workDir).filePath(QStringLiteral("bench-desktop-XXXXXX")));
  if (!scratch.isValid()) return Usage("cannot make a scratch folder");
  // The windows keep recent files and placement in their settings; those go to the scratch
  // folder, never to the user's own.
  QCoreApplication::setOrganizationName(QStringLiteral("gedtools-bench"));
  QCoreApplication::setApplicationName(QStringLiteral("bench-desktop"));
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path());

  WarmPageCache(arguments->file);
  bool allOk = true;
  if (Wanted(*arguments, "kinprune")) {
    allOk &= Report("kinprune-open", RunOpenPair(arguments->repeat, arguments->file));
  }
  if (Wanted(*arguments, "hushtree")) {
    allOk &= Report("hushtree-process",
                    RunConverterPair(arguments->repeat, arguments->file, scratch.path(),
                                     EnginePrivatize, DesktopPrivatize));
  }
  if (Wanted(*arguments, "lettrim")) {
    allOk &= Report("lettrim-process",
                    RunConverterPair(arguments->repeat, arguments->file, scratch.path(),
                                     EngineConvert, DesktopConvert));
  }
  return allOk ? 0 : 1;
}
