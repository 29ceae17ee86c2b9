// file_pair_dialog_test.cpp - the file-pair frame and the progress dialog, driven like a user
// would.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include <sys/stat.h>  // mkfifo
#include <unistd.h>    // geteuid

#include "destination_name.h"
#include "file_pair_dialog.h"
#include "help_viewer.h"
#include "job_files.h"
#include "job_progress_dialog.h"
#include "modal_driver.h"
#include "progress_driver.h"
#include "scripted_prompts.h"

namespace {

using Kind = ScriptedPrompts::Kind;

const QString kDone = "Copy written";
const QString kAborted = "Copy aborted";

// A frame whose job copies the source in twenty steps, reporting each step and honouring
// Cancel, so the frame's own behaviour can be watched without any GEDCOM engine.
class CopyingFrame : public CFilePairDlg {
 public:
  explicit CopyingFrame(bool replaceConfirms = false) : CFilePairDlg(Settings(replaceConfirms)) {
    auto* column = new QVBoxLayout(this);
    column->addLayout(CreateFileRows());
    column->addLayout(CreateCommandRow());
    SetTabOrder({});
  }

  int jobsRun = 0;

 protected:
  JobReport RunJob(JobFiles& files, CJobProgressDlg& progress) override {
    ++jobsRun;
    progress.SetStatus("Copying");
    const std::uint64_t size = files.SourceSize();
    const std::uint64_t step = size / 20 + 1;
    std::string chunk(step, '\0');
    std::uint64_t copied = 0;
    int shown = 0;
    while (files.Source().read(chunk.data(), static_cast<std::streamsize>(step)) ||
           files.Source().gcount() > 0) {
      const std::streamsize got = files.Source().gcount();
      files.Destination().write(chunk.data(), got);
      copied += static_cast<std::uint64_t>(got);
      const int percent = size == 0 ? 100 : static_cast<int>(copied * 100 / size);
      if (percent != shown) {
        shown = percent;
        progress.Show(percent);
        if (progress.AskStop()) return {gedtext::JobOutcome::Cancelled, {}};
      }
    }
    return {gedtext::JobOutcome::Completed, {}};
  }

  QString FinalMessage(gedtext::JobOutcome outcome) const override {
    return outcome == gedtext::JobOutcome::Completed ? kDone : kAborted;
  }

 private:
  static FilePairSettings Settings(bool replaceConfirms) {
    FilePairSettings settings;
    settings.identity = {"Copier", "About Copier", "Copier Version 0.1", {}};
    settings.progressTitle = "Copying File";
    settings.aboutActionText = "&About Copier...";
    settings.processTip = "Copy the file";
    settings.replaceAnswerConfirmsDestination = replaceConfirms;
    return settings;
  }
};

QString ReadAll(const QString& name) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return QString::fromLatin1(file.readAll());
}

void WriteAll(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QByteArray SampleBytes() {
  QByteArray bytes;
  for (int i = 0; i < 500; ++i) bytes += "1 NOTE line " + QByteArray::number(i) + "\r\n";
  return bytes;
}

}  // namespace

class FilePairDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<CopyingFrame> frame;
  ScriptedPrompts* prompts = nullptr;  // owned by frame
  QLineEdit* source = nullptr;
  QLineEdit* destination = nullptr;

  QString Path(const QString& name) const { return dir->filePath(name); }

  void MakeFrame(bool replaceConfirms = false) {
    frame = std::make_unique<CopyingFrame>(replaceConfirms);
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    frame->SetPromptsForTest(std::move(scripted));
    source = frame->findChild<QLineEdit*>("sourceEdit");
    destination = frame->findChild<QLineEdit*>("destinationEdit");
    frame->show();
  }

  // Focus events and shortcuts reach only the active window.
  void Activate() {
    QApplication::setActiveWindow(frame.get());
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
  }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    WriteAll(Path("family.ged"), SampleBytes());
    MakeFrame();
  }

  void cleanup() {
    frame.reset();
    dir.reset();
  }

  void proposesNewBeforeTheFileNamesExtension_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("proposal");
    QTest::newRow("extension") << "family.ged"
                               << "familyNew.ged";
    QTest::newRow("no dot") << "family"
                            << "familyNew";
    QTest::newRow("last dot counts") << "/home/a/family.v2.ged"
                                     << "/home/a/family.v2New.ged";
    QTest::newRow("dot in folder only") << "/home/old.files/family"
                                        << "/home/old.files/familyNew";
    QTest::newRow("dot in folder and name") << "old.files/tree.ged"
                                            << "old.files/treeNew.ged";
    QTest::newRow("hidden file") << "/tmp/.ged"
                                 << "/tmp/.gedNew";
    QTest::newRow("leading dot") << ".ged"
                                 << ".gedNew";
  }
  void proposesNewBeforeTheFileNamesExtension() {
    QFETCH(QString, source);
    QFETCH(QString, proposal);
    QCOMPARE(ProposeDestinationName(source), proposal);
  }

  void focusOnEmptyDestinationProposesAName() {
    Activate();
    source->setText("/data/old.files/family");
    destination->setFocus();
    QTRY_COMPARE(destination->text(), QString("/data/old.files/familyNew"));

    source->setFocus();
    destination->setText("mine.ged");
    destination->setFocus();
    QTRY_VERIFY(destination->hasFocus());
    QCOMPARE(destination->text(), QString("mine.ged"));

    // Nothing to propose from an empty source.
    source->clear();
    source->setFocus();
    destination->clear();
    destination->setFocus();
    QTRY_VERIFY(destination->hasFocus());
    QCOMPARE(destination->text(), QString());
  }

  void checksRefuseWithTheirMessageAndFocus_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString family = "family.ged";
    QTest::newRow("no source") << ""
                               << "out.ged"
                               << "From file must be specified"
                               << "sourceEdit";
    QTest::newRow("no destination") << family << ""
                                    << "To file must be specified"
                                    << "destinationEdit";
    QTest::newRow("same text") << family << family
                               << "From file and To file cannot be the same file"
                               << "destinationEdit";
    QTest::newRow("same file, other spelling") << family << "./sub/../family.ged"
                                               << "From file and To file cannot be the same file"
                                               << "destinationEdit";
    QTest::newRow("same file through a link") << family << "link.ged"
                                              << "From file and To file cannot be the same file"
                                              << "destinationEdit";
    QTest::newRow("source missing") << "missing.ged"
                                    << "out.ged"
                                    << "Error opening %from"
                                    << "sourceEdit";
    QTest::newRow("source is a folder") << "sub"
                                        << "out.ged"
                                        << "Error opening %from"
                                        << "sourceEdit";
    QTest::newRow("destination folder missing") << family << "nowhere/out.ged"
                                                << "Error opening %to"
                                                << "destinationEdit";
  }
  void checksRefuseWithTheirMessageAndFocus() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QVERIFY(QDir(dir->path()).mkdir("sub"));
    QVERIFY(QFile::link(Path("family.ged"), Path("link.ged")));
    auto absolute = [this](const QString& name) { return name.isEmpty() ? name : Path(name); };
    // The "other spelling" row mixes a relative form with the absolute one.
    const QString toName = to.startsWith("./") ? dir->path() + "/" + to : absolute(to);
    source->setText(absolute(from));
    destination->setText(toName);
    message.replace("%from", absolute(from)).replace("%to", toName);

    frame->Process();

    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{message});
    QCOMPARE(prompts->messages.size(), 1);
    QCOMPARE(frame->focusWidget()->objectName(), focus);
    QCOMPARE(frame->jobsRun, 0);
    QVERIFY(frame->isEnabled());
    QCOMPARE(ReadAll(Path("family.ged")), QString::fromLatin1(SampleBytes()));
    if (!to.isEmpty() && !to.contains("family") && !to.contains("link")) {
      QVERIFY(!QFile::exists(toName));
    }
  }

  void completedRunCopiesAndReportsAndReenables() {
    source->setText(Path("family.ged"));
    destination->setText(Path("copy.ged"));
    frame->Process();
    QCOMPARE(frame->jobsRun, 1);
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kDone});
    QVERIFY(prompts->TextsOf(Kind::Warning).isEmpty());
    QCOMPARE(ReadAll(Path("copy.ged")), QString::fromLatin1(SampleBytes()));
    QVERIFY(frame->isEnabled());
    QVERIFY(VisibleProgressDialog() == nullptr);
    QCOMPARE(source->text(), Path("family.ged"));
    QCOMPARE(destination->text(), Path("copy.ged"));
  }

  void replaceQuestionGuardsAnExistingDestination() {
    WriteAll(Path("old.ged"), "keep me");
    source->setText(Path("family.ged"));
    destination->setText(Path("old.ged"));
    const QString question =
        Path("old.ged") + "\nThis file already exists.\n\nReplace existing file ?";

    prompts->answers = {false};
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{question});
    QCOMPARE(frame->jobsRun, 0);
    QCOMPARE(frame->focusWidget(), destination);
    QCOMPARE(ReadAll(Path("old.ged")), QString("keep me"));

    // Without the confirming rule every run asks again, completed or not.
    for (int run = 1; run <= 2; ++run) {
      prompts->Clear();
      prompts->answers = {true};
      frame->Process();
      QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{question});
      QCOMPARE(frame->jobsRun, run);
      QVERIFY(!frame->DestinationConfirmed());
    }
    QVERIFY(!prompts->unexpectedQuestion);
  }

  void yesConfirmsTheDestinationWhenTheProgramSaysSo() {
    MakeFrame(true);
    WriteAll(Path("old.ged"), "keep me");
    source->setText(Path("family.ged"));
    destination->setText(Path("old.ged"));

    // Cancelled run: the Yes holds, the next run asks nothing.
    prompts->answers = {true, true};
    ClickCancelAtNextPump();
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QVERIFY(frame->DestinationConfirmed());

    prompts->Clear();
    frame->Process();
    QVERIFY(prompts->TextsOf(Kind::Question).isEmpty());
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kDone});
    // A completed run forgets the answer.
    QVERIFY(!frame->DestinationConfirmed());
    prompts->Clear();
    prompts->answers = {false};
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question).size(), 1);
    QVERIFY(!prompts->unexpectedQuestion);
  }

  void browseFillsNamesAndConfirmsTheDestination() {
    WriteAll(Path("chosen.ged"), "old");
    ModalDriver driver;
    driver.Expect([this](QWidget* dialog) { AcceptFileDialogWith(dialog, Path("family.ged")); });
    frame->findChild<QPushButton*>("sourceBrowseButton")->click();
    QCOMPARE(source->text(), Path("family.ged"));
    QCOMPARE(destination->text(), Path("familyNew.ged"));
    QVERIFY(!frame->DestinationConfirmed());

    // Cancelling the Save As dialog changes nothing.
    driver.Expect([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    frame->findChild<QPushButton*>("destinationBrowseButton")->click();
    QCOMPARE(destination->text(), Path("familyNew.ged"));
    QVERIFY(!frame->DestinationConfirmed());

    // Choosing an existing file: the file dialog asks its own question first.
    driver.Expect([this](QWidget* dialog) { AcceptFileDialogWith(dialog, Path("chosen.ged")); });
    driver.Expect([](QWidget* box) { PressMessageBoxButton(box, QMessageBox::Yes); });
    frame->findChild<QPushButton*>("destinationBrowseButton")->click();
    QCOMPARE(destination->text(), Path("chosen.ged"));
    QVERIFY(frame->DestinationConfirmed());
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
    QVERIFY(driver.AllAnswered());

    // Browsing the source again keeps a destination that is there.
    driver.Expect([this](QWidget* dialog) { AcceptFileDialogWith(dialog, Path("family.ged")); });
    frame->findChild<QPushButton*>("sourceBrowseButton")->click();
    QCOMPARE(destination->text(), Path("chosen.ged"));

    // The Save As dialog opens on the existing destination; another existing file chosen there
    // replaces it, not the preselected one.
    WriteAll(Path("other.ged"), "old");
    driver.Expect([this](QWidget* dialog) { AcceptFileDialogWith(dialog, Path("other.ged")); });
    driver.Expect([](QWidget* box) { PressMessageBoxButton(box, QMessageBox::Yes); });
    frame->findChild<QPushButton*>("destinationBrowseButton")->click();
    QCOMPARE(destination->text(), Path("other.ged"));
    QVERIFY(frame->DestinationConfirmed());
    QVERIFY(driver.AllAnswered());

    // Confirmed through Browse: no question, even for a name typed over it.
    WriteAll(Path("typed.ged"), "old");
    destination->setText(Path("typed.ged"));
    frame->Process();
    QVERIFY(prompts->TextsOf(Kind::Question).isEmpty());
    QCOMPARE(ReadAll(Path("typed.ged")), QString::fromLatin1(SampleBytes()));
    QVERIFY(!frame->DestinationConfirmed());
    prompts->answers = {false};
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question).size(), 1);
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
  }

  void cancelAnsweredNoGoesOnAndYesStops() {
    source->setText(Path("family.ged"));
    destination->setText(Path("copy.ged"));
    prompts->answers = {false, true};
    int questions = 0;
    prompts->onQuestion = [&questions](const QString&) {
      if (++questions == 1) ClickCancelAtNextPump();
    };
    ClickCancelAtNextPump();
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question),
             QStringList({"Are you sure you want to Cancel?", "Are you sure you want to Cancel?"}));
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    const QString partial = ReadAll(Path("copy.ged"));
    QVERIFY(!partial.isEmpty());
    QVERIFY(partial.size() < SampleBytes().size());
    QVERIFY(frame->isEnabled());

    // No alone lets the job run to its end.
    prompts->Clear();
    prompts->answers = {false};
    prompts->onQuestion = nullptr;
    destination->setText(Path("copy2.ged"));
    ClickCancelAtNextPump();
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question), QStringList{"Are you sure you want to Cancel?"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kDone});
    QCOMPARE(ReadAll(Path("copy2.ged")), QString::fromLatin1(SampleBytes()));
  }

  void writeFailureIsReportedBeforeTheAbortedMessage() {
    source->setText(Path("family.ged"));
    destination->setText("/dev/full");
    prompts->answers = {true};
    frame->Process();
    QCOMPARE(frame->jobsRun, 1);
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error writing To file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
    QCOMPARE(prompts->messages.last().kind, Kind::Information);
    QVERIFY(frame->isEnabled());
  }

  void namedPipeDestinationDoesNotFreezeTheCheck() {
    const QByteArray pipe = QFile::encodeName(Path("pipe.ged"));
    QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
    source->setText(Path("family.ged"));
    destination->setText(Path("pipe.ged"));
    prompts->answers = {false};
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question).size(), 1);
    QCOMPARE(frame->jobsRun, 0);
  }

  void unreadableExistingDestinationIsNotReplacedWithoutAsking() {
    if (::geteuid() == 0) QSKIP("root reads every file");
    WriteAll(Path("keep.ged"), "0 HEAD\r\n");
    QVERIFY(QFile::setPermissions(Path("keep.ged"), QFile::WriteOwner));
    source->setText(Path("family.ged"));
    destination->setText(Path("keep.ged"));
    prompts->answers = {false};
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Question).size(), 1);
    QCOMPARE(frame->jobsRun, 0);
    QVERIFY(QFile::setPermissions(Path("keep.ged"), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(ReadAll(Path("keep.ged")), QString("0 HEAD\r\n"));
  }

  void readFailureIsReportedBeforeTheAbortedMessage() {
    // Reading the start of the own address space fails with an I/O error.
    source->setText("/proc/self/mem");
    destination->setText(Path("copy.ged"));
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"Error reading From file"});
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kAborted});
  }

  void namesLongerThanTheOldBufferWork() {
    QString folder = dir->path();
    while (folder.size() < 700) {
      folder += "/a-rather-long-folder-name-for-a-family-tree";
      QVERIFY(QDir().mkpath(folder));
    }
    const QString longSource = folder + "/family.ged";
    QVERIFY(QFile::copy(Path("family.ged"), longSource));
    Activate();
    source->setText(longSource);
    destination->setFocus();
    QTRY_COMPARE(destination->text(), folder + "/familyNew.ged");
    frame->Process();
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kDone});
    QCOMPARE(ReadAll(folder + "/familyNew.ged"), QString::fromLatin1(SampleBytes()));
  }

  void enterProcessesAndEscapeCloses() {
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(prompts->TextsOf(Kind::Warning), QStringList{"From file must be specified"});
    QTest::keyClick(source, Qt::Key_Escape);
    QVERIFY(!frame->isVisible());
    QCOMPARE(frame->result(), int(QDialog::Rejected));
  }

  void exitIsRefusedWhileAJobRuns() {
    source->setText(Path("family.ged"));
    destination->setText(Path("copy.ged"));
    bool stillOpen = false;
    QMetaObject::invokeMethod(
        qApp,
        [this, &stillOpen] {
          frame->findChild<QPushButton*>("exitButton")->click();
          frame->reject();
          stillOpen = frame->isVisible();
        },
        Qt::QueuedConnection);
    frame->Process();
    QVERIFY(stillOpen);
    QCOMPARE(prompts->TextsOf(Kind::Information), QStringList{kDone});
    QVERIFY(frame->isVisible());
  }

  void aboutIsReachableFromTheDialog() {
    auto* about = frame->findChild<QAction*>("aboutAction");
    QVERIFY(about);
    QCOMPARE(about->text(), QString("&About Copier..."));
    QVERIFY(frame->actions().contains(about));
    QCOMPARE(frame->contextMenuPolicy(), Qt::ActionsContextMenu);
    // Without help pages there is no Help entry, and F1 does nothing.
    QVERIFY(!frame->findChild<QAction*>("helpAction"));
    Activate();
    QTest::keyClick(frame.get(), Qt::Key_F1);
    QVERIFY(prompts->messages.isEmpty());
    about->trigger();
    QCOMPARE(prompts->messages.size(), 1);
    QCOMPARE(prompts->messages.front().kind, Kind::About);
  }

  void helpComesFromTheInstalledFolderElseFromTheProgram() {
    const QString program = "copier-help-test";
    QCOMPARE(HelpStartPage(program), QUrl("qrc:/help/copier-help-test/index.html"));
    // An installed copy beside the executable wins.
    QDir installed(QCoreApplication::applicationDirPath() + "/../share/gedtools/help/" + program);
    QVERIFY(installed.mkpath("."));
    WriteAll(installed.filePath("index.html"), "<html><body>Installed help</body></html>");
    const QUrl page = HelpStartPage(program);
    QVERIFY(page.isLocalFile());
    QCOMPARE(QFileInfo(page.toLocalFile()).canonicalFilePath(),
             QFileInfo(installed.filePath("index.html")).canonicalFilePath());
    HelpViewer viewer("Copier Help", page, frame.get());
    QVERIFY(viewer.PageText().contains("Installed help"));
    QVERIFY(installed.removeRecursively());
  }

  void realMessageBoxesCarryCaptionAndIcon() {
    QtUserPrompts real({"Copier", "About Copier", "Copier Version 0.1", {}}, false);
    ModalDriver driver;
    QString seen;
    driver.Expect([&seen](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      seen = QString("%1|%2|%3|%4")
                 .arg(box->windowTitle())
                 .arg(box->icon())
                 .arg(box->text())
                 .arg(int(box->standardButtons()));
      PressMessageBoxButton(box, QMessageBox::Yes);
    });
    QVERIFY(real.AskYesNo(frame.get(), "Go?"));
    QCOMPARE(seen, QString("Copier|%1|Go?|%2")
                       .arg(QMessageBox::Warning)
                       .arg(int(QMessageBox::Yes | QMessageBox::No)));

    driver.Expect([&seen](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      seen = QString("%1|%2").arg(box->windowTitle()).arg(box->icon());
      PressMessageBoxButton(box, QMessageBox::Ok);
    });
    real.ShowInformation(frame.get(), "Done");
    QCOMPARE(seen, QString("Copier|%1").arg(QMessageBox::Information));

    driver.Expect([&seen](QWidget* widget) {
      seen = widget->windowTitle() + "|" + widget->findChild<QLabel*>("versionLabel")->text();
      qobject_cast<QDialog*>(widget)->accept();
    });
    real.ShowAbout(frame.get());
    QCOMPARE(seen, QString("About Copier|Copier Version 0.1"));
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
  }

  void progressDialogDisablesItsOwnerAndOnlyRecordsCancel() {
    ScriptedPrompts answers;
    auto progress = std::make_unique<CJobProgressDlg>(answers, "Copying File");
    auto* percent = progress->findChild<QLabel*>("percentLabel");
    auto* bar = progress->findChild<QProgressBar*>("progressBar");
    QCOMPARE(percent->text(), QString(" 0 %"));
    QVERIFY(progress->OpenModeless(frame.get()));
    QVERIFY(!frame->isEnabled());
    QVERIFY(progress->isEnabled());
    QCOMPARE(progress->windowTitle(), QString("Copying File"));

    progress->Show(42);
    QCOMPARE(percent->text(), QString("42%"));
    QCOMPARE(bar->value(), 42);
    progress->Show(100);
    QCOMPARE(percent->text(), QString("100%"));
    progress->Show(101);
    QCOMPARE(percent->text(), QString("1%"));
    QCOMPARE(bar->value(), 100);

    progress->findChild<QPushButton*>("cancelButton")->click();
    QVERIFY(progress->isVisible());
    QTest::keyClick(progress.get(), Qt::Key_Escape);
    QVERIFY(progress->isVisible());
    QVERIFY(progress->TakeCancelRequest());
    QVERIFY(!progress->TakeCancelRequest());

    QVERIFY(!progress->AskStop());
    QVERIFY(answers.messages.isEmpty());
    answers.answers = {false, true};
    progress->findChild<QPushButton*>("cancelButton")->click();
    QVERIFY(!progress->AskStop());
    progress->findChild<QPushButton*>("cancelButton")->click();
    QVERIFY(progress->AskStop());
    QCOMPARE(answers.TextsOf(Kind::Question).size(), 2);

    progress.reset();
    QVERIFY(frame->isEnabled());

    // An owner that was disabled before stays so.
    frame->setEnabled(false);
    progress = std::make_unique<CJobProgressDlg>(answers, "Copying File");
    progress->OpenModeless(frame.get());
    progress.reset();
    QVERIFY(!frame->isEnabled());
    frame->setEnabled(true);
  }
};

QTEST_MAIN(FilePairDialogTest)
#include "file_pair_dialog_test.moc"
