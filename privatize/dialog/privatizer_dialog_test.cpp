// privatizer_dialog_test.cpp - Hushtree's dialog driven through its controls.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "dialog_program_checks.h"
#include "help_viewer.h"
#include "job_progress_dialog.h"
#include "modal_driver.h"
#include "privatizer.h"
#include "privatizer_dialog.h"
#include "progress_driver.h"
#include "scripted_prompts.h"

namespace {

using Kind = ScriptedPrompts::Kind;
using privatize::MessagePlacement;
using privatize::PrivatizeOptions;
using privatize::ProcessingMode;

const QString kSample = QString(GEDTOOLS_SAMPLE_DIR) + "/royal92.ged";

const QString kWritten = "Privatized GEDCOM written";
const QString kAborted = "Privatization aborted.\nAn invalid file might exist.";
const QString kCancelQuestion = "Are you sure you want to Cancel?";

class SilentHooks : public privatize::PrivatizerHooks {
 public:
  void PassStarted(privatize::PrivatizerPass) override {}
};

QByteArray RunEngine(const QString& source, const PrivatizeOptions& options) {
  std::ifstream in(QFile::encodeName(source).toStdString(), std::ios::binary);
  std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
  SilentHooks hooks;
  const privatize::PrivatizeResult result =
      privatize::RunPrivatizer(in, out, options, privatize::PrivatizerVariant::Dialog, hooks);
  if (result.outcome != privatize::PrivatizeOutcome::Completed) return "<engine failed>";
  return QByteArray::fromStdString(out.str());
}

PrivatizeOptions DialogDefaults() {
  PrivatizeOptions options;
  options.message = privatize::kDialogDefaultMessage;
  return options;
}

// Notes every status text the progress dialog shows, looking each time the job lets events
// through.
class StatusRecorder : public QObject {
 public:
  QStringList statuses;
  void Start() { LookAtNextPump(); }

 private:
  void LookAtNextPump() {
    QMetaObject::invokeMethod(
        this,
        [this] {
          CJobProgressDlg* progress = VisibleProgressDialog();
          if (progress == nullptr) return;
          const QString status = progress->findChild<QLabel*>("statusLabel")->text();
          if (statuses.isEmpty() || statuses.last() != status) statuses.append(status);
          LookAtNextPump();
        },
        Qt::QueuedConnection);
  }
};

}  // namespace

class PrivatizerDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<CPrivatizerDlg> dialog;
  ScriptedPrompts* prompts = nullptr;  // owned by dialog
  QString percentAtFinalMessage;
  QString statusAtFinalMessage;

  template <typename T>
  T* Find(const char* name) {
    T* found = dialog->findChild<T*>(name);
    if (found == nullptr) qFatal("no control %s", name);
    return found;
  }
  QString Path(const QString& name) const { return dir->filePath(name); }

  void SetNames(const QString& source, const QString& destination) {
    Find<QLineEdit>("sourceEdit")->setText(source);
    Find<QLineEdit>("destinationEdit")->setText(destination);
  }

  void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }

  // The enabled state of the controls that the rules move, in a fixed order.
  QString EnabledControls() {
    QString state;
    for (const char* name : {"messageGroup", "messageEdit", "asNoteRadio", "asBirthDateRadio",
                             "noMessageRadio", "retainNotesCheck", "removeUnreferencedCheck",
                             "initialsOnlyCheck", "cutoffSpin", "forceCutoffCheck"}) {
      state += Find<QWidget>(name)->isEnabled() ? '1' : '0';
    }
    return state;
  }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    dialog = std::make_unique<CPrivatizerDlg>();
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    prompts->onMessage = [this](const ScriptedPrompts::Message& message) {
      if (message.kind != Kind::Information) return;
      if (std::optional<ProgressSnapshot> shown = VisibleProgressTexts()) {
        percentAtFinalMessage = shown->percent;
        statusAtFinalMessage = shown->status;
      }
    };
    dialog->SetPromptsForTest(std::move(scripted));
    dialog->show();
  }

  void cleanup() {
    dialog.reset();
    dir.reset();
  }

  void startsWithItsDefaults() {
    QCOMPARE(dialog->windowTitle(), QString("Hushtree"));
    QVERIFY(!dialog->windowIcon().pixmap(32, 32).isNull());
    QCOMPARE(Find<QLineEdit>("messageEdit")->text(),
             QString("Living Individual, details withheld"));
    QVERIFY(Find<QRadioButton>("removeDetailsRadio")->isChecked());
    QVERIFY(Find<QRadioButton>("asNoteRadio")->isChecked());
    for (const char* check :
         {"retainNotesCheck", "removeUnreferencedCheck", "initialsOnlyCheck", "forceCutoffCheck"}) {
      QVERIFY2(!Find<QCheckBox>(check)->isChecked(), check);
    }
    auto* cutoff = Find<QSpinBox>("cutoffSpin");
    QCOMPARE(cutoff->value(), privatize::DefaultCutoff());
    QCOMPARE(cutoff->minimum(), 0);
    QCOMPARE(cutoff->maximum(), 32000);
    QCOMPARE(EnabledControls(), QString("1111111111"));
  }

  void enablingRulesFollowClicks_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("enabled");
    // Order: message group, message, As Note, As Birth Date, No message, Retain Notes,
    // Remove Unreferenced, Initials Only, Cutoff, Force Cutoff.
    QTest::newRow("year only") << QStringList{"yearOnlyRadio"} << "0000011111";
    QTest::newRow("delete") << QStringList{"deleteLivingRadio"} << "0000000011";
    QTest::newRow("delete then year only")
        << QStringList{"deleteLivingRadio", "yearOnlyRadio"} << "0000011111";
    QTest::newRow("delete then remove details")
        << QStringList{"deleteLivingRadio", "removeDetailsRadio"} << "1111111111";
    QTest::newRow("no message") << QStringList{"noMessageRadio"} << "1011111111";
    QTest::newRow("no message then birth date")
        << QStringList{"noMessageRadio", "asBirthDateRadio"} << "1111111111";
    QTest::newRow("no message then as note")
        << QStringList{"noMessageRadio", "asNoteRadio"} << "1111111111";
    // Remove Details enables the message even while No message stays selected.
    QTest::newRow("no message, year only, remove details")
        << QStringList{"noMessageRadio", "yearOnlyRadio", "removeDetailsRadio"} << "1111111111";
  }
  void enablingRulesFollowClicks() {
    QFETCH(QStringList, clicks);
    QFETCH(QString, enabled);
    for (const QString& name : clicks) Click(qPrintable(name));
    QCOMPARE(EnabledControls(), enabled);
  }

  void rulesActOnlyOnClicks() {
    Find<QRadioButton>("deleteLivingRadio")->setChecked(true);
    QCOMPARE(EnabledControls(), QString("1111111111"));
  }

  // Moving through a radio group with the arrow keys checks each button as a click does, so
  // the rules must follow too.
  void arrowKeysInARadioGroupApplyTheRules() {
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto* removeDetails = Find<QRadioButton>("removeDetailsRadio");
    removeDetails->setFocus();
    QTest::keyClick(removeDetails, Qt::Key_Down);
    QVERIFY(Find<QRadioButton>("yearOnlyRadio")->isChecked());
    QCOMPARE(EnabledControls(), QString("0000011111"));
    QTest::keyClick(Find<QRadioButton>("yearOnlyRadio"), Qt::Key_Down);
    QVERIFY(Find<QRadioButton>("deleteLivingRadio")->isChecked());
    QCOMPARE(EnabledControls(), QString("0000000011"));
  }

  void badCutoffKeepsTheDialogOpen_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "Please enter an integer.";
    QTest::newRow("letters") << "abc"
                             << "Please enter an integer.";
    QTest::newRow("above range") << "40000"
                                 << "Please enter an integer between 0 and 32000.";
    QTest::newRow("below range") << "-5"
                                 << "Please enter an integer between 0 and 32000.";
  }
  void badCutoffKeepsTheDialogOpen() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    auto* cutoff = Find<QSpinBox>("cutoffSpin");
    // Typing is filtered by the spin box; a text that got past it is still refused.
    cutoff->findChild<QLineEdit*>()->setText(text);
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{message});
    QCOMPARE(prompts->messages.size(), 1);
    QCOMPARE(dialog->focusWidget(), cutoff);
    QVERIFY(!QFile::exists(Path("out.ged")));
    QVERIFY(dialog->isVisible());
  }

  // An emptied Cutoff must not quietly turn back into the last value when the user clicks
  // Process or presses Enter: the run would start with a cutoff nobody entered.
  void emptiedCutoffIsRefusedWhenProcessIsPressed() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto* cutoff = Find<QSpinBox>("cutoffSpin");
    auto* cutoffText = cutoff->findChild<QLineEdit*>();
    cutoff->setFocus();
    cutoff->selectAll();
    QTest::keyClick(cutoffText, Qt::Key_Backspace);
    QCOMPARE(cutoffText->text(), QString());

    QTest::mouseClick(Find<QPushButton>("processButton"), Qt::LeftButton);
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Please enter an integer."});
    QCOMPARE(cutoffText->text(), QString());
    QCOMPARE(dialog->focusWidget(), cutoff);

    prompts->Clear();
    QTest::keyClick(cutoffText, Qt::Key_Return);
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Please enter an integer."});
    QVERIFY(!QFile::exists(Path("out.ged")));

    // Corrected, it runs.
    prompts->Clear();
    QTest::keyClicks(cutoffText, "1900");
    QTest::keyClick(cutoffText, Qt::Key_Return);
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kWritten});
    QCOMPARE(dialog->Options().cutoffYear, 1900);
  }

  void completedRunsWriteWhatTheEngineWrites() {
    struct Case {
      const char* name;
      std::function<void()> setUp;
      std::function<void(PrivatizeOptions&)> expect;
    };
    const std::vector<Case> cases = {
        {"defaults with cutoff 1900", [this] { Find<QSpinBox>("cutoffSpin")->setValue(1900); },
         [](PrivatizeOptions& o) { o.cutoffYear = 1900; }},
        {"year only, unreferenced, retained notes",
         [this] {
           Click("yearOnlyRadio");
           Click("removeUnreferencedCheck");
           Click("retainNotesCheck");
           Find<QSpinBox>("cutoffSpin")->setValue(1850);
         },
         [](PrivatizeOptions& o) {
           o.cutoffYear = 1850;
           o.mode = ProcessingMode::YearOnly;
           o.removeUnreferenced = true;
           o.retainNotes = true;
         }},
        {"delete individuals ignores the unreferenced box",
         [this] {
           Click("deleteLivingRadio");
           Find<QSpinBox>("cutoffSpin")->setValue(1900);
         },
         [](PrivatizeOptions& o) {
           o.cutoffYear = 1900;
           o.mode = ProcessingMode::DeleteLiving;
         }},
        {"birth date message, initials, forced, relative cutoff",
         [this] {
           Click("asBirthDateRadio");
           Click("initialsOnlyCheck");
           Click("forceCutoffCheck");
           Find<QLineEdit>("messageEdit")->setText("Private");
           Find<QSpinBox>("cutoffSpin")->setValue(150);
         },
         [](PrivatizeOptions& o) {
           o.cutoffYear = privatize::CurrentYear() - 150;
           o.placement = MessagePlacement::AsBirthDate;
           o.initialsOnly = true;
           o.forceCutoff = true;
           o.message = "Private";
         }},
    };
    for (const Case& test : cases) {
      init();
      test.setUp();
      REQUIRE_SAMPLE(kSample);
      SetNames(kSample, Path("out.ged"));
      StatusRecorder recorder;
      recorder.Start();
      dialog->Process();
      PrivatizeOptions expected = DialogDefaults();
      test.expect(expected);
      const QByteArray engineOutput = RunEngine(kSample, expected);
      QVERIFY2(ReadAll(Path("out.ged")) == engineOutput, test.name);
      QVERIFY2(prompts->TextsOf(Kind::Information) == QStringList{kWritten}, test.name);
      QVERIFY2(prompts->TextsOf(Kind::Warning).isEmpty(), test.name);
      QCOMPARE(statusAtFinalMessage, QString("Cleaning up"));
      QCOMPARE(percentAtFinalMessage, QString("100%"));
      QVERIFY2(recorder.statuses.contains("Scanning for living individuals"), test.name);
      QVERIFY2(recorder.statuses.contains("Creating new GEDCOM file"), test.name);
      QCOMPARE(recorder.statuses.last(), QString("Cleaning up"));
      const bool referencesScanned =
          expected.removeUnreferenced || expected.mode == ProcessingMode::DeleteLiving;
      QVERIFY2(recorder.statuses.contains("Scanning for referenced data") == referencesScanned,
               test.name);
      QVERIFY2(recorder.statuses.contains("Scanning for unlinked individuals") == referencesScanned,
               test.name);
      QVERIFY(dialog->isEnabled());
      cleanup();
    }
  }

  void cancelAnsweredNoThenYesAborts() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    prompts->answers = {false, true};
    int questions = 0;
    prompts->onQuestion = [&questions](const QString&) {
      if (++questions == 1) ClickCancelAtNextPump();
    };
    ClickCancelAtNextPump();
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList({kCancelQuestion, kCancelQuestion}));
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QCOMPARE(statusAtFinalMessage, QString("Cleaning up"));
    QVERIFY(QFile::exists(Path("out.ged")));
    QVERIFY(dialog->isEnabled());
  }

  void cancelAnsweredNoFinishesNormally() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    prompts->answers = {false};
    ClickCancelAtNextPump();
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{kCancelQuestion});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kWritten});
    QCOMPARE(ReadAll(Path("out.ged")), RunEngine(kSample, DialogDefaults()));
  }

  void replaceYesHoldsUntilARunCompletes() {
    REQUIRE_SAMPLE(kSample);
    QFile::copy(kSample, Path("out.ged"));
    SetNames(kSample, Path("out.ged"));
    const QString question =
        Path("out.ged") + "\nThis file already exists.\n\nReplace existing file ?";

    prompts->answers = {false};
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{question});
    QVERIFY(!dialog->DestinationConfirmed());
    QCOMPARE(dialog->focusWidget(), Find<QLineEdit>("destinationEdit"));

    // Yes, then Cancel: the answer holds for the next run.
    prompts->Clear();
    prompts->answers = {true, true};
    prompts->onQuestion = [&question](const QString& asked) {
      if (asked == question) ClickCancelAtNextPump();
    };
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QVERIFY(dialog->DestinationConfirmed());

    prompts->Clear();
    prompts->onQuestion = nullptr;
    dialog->Process();
    QVERIFY(prompts->TextsOf(Kind::Question).isEmpty());
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kWritten});
    QVERIFY(!dialog->DestinationConfirmed());

    // A completed run forgets it: asked again.
    prompts->Clear();
    prompts->answers = {true};
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{question});
    QVERIFY(!prompts->unexpectedQuestion);
  }

  void writeFailureIsNotReportedAsWritten() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, "/dev/full");
    prompts->answers = {true};
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error writing To file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QCOMPARE(prompts->messages.last().kind, Kind::Information);
    // A failed run does not count as completed.
    QVERIFY(dialog->DestinationConfirmed());
  }

  void readFailureIsNotReportedAsWritten() {
    // Reading the start of the own address space fails with an I/O error.
    SetNames("/proc/self/mem", Path("out.ged"));
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error reading From file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
  }

  void utf16SourceIsRefused() {
    const QString utf16 = QString(GEDTOOLS_SAMPLE_DIR) + "/555SAMPLE16BE.GED";
    REQUIRE_SAMPLE(utf16);
    SetNames(utf16, Path("out.ged"));
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning).size(), 1);
    QVERIFY(prompts->TextsOf(Kind::Warning).front().startsWith(utf16 + "\n"));
    QVERIFY(!QFile::exists(Path("out.ged")));
    QCOMPARE(dialog->focusWidget(), Find<QLineEdit>("sourceEdit"));
  }

  void aboutShowsTheVersion() {
    dialog = std::make_unique<CPrivatizerDlg>();  // with the real prompts
    dialog->show();
    QCOMPARE(ActionTexts(*dialog), QStringList({"&Help", "&About Hushtree..."}));
    const AboutBoxSeen about = OpenAboutBox(Find<QAction>("aboutAction"));
    QCOMPARE(about.text, QString("About Hushtree|Hushtree Version 1.1"));
    QVERIFY2(about.failures.isEmpty(), qPrintable(about.failures.join("; ")));
  }

  void helpOpensWithF1() {
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    auto* viewer = dialog->findChild<HelpViewer*>("helpViewer");
    QVERIFY(viewer);
    QTRY_VERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QString("Hushtree Help"));
    QVERIFY(viewer->PageText().contains("Remove Unreferenced Data"));
    QVERIFY(dialog->isEnabled());  // the help does not block the dialog
  }

  void versionIsPrintedWithoutAWindow() {
    CheckPrintsWithoutDisplay(QString(GEDTOOLS_BINARY_DIR) + "/privatize/dialog/hushtree",
                              {"--version"}, "Hushtree Version 1.1\n");
  }

  // Not a check: renders the dialogs for the documentation when asked to.
  void screenshots() {
    const QByteArray folder = qgetenv("GEDTOOLS_SCREENSHOT_DIR");
    if (folder.isEmpty()) QSKIP("GEDTOOLS_SCREENSHOT_DIR is not set");
    SetNames("/home/ann/genealogy/family.ged", "/home/ann/genealogy/familyNew.ged");
    Find<QCheckBox>("removeUnreferencedCheck")->setChecked(true);
    dialog->adjustSize();
    QVERIFY(dialog->grab().save(QString(folder) + "/hushtree.png"));

    ScriptedPrompts quiet;
    CJobProgressDlg progress(quiet, "Privatizing GEDCOM File");
    progress.OpenModeless(dialog.get());
    progress.SetStatus("Scanning for living individuals");
    progress.Show(42);
    progress.adjustSize();
    QVERIFY(progress.grab().save(QString(folder) + "/hushtree-progress.png"));
  }
};

QTEST_MAIN(PrivatizerDialogTest)
#include "privatizer_dialog_test.moc"
