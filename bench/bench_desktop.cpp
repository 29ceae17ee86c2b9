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
// Prints, per pair, the fastest of the rounds on each side in wall time and in processor time:
//
//   pair kinprune-open engine 1.234567 desktop 1.300000 ratio 1.053
//   cpu kinprune-open engine 1.200000 desktop 1.250000 ratio 1.042
//
// The outputs of the two sides are compared (the same bytes for the converters, the same
// number of individuals for the load), so that both sides are known to have done the same work.
// The two sides take turns at going first, and every output is removed as soon as it has been
// compared, so that neither side pays for writing back the other's file.
// Exit status 0 when every pair ran and agreed, 1 otherwise.
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <time.h>  // clock_gettime

#include <algorithm>  // std::min
#include <bit>        // std::rotl
#include <cstdint>    // std::uint64_t
#include <chrono>     // std::chrono::steady_clock
#include <cstdio>     // std::printf, std::fprintf
#include <cstring>    // std::memcpy
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

/// Wall time and the processor time of the whole process, from construction to Stop.
class Stopwatch {
 public:
  Stopwatch() : wallStart(std::chrono::steady_clock::now()), cpuStart(CpuSeconds()) {}
  void Stop(double& wallSeconds, double& cpuSeconds) const {
    wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    cpuSeconds = CpuSeconds() - cpuStart;
  }

 private:
  static double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
  }

  std::chrono::steady_clock::time_point wallStart;
  double cpuStart;
};

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

/// Counts the paint events of one widget; must not outlive it.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
  int Count() const { return paints; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }

 private:
  int paints = 0;
};

/// Closes every modal window that opens while a side runs (a message box would wait for a user
/// who is not there) and remembers its text, which fails the pair.
class ModalWatch {
 public:
  ModalWatch() {
    constexpr int kCheckIntervalMs = 100;
    timer.callOnTimeout([this] { CloseModalWindow(); });
    timer.start(kCheckIntervalMs);
  }
  /// The texts of the windows closed since the last call, joined.
  QString Take() {
    const QString texts = seen.join(QStringLiteral("; "));
    seen.clear();
    return texts;
  }

 private:
  void CloseModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    const auto* box = qobject_cast<QMessageBox*>(modal);
    seen << (box != nullptr ? box->text() : modal->windowTitle());
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }

  QTimer timer;
  QStringList seen;
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
  /// Processor time: on a busy machine a steadier measure of the work than the wall time.
  double cpuSeconds = 0;
  bool ok = false;
  std::string error;
};

/// Size and a 64-bit digest of a file's bytes, to tell whether two outputs are the same without
/// keeping both on disk.
struct FileDigest {
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  bool operator==(const FileDigest&) const = default;
};

std::optional<FileDigest> DigestOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  FileDigest digest;
  digest.hash = 0xcbf29ce484222325ULL;
  std::vector<char> buffer(std::size_t{1} << 20);
  while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
    const auto count = std::size_t(in.gcount());
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, buffer.data() + i, 8);
      digest.hash = std::rotl((digest.hash ^ word) * 0x100000001b3ULL, 29);
    }
    for (; i < count; ++i) {
      digest.hash = (digest.hash ^ static_cast<unsigned char>(buffer[i])) * 0x100000001b3ULL;
    }
    digest.size += count;
  }
  return digest;
}

// ---- Kinprune ---------------------------------------------------------------------------------

/// The load as kinprune-cli does it. individuals receives the number loaded.
Timing EngineOpen(const std::string& path, std::size_t& individuals) {
  Timing timing;
  kinprune::CKinpruneDoc document;
  const Stopwatch stopwatch;
  const kinprune::OpenOutcome outcome = document.OnOpenDocument(path);
  stopwatch.Stop(timing.seconds, timing.cpuSeconds);
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

  const Stopwatch stopwatch;
  const bool opened = frame.OpenFile(QString::fromStdString(path));
  const int paintsAfterOpen = paints.Count();
  const bool painted = opened && ProcessEventsUntil([&] { return paints.Count() > paintsAfterOpen; });
  DrainEvents();
  stopwatch.Stop(timing.seconds, timing.cpuSeconds);

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
  const Stopwatch stopwatch;
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
  stopwatch.Stop(timing.seconds, timing.cpuSeconds);
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

  const Stopwatch stopwatch;
  dialog.Process();
  DrainEvents();
  stopwatch.Stop(timing.seconds, timing.cpuSeconds);

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
  const Stopwatch stopwatch;
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
  stopwatch.Stop(timing.seconds, timing.cpuSeconds);
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
  double engineCpu = 0;
  double desktopCpu = 0;
  std::string error;  ///< empty when every round ran and the two sides agreed

  /// Keeps the fastest of each side's rounds.
  void Keep(bool first, const Timing& e, const Timing& d) {
    engine = first ? e.seconds : std::min(engine, e.seconds);
    desktop = first ? d.seconds : std::min(desktop, d.seconds);
    engineCpu = first ? e.cpuSeconds : std::min(engineCpu, e.cpuSeconds);
    desktopCpu = first ? d.cpuSeconds : std::min(desktopCpu, d.cpuSeconds);
  }
};

using ConverterRun = std::function<Timing(const std::string&, const std::string&)>;

/// Why a round of a pair failed: a message box the desktop side opened, or a side that did not
/// finish; empty when both ran.
std::string RoundError(ModalWatch& modalWatch, const Timing& engine, const Timing& desktop) {
  if (const QString boxes = modalWatch.Take(); !boxes.isEmpty()) {
    return "desktop: a message box appeared: " + boxes.toStdString();
  }
  if (!engine.ok) return "engine: " + engine.error;
  if (!desktop.ok) return "desktop: " + desktop.error;
  return {};
}

/// Runs one side into a fresh destination and removes it again at once: an output left on disk
/// would be written back while the other side runs and slow it down.
Timing RunIntoFreshFile(const ConverterRun& run, const std::string& source,
                        const std::string& destination, std::optional<FileDigest>& digest) {
  std::filesystem::remove(destination);
  Timing timing = run(source, destination);
  digest = timing.ok ? DigestOf(destination) : std::nullopt;
  std::filesystem::remove(destination);
  return timing;
}

/// Runs the two sides of a converter pair in turns (the first side alternating between rounds)
/// and keeps the fastest of each. Both sides must write the same bytes.
PairResult RunConverterPair(int repeat, const std::string& source, const QString& workDir,
                            const ConverterRun& engine, const ConverterRun& desktop,
                            ModalWatch& modalWatch) {
  PairResult pair;
  const std::string destination =
      QDir(workDir).filePath(QStringLiteral("bench-desktop-out.ged")).toStdString();
  for (int round = 0; round < repeat; ++round) {
    std::optional<FileDigest> engineDigest;
    std::optional<FileDigest> desktopDigest;
    Timing e;
    Timing d;
    if (round % 2 == 0) {
      e = RunIntoFreshFile(engine, source, destination, engineDigest);
      if (e.ok) d = RunIntoFreshFile(desktop, source, destination, desktopDigest);
    } else {
      d = RunIntoFreshFile(desktop, source, destination, desktopDigest);
      e = RunIntoFreshFile(engine, source, destination, engineDigest);
    }
    pair.error = RoundError(modalWatch, e, d);
    if (!pair.error.empty()) break;
    if (!engineDigest || engineDigest != desktopDigest) {
      pair.error = "the engine and the desktop program wrote different files";
      break;
    }
    pair.Keep(round == 0, e, d);
  }
  return pair;
}

PairResult RunOpenPair(int repeat, const std::string& source, ModalWatch& modalWatch) {
  PairResult pair;
  for (int round = 0; round < repeat; ++round) {
    std::size_t individuals = 0;
    std::size_t rows = 0;
    Timing e;
    Timing d;
    if (round % 2 == 0) {
      e = EngineOpen(source, individuals);
      if (e.ok) d = DesktopOpen(source, rows);
    } else {
      d = DesktopOpen(source, rows);
      e = EngineOpen(source, individuals);
    }
    pair.error = RoundError(modalWatch, e, d);
    if (!pair.error.empty()) break;
    if (individuals != rows) {
      pair.error = "the list shows " + std::to_string(rows) + " rows for " +
                   std::to_string(individuals) + " individuals";
      break;
    }
    pair.Keep(round == 0, e, d);
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
  const double cpuRatio = pair.engineCpu > 0 ? pair.desktopCpu / pair.engineCpu : 0;
  std::printf("pair %s engine %.6f desktop %.6f ratio %.3f\n", name, pair.engine, pair.desktop,
              ratio);
  std::printf("cpu %s engine %.6f desktop %.6f ratio %.3f\n", name, pair.engineCpu,
              pair.desktopCpu, cpuRatio);
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
  ModalWatch modalWatch;
  bool allOk = true;
  if (Wanted(*arguments, "kinprune")) {
    allOk &= Report("kinprune-open", RunOpenPair(arguments->repeat, arguments->file, modalWatch));
  }
  if (Wanted(*arguments, "hushtree")) {
    allOk &= Report("hushtree-process",
                    RunConverterPair(arguments->repeat, arguments->file, scratch.path(),
                                     EnginePrivatize, DesktopPrivatize, modalWatch));
  }
  if (Wanted(*arguments, "lettrim")) {
    allOk &= Report("lettrim-process",
                    RunConverterPair(arguments->repeat, arguments->file, scratch.path(),
                                     EngineConvert, DesktopConvert, modalWatch));
  }
  return allOk ? 0 : 1;
}
