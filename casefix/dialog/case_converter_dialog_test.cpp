// case_converter_dialog_test.cpp - Lettrim's dialog driven through its controls.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <sstream>

#include "case_conversion.h"
#include "case_converter_dialog.h"
#include "dialog_program_checks.h"
#include "help_viewer.h"
#include "job_progress_dialog.h"
#include "modal_driver.h"
#include "progress_driver.h"
#include "scripted_prompts.h"

namespace {

using Kind = ScriptedPrompts::Kind;

const QString kSample = QString(GEDTOOLS_SAMPLE_DIR) + "/royal92.ged";

const QString kAborted = "Conversion aborted.\nAn invalid file might exist.";

class SilentHook : public gedtext::ProgressHook {
 public:
  void SetStatus(std::string_view) override {}
  void Show(int) override {}
  bool AskStop() override { return false; }
};

struct EngineRun {
  QByteArray output;
  casefix::CaseConversionResult result;
};

EngineRun RunEngine(const QString& source, const casefix::CaseConversionOptions& options) {
  std::ifstream in(QFile::encodeName(source).toStdString(), std::ios::binary);
  std::ostringstream out(std::ios::binary);
  SilentHook hook;
  EngineRun run;
  run.result = casefix::RunCaseConversion(in, out, options, hook);
  run.output = QByteArray::fromStdString(out.str());
  return run;
}

}  // namespace

class CaseConverterDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<CCaseConverterDlg> dialog;
  ScriptedPrompts* prompts = nullptr;  // owned by dialog
  ProgressSnapshot atFinalMessage;     // what the progress dialog showed at the final message

  template <typename T>
  T* Find(const char* name) {
    return dialog->findChild<T*>(name);
  }
  QString Path(const QString& name) const { return dir->filePath(name); }

  void UseScriptedPrompts() {
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    prompts->onMessage = [this](const ScriptedPrompts::Message& message) {
      if (message.kind != Kind::Information) return;
      if (std::optional<ProgressSnapshot> shown = VisibleProgressTexts()) atFinalMessage = *shown;
    };
    dialog->SetPromptsForTest(std::move(scripted));
  }

  void SetNames(const QString& source, const QString& destination) {
    Find<QLineEdit>("sourceEdit")->setText(source);
    Find<QLineEdit>("destinationEdit")->setText(destination);
  }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    dialog = std::make_unique<CCaseConverterDlg>();
    UseScriptedPrompts();
    atFinalMessage = {};
    dialog->show();
  }

  void cleanup() {
    dialog.reset();
    dir.reset();
  }

  void startsWithDefaultsAndExclusiveCaseChoice() {
    auto* lower = Find<QRadioButton>("lowercaseRadio");
    auto* upper = Find<QRadioButton>("uppercaseRadio");
    QVERIFY(lower->isChecked());
    QVERIFY(!upper->isChecked());
    QVERIFY(!Find<QCheckBox>("surnameOnlyCheck")->isChecked());
    QVERIFY(!Find<QCheckBox>("placesCheck")->isChecked());
    QCOMPARE(dialog->windowTitle(), QString("Lettrim"));
    QVERIFY(!dialog->windowIcon().pixmap(32, 32).isNull());
    QTest::mouseClick(upper, Qt::LeftButton);
    QVERIFY(upper->isChecked());
    QVERIFY(!lower->isChecked());
    QTest::mouseClick(lower, Qt::LeftButton);
    QVERIFY(lower->isChecked());
    QVERIFY(!upper->isChecked());
  }

  void aboutShowsTheVersion() {
    dialog = std::make_unique<CCaseConverterDlg>();  // with the real prompts
    dialog->show();
    QCOMPARE(ActionTexts(*dialog), QStringList({"&Help", "&About Lettrim..."}));
    const AboutBoxSeen about = OpenAboutBox(Find<QAction>("aboutAction"));
    QCOMPARE(about.text, QString("About Lettrim|Lettrim Version 1.0"));
    QVERIFY2(about.failures.isEmpty(), qPrintable(about.failures.join("; ")));
  }

  void helpOpensWithF1() {
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    auto* viewer = dialog->findChild<HelpViewer*>("helpViewer");
    QVERIFY(viewer);
    QTRY_VERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QString("Lettrim Help"));
    QVERIFY(viewer->PageText().contains("Surname only"));
  }

  void versionIsPrintedWithoutAWindow() {
    CheckPrintsWithoutDisplay(QString(GEDTOOLS_BINARY_DIR) + "/casefix/dialog/lettrim",
                              {"--version"}, "Lettrim Version 1.0\n");
  }

  void defaultRunWritesWhatTheEngineWrites() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    dialog->Process();
    const EngineRun expected = RunEngine(kSample, {});
    QCOMPARE(expected.result.outcome, gedtext::JobOutcome::Completed);
    QCOMPARE(ReadAll(Path("out.ged")), expected.output);
    QCOMPARE(prompts->TextsOf(Kind::Information),
             QStringList{QString("Conversion to lowercase completed\n%1 names changed, %2 places "
                                 "changed")
                             .arg(expected.result.namesChanged)
                             .arg(0)});
    QVERIFY(expected.result.namesChanged > 0);
    QVERIFY(prompts->TextsOf(Kind::Warning).isEmpty());
    QCOMPARE(atFinalMessage.title, QString("Building New GEDCOM"));
    QCOMPARE(atFinalMessage.status, QString("Converting case of names"));
    QCOMPARE(atFinalMessage.percent, QString("100%"));
    QVERIFY(dialog->isEnabled());
  }

  void uppercasePlacesRunUsesTheOptionsOnScreen() {
    QTest::mouseClick(Find<QRadioButton>("uppercaseRadio"), Qt::LeftButton);
    Find<QCheckBox>("placesCheck")->setChecked(true);
    Find<QCheckBox>("surnameOnlyCheck")->setChecked(true);
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    dialog->Process();
    casefix::CaseConversionOptions options;
    options.upperCase = 1;
    options.surnameOnly = true;
    options.convertPlaces = true;
    const EngineRun expected = RunEngine(kSample, options);
    QCOMPARE(ReadAll(Path("out.ged")), expected.output);
    QVERIFY(expected.result.placesChanged > 0);
    QCOMPARE(prompts->TextsOf(Kind::Information),
             QStringList{QString("Conversion to uppercase completed\n%1 names changed, %2 places "
                                 "changed")
                             .arg(expected.result.namesChanged)
                             .arg(expected.result.placesChanged)});
    QCOMPARE(atFinalMessage.status, QString("Converting case of names and places"));
    // A run changes none of the options.
    QVERIFY(Find<QRadioButton>("uppercaseRadio")->isChecked());
    QVERIFY(Find<QCheckBox>("placesCheck")->isChecked());
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
    QCOMPARE(prompts->TextsOf(Kind::Question),
             QStringList({"Are you sure you want to Cancel?", "Are you sure you want to Cancel?"}));
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    const QByteArray partial = ReadAll(Path("out.ged"));
    QVERIFY(partial.size() > 0);
    QVERIFY(RunEngine(kSample, {}).output.startsWith(partial));
    QVERIFY(!dialog->DestinationConfirmed());
  }

  void cancelAnsweredNoFinishesNormally() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    prompts->answers = {false};
    ClickCancelAtNextPump();
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question).size(), 1);
    QVERIFY(prompts->TextsOf(Kind::Information).front().startsWith("Conversion to lowercase"));
    QCOMPARE(ReadAll(Path("out.ged")), RunEngine(kSample, {}).output);
  }

  void replaceYesDoesNotConfirmForLaterRuns() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, Path("out.ged"));
    dialog->Process();
    prompts->Clear();
    prompts->answers = {true};
    prompts->onQuestion = [](const QString&) { ClickCancelAtNextPump(); };
    dialog->Process();  // asked to replace, then cancelled
    prompts->Clear();
    prompts->onQuestion = nullptr;
    prompts->answers = {false};
    dialog->Process();
    QCOMPARE(
        prompts->TextsOf(Kind::Question),
        QStringList{Path("out.ged") + "\nThis file already exists.\n\nReplace existing file ?"});
  }

  void writeFailureShowsErrorThenAborted() {
    REQUIRE_SAMPLE(kSample);
    SetNames(kSample, "/dev/full");
    prompts->answers = {true};
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error writing To file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QCOMPARE(prompts->messages.last().kind, Kind::Information);
  }

  void readFailureShowsErrorThenAborted() {
    // Reading the start of the own address space fails with an I/O error.
    SetNames("/proc/self/mem", Path("out.ged"));
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error reading From file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
  }

  void utf16SourceIsRefusedBeforeTheDestinationIsTouched() {
    const QString utf16 = QString(GEDTOOLS_SAMPLE_DIR) + "/555SAMPLE16LE.GED";
    REQUIRE_SAMPLE(utf16);
    SetNames(utf16, Path("out.ged"));
    dialog->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning).size(), 1);
    QVERIFY(prompts->TextsOf(Kind::Warning).front().startsWith(utf16 + "\n"));
    QVERIFY(prompts->TextsOf(Kind::Information).isEmpty());
    QVERIFY(!QFile::exists(Path("out.ged")));
    QCOMPARE(dialog->focusWidget(), Find<QLineEdit>("sourceEdit"));
  }

  // Not a check: renders the dialogs for the documentation when asked to.
  void screenshots() {
    const QByteArray folder = qgetenv("GEDTOOLS_SCREENSHOT_DIR");
    if (folder.isEmpty()) QSKIP("GEDTOOLS_SCREENSHOT_DIR is not set");
    SetNames("/home/ann/genealogy/family.ged", "/home/ann/genealogy/familyNew.ged");
    Find<QCheckBox>("placesCheck")->setChecked(true);
    dialog->adjustSize();
    QVERIFY(dialog->grab().save(QString(folder) + "/lettrim.png"));

    ScriptedPrompts quiet;
    CJobProgressDlg progress(quiet, "Building New GEDCOM");
    progress.OpenModeless(dialog.get());
    progress.SetStatus("Converting case of names and places");
    progress.Show(42);
    progress.adjustSize();
    QVERIFY(progress.grab().save(QString(folder) + "/lettrim-progress.png"));
  }
};

QTEST_MAIN(CaseConverterDialogTest)
#include "case_converter_dialog_test.moc"
