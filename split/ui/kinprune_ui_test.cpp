// kinprune_ui_test.cpp - drives the real Kinprune window: opening, the list and its panes,
// type-to-find, details, every Select command, undo, saving, settings, help and screenshots.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeView>

#include <memory>  // std::unique_ptr

#include "generation_spin_box.h"
#include "help_window.h"
#include "individual_list_model.h"
#include "kinprune_app.h"
#include "kinprune_view.h"
#include "long_message_box.h"
#include "main_frame.h"
#include "modal_answers.h"
#include "modal_driver.h"
#include "selection_option_dialogs.h"
#include "five_field_setting.h"

namespace {

const QString kFamilyFile = QStringLiteral(GEDTOOLS_SOURCE_DIR "/examples/family.ged");

/// Answers every message box that shows while it lives, choosing the button from its text, and
/// keeps the texts.
class MessageBoxResponder {
 public:
  using Chooser = std::function<QMessageBox::StandardButton(const QString&)>;
  explicit MessageBoxResponder(Chooser chooser) : chooser(std::move(chooser)) {
    QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    timer.start(10);
  }
  QStringList texts;

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box == lastBox) return;
    lastBox = box;
    texts << box->text();
    QAbstractButton* button = box->button(chooser(box->text()));
    if (button == nullptr) button = box->buttons().value(0);
    button->click();
  }
  Chooser chooser;
  QTimer timer;
  QPointer<QMessageBox> lastBox;
};

/// Counts the times a window is blocked by a modal one.
class BlockedEvents : public QObject {
 public:
  explicit BlockedEvents(QWidget* window) { window->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowBlocked) ++count;
    return QObject::eventFilter(watched, event);
  }
};

QStringList RowTexts(const QAbstractItemModel* model) {
  QStringList texts;
  for (int row = 0; row < model->rowCount(); ++row) texts << model->index(row, 0).data().toString();
  return texts;
}

/// Fills the non-native file dialog's name edit and accepts it.
void AnswerFileDialog(const QString& path) {
  modaltest::AnswerNextModal([path](QWidget* modal) { AcceptFileDialogWith(modal, path); });
}

}  // namespace

class KinpruneUiTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    CKinpruneApp::SetApplicationNames();
    QVERIFY(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  }

  void init() {
    QSettings().clear();
    QVERIFY(workDir.isValid());
  }

  void openNamedOnCommandLineShowsSortedListAndPanes() {
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QAbstractItemModelTester tester(List(frame)->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(RowTexts(List(frame)->model()),
             (QStringList{"Ashworth, Margaret", "Hartley, Alice", "Hartley, Robert",
                          "Hartley, Susan Elizabeth", "Hartley, Thomas", "Hartley, William James",
                          "Lovell, Ada", "Mcdonald, Joan", QString::fromUtf8("Müller, Jürgen"),
                          "Novak, Daniel", "Novak, Peter", "O'Brien, Edith Mary"}));
    QCOMPARE(List(frame)->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(frame.PaneText(StatusPanes::IndividualCountPane), QStringLiteral("12"));
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("0"));
    QCOMPARE(frame.PaneText(StatusPanes::MessagePane), QStringLiteral("For Help, press F1"));
    QVERIFY(!List(frame)->selectionModel()->hasSelection());
    QVERIFY(Details(frame)->toPlainText().isEmpty());
    QVERIFY(!Action(frame, "actionSaveAs")->isEnabled());
    QCOMPARE(frame.windowTitle(), QStringLiteral("family.ged - Kinprune"));
    QCOMPARE(frame.minimumSize(), QSize(500, 300));
    QCOMPARE(frame.RecentFiles(), QStringList{QFileInfo(kFamilyFile).absoluteFilePath()});
  }

  void unopenableFileOnCommandLineEndsTheProgram() {
    modaltest::Watchdog watchdog;
    MessageBoxResponder boxes([](const QString&) { return QMessageBox::Ok; });
    CKinpruneApp app;
    QVERIFY(!app.Start({QStringLiteral("kinprune"), workDir.filePath("missing.ged")}));
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().contains(QStringLiteral("missing.ged")), qPrintable(boxes.texts.first()));
    QVERIFY(!watchdog.Fired());
  }

  void openThroughDialogRecentFilesAndDrop() {
    modaltest::Watchdog watchdog;
    std::unique_ptr<CKinpruneApp> app = Start();
    CMainFrame& frame = app->MainFrame();
    QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Kinprune"));
    QCOMPARE(List(frame)->model()->rowCount(), 0);
    QCOMPARE(frame.PaneText(StatusPanes::IndividualCountPane), QStringLiteral("0"));

    AnswerFileDialog(kFamilyFile);
    Action(frame, "actionOpen")->trigger();
    QCOMPARE(List(frame)->model()->rowCount(), 12);

    // A failed open leaves the loaded file as it was, its selection and undo record included.
    Action(frame, "actionEveryone")->trigger();
    QCOMPARE(SelectedNames(frame).size(), 12);
    {
      MessageBoxResponder boxes([](const QString&) { return QMessageBox::Ok; });
      QVERIFY(!frame.OpenFile(workDir.filePath("nothere.ged")));
      QCOMPARE(boxes.texts.size(), 1);
    }
    QCOMPARE(List(frame)->model()->rowCount(), 12);
    QCOMPARE(SelectedNames(frame).size(), 12);
    Action(frame, "actionUndoRedo")->trigger();
    QCOMPARE(SelectedNames(frame), QStringList{});

    // A load that runs out of memory empties the document instead (the steps of OpenFile on
    // that path): nothing may stay selected or undoable, since those entries are gone.
    Action(frame, "actionEveryone")->trigger();
    frame.View()->ReleaseRows();
    app->Document().DeleteContents();
    frame.View()->RestoreRows();
    QCOMPARE(List(frame)->model()->rowCount(), 0);
    QCOMPARE(frame.View()->Selection().SelectedCount(), std::size_t{0});
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("0"));
    QCOMPARE(frame.PaneText(StatusPanes::IndividualCountPane), QStringLiteral("0"));
    QVERIFY(!Action(frame, "actionSaveAs")->isEnabled());
    Action(frame, "actionUndoRedo")->trigger();
    QCOMPARE(frame.View()->Selection().SelectedCount(), std::size_t{0});
    QVERIFY(frame.OpenFile(kFamilyFile));
    QCOMPARE(List(frame)->model()->rowCount(), 12);

    const QString small = WriteFile("small.ged", "0 HEAD\r\n0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n0 TRLR\r\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(small)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Outside a real drag the application delivers no drop, so the window gets it directly.
    static_cast<QObject&>(frame).event(&drop);
    QCOMPARE(RowTexts(List(frame)->model()), QStringList{"Lee, Ann"});
    // No control takes a drop for itself (the find edit would type the file's name in), so
    // a file dropped anywhere on the window reaches it.
    QVERIFY(frame.acceptDrops());
    for (const QWidget* control : frame.View()->findChildren<QWidget*>()) {
      QVERIFY2(!control->acceptDrops(), qPrintable(control->objectName()));
    }
    QCOMPARE(frame.RecentFiles().first(), small);
    QAction* recent2 = Action(frame, "actionRecentFile2");
    QVERIFY(recent2->isVisible());
    recent2->trigger();
    QCOMPARE(List(frame)->model()->rowCount(), 12);

    // An ampersand in a file's name shows as itself in the recent-file list.
    const QString ampersand = WriteFile("Smith & Jones.ged", "0 HEAD\r\n0 TRLR\r\n");
    QVERIFY(frame.OpenFile(ampersand));
    QCOMPARE(Action(frame, "actionRecentFile1")->text(),
             QStringLiteral("&1 ") + QDir::toNativeSeparators(ampersand).replace(
                                         QLatin1Char('&'), QStringLiteral("&&")));
    QVERIFY(!watchdog.Fired());
  }

  void typeToFindHighlightsAndShowsDetails() {
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QLineEdit* find = Find(frame);
    QTest::keyClicks(find, QStringLiteral("hartley, s"));
    QCOMPARE(find->text(), QStringLiteral("hartley, s"));
    QCOMPARE(HighlightedName(frame), QStringLiteral("Hartley, Susan Elizabeth"));
    const QString details = Details(frame)->toPlainText();
    QVERIFY2(details.startsWith(QStringLiteral("Name\tSusan Elizabeth /Hartley/\nId\tI8\n")),
             qPrintable(details));
    QVERIFY(details.contains(QStringLiteral("\n\nFather\tRobert /Hartley/\nMother\tJoan /McDONALD/")));
    QVERIFY(details.contains(QStringLiteral("\n\nSpouses\tPeter /Novak/\n")));
    // Every label ends before the first tab stop, so the values stand in one column.
    const QFontMetrics detailsFont = Details(frame)->fontMetrics();
    for (const QString& line : details.split(QLatin1Char('\n'))) {
      const QString label = line.section(QLatin1Char('\t'), 0, 0);
      QVERIFY2(detailsFont.horizontalAdvance(label) < Details(frame)->tabStopDistance(),
               qPrintable(label));
    }

    // No exact match: the first name after the text.
    find->clear();
    QTest::keyClicks(find, QStringLiteral("mc"));
    QCOMPARE(HighlightedName(frame), QStringLiteral("Mcdonald, Joan"));
    // Past the last name nothing moves, and the details stay.
    find->clear();
    QTest::keyClicks(find, QStringLiteral("zzz"));
    QCOMPARE(HighlightedName(frame), QStringLiteral("Mcdonald, Joan"));
    QVERIFY(Details(frame)->toPlainText().contains(QStringLiteral("Joan /McDONALD/")));
    // Only as much text as the edit shows can be typed.
    find->clear();
    QTest::keyClicks(find, QString(200, QLatin1Char('w')));
    QVERIFY(find->text().size() < 200);
    QVERIFY(find->fontMetrics().horizontalAdvance(find->text()) <= find->contentsRect().width());
    // Emptying the edit goes to the first row.
    QTest::keyClick(find, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);  // no command
    find->selectAll();
    QTest::keyClick(find, Qt::Key_Backspace);
    QCOMPARE(HighlightedName(frame), QStringLiteral("Ashworth, Margaret"));

    // A reload shows the last searched text in its capitalised form.
    QTest::keyClicks(find, QStringLiteral("novak"));
    QVERIFY(frame.OpenFile(kFamilyFile));
    QCOMPARE(find->text(), QStringLiteral("Novak"));
    QVERIFY(!List(frame)->selectionModel()->hasSelection());
    QVERIFY(Details(frame)->toPlainText().isEmpty());
  }

  void typeToFindMeetsLatin1NamesAsShown() {
    // A file in Latin-1 (or the Windows code page): the list shows its bytes as Latin-1, and
    // what is typed must be looked up in the same bytes.
    const QString file = WriteFile("latin1.ged",
                                   "0 HEAD\n1 CHAR ANSI\n"
                                   "0 @I1@ INDI\n1 NAME Anders /Zorn/\n"
                                   "0 @I2@ INDI\n1 NAME Eva /\xC4"
                                   "ng/\n"
                                   "0 @I3@ INDI\n1 NAME Per /\xC5"
                                   "berg/\n"
                                   "0 @I4@ INDI\n1 NAME Olof /\xD6"
                                   "berg/\n"
                                   "0 TRLR\n");
    std::unique_ptr<CKinpruneApp> app = Start(file);
    CMainFrame& frame = app->MainFrame();
    QCOMPARE(RowTexts(List(frame)->model()).last(), QString::fromUtf8("\u00d6berg, Olof"));
    TypeText(Find(frame), QString::fromUtf8("\u00d6b"));
    QCOMPARE(HighlightedName(frame), QString::fromUtf8("\u00d6berg, Olof"));
    Find(frame)->clear();
    TypeText(Find(frame), QString::fromUtf8("\u00c5"));
    QCOMPARE(HighlightedName(frame), QString::fromUtf8("\u00c5berg, Per"));

    // A UTF-8 file is searched in UTF-8.
    QVERIFY(frame.OpenFile(kFamilyFile));
    Find(frame)->clear();
    TypeText(Find(frame), QString::fromUtf8("M\u00fc"));
    QCOMPARE(HighlightedName(frame), QString::fromUtf8("M\u00fcller, J\u00fcrgen"));
  }

  void selectCommandsByAcceleratorWithUndo() {
    modaltest::Watchdog watchdog;
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QVERIFY(ActivateWindow(frame));
    QLineEdit* find = Find(frame);
    find->setFocus();

    // Nothing highlighted: Family does nothing at all.
    QTest::keyClick(find, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("0"));

    QTest::keyClicks(find, QStringLiteral("hartley, t"));
    QTest::keyClick(find, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame), (QStringList{"Ashworth, Margaret", "Hartley, Alice",
                                                "Hartley, Thomas", "Hartley, William James"}));
    QCOMPARE(frame.PaneText(StatusPanes::MessagePane), QStringLiteral("4 individuals found"));
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("4"));
    QVERIFY(Action(frame, "actionSaveAs")->isEnabled());
    const QIcon arrow = RowIcon(frame, "Hartley, Thomas");
    QVERIFY(arrow.cacheKey() != RowIcon(frame, "Lovell, Ada").cacheKey());

    QTest::keyClick(find, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame), QStringList{});
    QVERIFY(!Action(frame, "actionSaveAs")->isEnabled());
    QTest::keyClick(find, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame).size(), 4);

    QTest::keyClick(find, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("8"));
    QVERIFY(!SelectedNames(frame).contains(QStringLiteral("Hartley, Thomas")));
    QTest::keyClick(find, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame).size(), 4);

    QTest::keyClick(find, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("12"));
    QTest::keyClick(find, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("0"));
    QTest::keyClick(find, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("12"));
    QVERIFY(!watchdog.Fired());
  }

  void optionDialogCommandsAnsweredByTest() {
    modaltest::Watchdog watchdog;
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QVERIFY(ActivateWindow(frame));
    QLineEdit* find = Find(frame);
    find->setFocus();
    QTest::keyClicks(find, QStringLiteral("hartley, r"));

    // Ctrl+A opens the ancestor options even from the find edit, whose own Ctrl+A it beats.
    AnswerDialog("selectButton", [](QWidget* dialog) {
      dialog->findChild<GenerationSpinBox*>(QStringLiteral("generationsEdit"))->SetNumber(0);
    });
    QTest::keyClick(find, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame), (QStringList{"Ashworth, Margaret", "Hartley, Robert",
                                                "Hartley, Thomas", "Hartley, William James",
                                                "O'Brien, Edith Mary"}));
    QCOMPARE(SettingText(QSettings().value(QStringLiteral("Settings/AncestorDlg"))),
             QStringLiteral("0,0,0,0,0"));

    // Cancel changes nothing.
    AnswerDialog("cancelButton", nullptr);
    Action(frame, "actionDescendants")->trigger();
    QCOMPARE(SelectedNames(frame).size(), 5);

    // Descendants of Robert, generation 1, unselected: Robert goes, his children were never in.
    AnswerDialog("unselectButton", [](QWidget* dialog) {
      dialog->findChild<GenerationSpinBox*>(QStringLiteral("generationsEdit"))->SetNumber(1);
    });
    QVERIFY(ActivateWindow(frame));
    QTest::keyClick(find, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(SelectedNames(frame).size(), 4);
    QCOMPARE(frame.PaneText(StatusPanes::MessagePane), QStringLiteral("1 individuals found"));
    QCOMPARE(SettingText(QSettings().value(QStringLiteral("Settings/DescendantDlg"))),
             QStringLiteral("0,0,0,1,0"));

    // Tree always opens at 0 generations: everyone connected to Robert.
    AnswerDialog("selectButton", [](QWidget* dialog) {
      QCOMPARE(dialog->findChild<GenerationSpinBox*>(QStringLiteral("generationsEdit"))->Text(),
               QStringLiteral("0"));
    });
    QVERIFY(ActivateWindow(frame));
    QTest::keyClick(find, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("11"));
    QVERIFY(!SelectedNames(frame).contains(QStringLiteral("Lovell, Ada")));
    AnswerDialog("unselectButton", nullptr);
    Action(frame, "actionTree")->trigger();
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("0"));
    QCOMPARE(frame.PaneText(StatusPanes::MessagePane), QStringLiteral("11 individuals found"));
    QVERIFY(!watchdog.Fired());
  }

  void missingRecordsAreReported() {
    modaltest::Watchdog watchdog;
    const QString broken = WriteFile("broken.ged",
                                     "0 HEAD\n0 @I1@ INDI\n1 NAME Ann /Lee/\n1 FAMS @F9@\n"
                                     "1 FAMC @F8@\n0 TRLR\n");
    std::unique_ptr<CKinpruneApp> app = Start(broken);
    CMainFrame& frame = app->MainFrame();
    List(frame)->setCurrentIndex(List(frame)->model()->index(0, 0));
    QStringList texts;
    bool wholeTextInView = false;
    AnswerLongMessageBox(&texts, [&wholeTextInView](QDialog* box) {
      // A short text shows whole, without a scroll bar.
      auto* area = box->findChild<QScrollArea*>();
      auto* text = box->findChild<QLabel*>(QStringLiteral("longMessageText"));
      wholeTextInView = !area->verticalScrollBar()->isVisible() &&
                        text->heightForWidth(text->width()) <= area->viewport()->height() &&
                        text->width() <= area->viewport()->width();
    });
    AnswerDialog("selectButton", nullptr);
    Action(frame, "actionTree")->trigger();
    QVERIFY(wholeTextInView);
    QCOMPARE(texts, QStringList{QStringLiteral(
                        "There is an error in this GEDCOM file.\n\nThe following referenced "
                        "individuals are missing:\nF8, F9")});
    QCOMPARE(SelectedNames(frame), QStringList{"Lee, Ann"});
    QVERIFY(!watchdog.Fired());
  }

  void longListOfMissingRecordsStaysOnTheScreen() {
    modaltest::Watchdog watchdog;
    // One individual whose thousands of marriages all lead nowhere, as in a file cut out of a
    // larger one.
    QByteArray bytes = "0 HEAD\n0 @I1@ INDI\n1 NAME Ann /Lee/\n";
    constexpr int kMissing = 3000;
    for (int i = 0; i < kMissing; ++i) bytes += "1 FAMS @F" + QByteArray::number(i) + "@\n";
    bytes += "0 TRLR\n";
    std::unique_ptr<CKinpruneApp> app = Start(WriteFile("cut.ged", bytes));
    CMainFrame& frame = app->MainFrame();
    List(frame)->setCurrentIndex(List(frame)->model()->index(0, 0));
    QStringList texts;
    QRect boxGeometry;
    QRect screenArea;
    bool okVisible = false;
    AnswerLongMessageBox(&texts, [&](QDialog* box) {
      boxGeometry = box->frameGeometry();
      screenArea = box->screen()->availableGeometry();
      auto* ok = box->findChild<QPushButton*>();
      okVisible = ok != nullptr && ok->isVisible() &&
                  screenArea.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size()));
    });
    Action(frame, "actionFamily")->trigger();
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts.first().endsWith(QStringLiteral(", F999")));
    QCOMPARE(texts.first().count(QStringLiteral(", ")), kMissing - 1);
    QVERIFY2(boxGeometry.height() <= screenArea.height(),
             qPrintable(QStringLiteral("box %1 px, screen %2 px")
                            .arg(boxGeometry.height())
                            .arg(screenArea.height())));
    QVERIFY(okVisible);
    QCOMPARE(SelectedNames(frame), QStringList{"Lee, Ann"});
    QVERIFY(!watchdog.Fired());
  }

  void doubleClickTogglesOneIndividual() {
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QTreeView* list = List(frame);
    const QModelIndex row = list->model()->index(6, 0);
    const QPoint centre = list->visualRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(SelectedNames(frame), QStringList{"Lovell, Ada"});
    QCOMPARE(frame.PaneText(StatusPanes::SelectedCountPane), QStringLiteral("1"));
    QVERIFY(Action(frame, "actionSaveAs")->isEnabled());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(SelectedNames(frame), QStringList{});
    QVERIFY(!Action(frame, "actionSaveAs")->isEnabled());
  }

  void saveAsWritesSubsetAndGuardsTheOpenedFile() {
    modaltest::Watchdog watchdog;
    const QString original = workDir.filePath("original.ged");
    QFile::remove(original);
    QVERIFY(QFile::copy(kFamilyFile, original));
    const QByteArray originalBytes = ReadAll(original);
    std::unique_ptr<CKinpruneApp> app = Start(original);
    CMainFrame& frame = app->MainFrame();
    QVERIFY(ActivateWindow(frame));
    QTest::keyClicks(Find(frame), QStringLiteral("hartley, t"));
    Action(frame, "actionFamily")->trigger();

    const QString subset = workDir.filePath("subset.ged");
    QFile::remove(subset);
    {
      MessageBoxResponder boxes([](const QString&) { return QMessageBox::Ok; });
      AnswerFileDialog(subset);
      QTest::keyClick(Find(frame), Qt::Key_S, Qt::ControlModifier);
      QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(QLatin1Char(0x7c))));
    }
    const QByteArray written = ReadAll(subset);
    QVERIFY(written.startsWith("0 HEAD \r\n"));
    QVERIFY(written.endsWith("\r\n0 TRLR\r\n"));
    QVERIFY(written.contains("0 @I4@ INDI\r\n"));
    QVERIFY(!written.contains("@I12@"));
    QVERIFY(!written.contains("0 @F3@ FAM"));
    QCOMPARE(frame.windowTitle(), QStringLiteral("subset.ged - Kinprune"));
    QCOMPARE(frame.RecentFiles().first(), subset);

    // Onto the opened file: the dialog's own replace question, then ours. No keeps it.
    for (const bool overwrite : {false, true}) {
      MessageBoxResponder boxes([overwrite](const QString& text) {
        if (text.startsWith(QStringLiteral("Are you sure"))) {
          return overwrite ? QMessageBox::Yes : QMessageBox::No;
        }
        return QMessageBox::Yes;
      });
      AnswerFileDialog(original);
      Action(frame, "actionSaveAs")->trigger();
      QVERIFY2(boxes.texts.contains(
                   QStringLiteral("Are you sure you want to overwrite your original file ?")),
               qPrintable(boxes.texts.join('|')));
      if (overwrite) {
        QCOMPARE(ReadAll(original), written);
      } else {
        QCOMPARE(ReadAll(original), originalBytes);
      }
    }
    // Another name for the same file is recognised as well.
    const QString link = workDir.filePath("link.ged");
    QFile::remove(link);
    QVERIFY(QFile::link(original, link));
    {
      MessageBoxResponder boxes([](const QString&) { return QMessageBox::No; });
      QVERIFY(!frame.SaveFile(link));
      QCOMPARE(boxes.texts,
               QStringList{QStringLiteral("Are you sure you want to overwrite your original file ?")});
    }
    QCOMPARE(ReadAll(original), written);
    QVERIFY(!watchdog.Fired());
  }

  void settingsWrittenAndReadBackInTheirFormats() {
    {
      std::unique_ptr<CKinpruneApp> app = Start();
      CMainFrame& frame = app->MainFrame();
      // A first start opens at a working size, not squeezed to the smallest one allowed.
      const QSize available = frame.screen()->availableGeometry().size();
      QVERIFY2(frame.width() >= available.width() * 2 / 3 &&
                   frame.height() >= available.height() * 2 / 3,
               qPrintable(QStringLiteral("%1 x %2").arg(frame.width()).arg(frame.height())));
      QVERIFY(frame.width() <= available.width() && frame.height() <= available.height());
      QCOMPARE(ToolButtonSize(frame), QSize(33, 30));
      QCOMPARE(ToolBar(frame)->toolButtonStyle(), Qt::ToolButtonIconOnly);
      Action(frame, "actionToolbarText")->trigger();
      QVERIFY(frame.ToolText());
      QVERIFY(Action(frame, "actionToolbarText")->isChecked());
      QCOMPARE(ToolButtonSize(frame), QSize(62, 47));
      frame.setGeometry(QRect(40, 50, 600, 400));
      frame.close();
    }
    QCOMPARE(QSettings().value(QStringLiteral("Settings/ToolText")).toInt(), 1);
    const QString placement = SettingText(QSettings().value(QStringLiteral("Settings/WindowPos")));
    QCOMPARE(placement, QStringLiteral("0,1,-1,-1,-1,-1,40,50,640,450"));

    QSettings().setValue(QStringLiteral("Settings/WindowPos"),
                         QStringLiteral("2,3,-1,-1,-1,-1,100,120,740,600"));
    {
      std::unique_ptr<CKinpruneApp> app = Start();
      CMainFrame& frame = app->MainFrame();
      QVERIFY(frame.ToolText());
      QCOMPARE(ToolButtonSize(frame), QSize(62, 47));
      QCOMPARE(ToolBar(frame)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QVERIFY(frame.isMaximized());
      Action(frame, "actionToolbarText")->trigger();
      QCOMPARE(ToolButtonSize(frame), QSize(33, 30));
      frame.close();
    }
    QCOMPARE(QSettings().value(QStringLiteral("Settings/ToolText")).toInt(), 0);
    const std::optional<std::vector<int>> fields = ParseIntFields(
        SettingText(QSettings().value(QStringLiteral("Settings/WindowPos"))), 10);
    QVERIFY(fields.has_value());
    QCOMPARE(fields->at(0), 2);
    QCOMPARE(fields->at(1), 3);
    QCOMPARE(QRect(QPoint(fields->at(6), fields->at(7)), QPoint(fields->at(8) - 1, fields->at(9) - 1)),
             QRect(100, 120, 640, 480));

    // A placement that does not give ten numbers is ignored.
    QSettings().setValue(QStringLiteral("Settings/WindowPos"), QStringLiteral("0,1,2"));
    std::unique_ptr<CKinpruneApp> app = Start();
    QVERIFY(app->MainFrame().isVisible());
    QVERIFY(!app->MainFrame().isMaximized());
  }

  void toolbarOrderLabelsAndPrompts() {
    std::unique_ptr<CKinpruneApp> app = Start();
    CMainFrame& frame = app->MainFrame();
    QStringList labels;
    for (QAction* action : ToolBar(frame)->actions()) {
      labels << (action->isSeparator() ? QStringLiteral("|") : action->iconText());
    }
    QCOMPARE(labels, (QStringList{"Open", "Save As", "|", "Family", "Ancest", "Descend", "Tree",
                                  "Every", "Invert", "Undo", "|", "About", "Help"}));
    QAction* ancestors = Action(frame, "actionAncestors");
    QCOMPARE(ancestors->statusTip(), QStringLiteral("Select Ancestors for individual"));
    QCOMPARE(ancestors->toolTip(), QStringLiteral("Select Ancestors"));
    QCOMPARE(ancestors->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    QCOMPARE(Action(frame, "actionUndoRedo")->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
    QCOMPARE(Action(frame, "actionSaveAs")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
  }

  void aboutAndHelp() {
    modaltest::Watchdog watchdog;
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    QString aboutText;
    modaltest::AnswerNextModal([&aboutText](QWidget* dialog) {
      aboutText = dialog->findChild<QLabel*>(QStringLiteral("aboutText"))->text();
      dialog->close();
    });
    Action(frame, "actionAbout")->trigger();
    QCOMPARE(aboutText, QStringLiteral("Kinprune Version 1.0.23"));
    QVERIFY(QFile::exists(QStringLiteral(":/icons/kinprune-32.png")));
    QVERIFY(!QApplication::windowIcon().isNull());

    Action(frame, "actionHelpTopics")->trigger();
    QVERIFY(frame.Help()->isVisible());
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/index.html")));
    QVERIFY(!frame.Help()->findChild<QTextBrowser*>()->toPlainText().isEmpty());

    QVERIFY(ActivateWindow(frame));
    List(frame)->setFocus();
    Action(frame, "actionHelp")->trigger();
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/kinprune.html#list")));

    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(Find(frame), &whatsThis);
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/kinprune.html#find")));
    QApplication::sendEvent(frame.View(), &whatsThis);
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/kinprune.html#window")));
    // The help pointer on a toolbar button opens the help on the commands.
    QWidget* familyButton = ToolBar(frame)->widgetForAction(Action(frame, "actionFamily"));
    QHelpEvent query(QEvent::QueryWhatsThis, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(familyButton, &query);
    QVERIFY(query.isAccepted());
    QApplication::sendEvent(familyButton, &whatsThis);
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/kinprune.html#commands")));

    // Help from inside an option dialog opens that dialog's page, in a window the open dialog
    // does not block: it can be scrolled and its links followed before the dialog is closed.
    QTest::keyClicks(Find(frame), QStringLiteral("hartley"));
    BlockedEvents blocked(frame.Help());
    bool helpShownFromDialog = false;
    AnswerDialog("cancelButton", [&frame, &helpShownFromDialog](QWidget* dialog) {
      QHelpEvent event(QEvent::WhatsThis, QPoint(2, 2), QPoint(2, 2));
      QApplication::sendEvent(dialog->findChild<QCheckBox*>(QStringLiteral("includeTreeCheck")),
                              &event);
      helpShownFromDialog = frame.Help()->isVisible();
    });
    Action(frame, "actionAncestors")->trigger();
    QVERIFY(helpShownFromDialog);
    QCOMPARE(blocked.count, 0);
    // Its own window, like a separate help viewer, attached to none of the program's windows.
    QCOMPARE(frame.Help()->windowType(), Qt::Window);
    QCOMPARE(frame.Help()->parentWidget(), nullptr);
    QCOMPARE(frame.Help()->CurrentPage(), QUrl(QStringLiteral("qrc:/help/ancestors.html#tree")));
    for (const int context : {0x70000 + 1041, 0x70000 + 1016, 0x70000 + 1033, 0x70000 + 1039}) {
      QVERIFY(!HelpWindow::TopicUrl(context).path().endsWith(QStringLiteral("index.html")));
    }
    QVERIFY(!watchdog.Fired());
  }

  void helpPagesFromTheInstalledFolder() {
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString pages = prefix.filePath(QStringLiteral("share/gedtools/help/kinprune"));
    QVERIFY(QDir().mkpath(bin));
    // No installed pages: the compiled-in ones.
    QCOMPARE(HelpWindow::HelpRootFor(bin), QUrl(QStringLiteral("qrc:/help/")));
    QVERIFY(QDir().mkpath(pages));
    const QStringList names = QDir(QStringLiteral(":/help")).entryList(QDir::Files);
    QVERIFY(names.contains(QStringLiteral("index.html")));
    for (const QString& name : names) {
      QVERIFY(QFile::copy(QStringLiteral(":/help/") + name, pages + QLatin1Char('/') + name));
    }
    const QUrl installed = HelpWindow::HelpRootFor(bin);
    QCOMPARE(installed, QUrl::fromLocalFile(QDir(pages).canonicalPath() + QLatin1Char('/')));
    // A folder without every page (a half-finished install) is not used.
    QVERIFY(QFile::remove(pages + QStringLiteral("/tree.html")));
    QCOMPARE(HelpWindow::HelpRootFor(bin), QUrl(QStringLiteral("qrc:/help/")));
    // The program's own folder has no installed pages beside it in the build tree.
    QCOMPARE(HelpWindow::TopicUrl(0x70000 + 1000),
             QUrl(QStringLiteral("qrc:/help/kinprune.html#list")));
  }

  void windowCaptionsAreNotSuffixed() {
    // Qt adds an application display name to every window title that does not end in it
    // ("Ancestor Selection Options - Kinprune"); the program leaves it unset, which shows as
    // the display name following the application name.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Probe"));
    const QString displayName = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    QCOMPARE(displayName, QStringLiteral("Probe"));
    QCOMPARE(name, QStringLiteral("Kinprune"));
  }

  void namesInAnyEncodingKeepEveryByte() {
    QCOMPARE(TextFromBytes("M\xC3\xBCller"), QString::fromUtf8("M\u00fcller"));
    // Not UTF-8 (a Latin-1 or ANSEL byte): shown byte for byte, never as a replacement mark.
    QCOMPARE(TextFromBytes("M\xFCller"), QString::fromLatin1("M\xFCller"));
    QVERIFY(!TextFromBytes("\xE1\x41").contains(QChar::ReplacementCharacter));
  }

  void encodingOfANameIsJudgedAsTheListShowsIt() {
    // The search's encoding follows what most names are; each name must be judged exactly as
    // TextFromBytes reads it, also where UTF-8 is subtly broken.
    const std::string_view samples[] = {
        "Smith, John",
        "M\xC3\xBCller",                 // two-byte sequence
        "\xE4\xB8\xAD\xE6\x96\x87",         // three-byte sequences
        "\xF0\x9F\x98\x80",                // four-byte sequence
        "\xEF\xBB\xBFName",              // byte-order mark in front
        "M\xFCller",                      // Latin-1
        "Name\xC3",                       // sequence cut off at the end
        "\xC0\xAF",                       // overlong
        "\xED\xA0\x80",                   // surrogate
        "\xF4\x90\x80\x80",                // beyond U+10FFFF
        std::string_view("A\0B", 3),      // NUL byte
    };
    for (const std::string_view bytes : samples) {
      const QString shown = TextFromBytes(bytes);
      const bool shownAsLatin1 =
          shown == QString::fromLatin1(bytes.data(), qsizetype(bytes.size())) &&
          shown != QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
      const BytesReadAs judged = HowTextFromBytesReads(bytes);
      QCOMPARE(judged == BytesReadAs::Latin1, shownAsLatin1);
    }
    QCOMPARE(HowTextFromBytesReads("Smith, John"), BytesReadAs::Ascii);
    QCOMPARE(HowTextFromBytesReads("M\xC3\xBCller"), BytesReadAs::Utf8);
    QCOMPARE(HowTextFromBytesReads("Name\xC3"), BytesReadAs::Latin1);
  }

  void screenshots() {
    const QString folder = qEnvironmentVariable("GEDTOOLS_SCREENSHOT_DIR");
    if (folder.isEmpty()) QSKIP("GEDTOOLS_SCREENSHOT_DIR is not set");
    QDir().mkpath(folder);
    std::unique_ptr<CKinpruneApp> app = Start(kFamilyFile);
    CMainFrame& frame = app->MainFrame();
    frame.resize(820, 520);
    QTest::keyClicks(Find(frame), QStringLiteral("hartley, w"));
    Action(frame, "actionFamily")->trigger();
    QApplication::processEvents();
    QVERIFY(frame.grab().save(folder + QStringLiteral("/kinprune-main.png")));

    CTreeSelectDlg tree(&frame);
    CAncestorSelectDlg ancestors(&frame);
    CDescendantSelectDlg descendants(&frame);
    ancestors.SetValues({3, 1, 0, 0, 0});
    descendants.SetValues({1, 0, 2, 0, 1});
    const std::pair<QDialog*, const char*> dialogs[] = {
        {&tree, "kinprune-tree-options.png"},
        {&ancestors, "kinprune-ancestor-options.png"},
        {&descendants, "kinprune-descendant-options.png"}};
    for (const auto& [dialog, name] : dialogs) {
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      QVERIFY(dialog->grab().save(folder + QLatin1Char('/') + QLatin1String(name)));
      dialog->hide();
    }
  }

 private:
  std::unique_ptr<CKinpruneApp> Start(const QString& file = QString()) {
    auto app = std::make_unique<CKinpruneApp>();
    QStringList arguments{QStringLiteral("kinprune")};
    if (!file.isEmpty()) arguments << file;
    if (!app->Start(arguments)) qFatal("Kinprune did not start");
    return app;
  }

  /// Types text key by key, also letters that QTest has no key code for.
  static void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_Any, QString(c), Qt::NoModifier);
    }
  }
  static QTreeView* List(CMainFrame& frame) {
    return frame.findChild<QTreeView*>(QStringLiteral("individualList"));
  }
  static QLineEdit* Find(CMainFrame& frame) {
    return frame.findChild<QLineEdit*>(QStringLiteral("findEdit"));
  }
  static QPlainTextEdit* Details(CMainFrame& frame) {
    return frame.findChild<QPlainTextEdit*>(QStringLiteral("detailsEdit"));
  }
  static QToolBar* ToolBar(CMainFrame& frame) {
    return frame.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
  }
  static QAction* Action(CMainFrame& frame, const char* name) {
    QAction* action = frame.findChild<QAction*>(QString::fromLatin1(name));
    if (action == nullptr) qFatal("no action %s", name);
    return action;
  }
  static QSize ToolButtonSize(CMainFrame& frame) {
    return ToolBar(frame)->widgetForAction(Action(frame, "actionFamily"))->size();
  }
  static bool ActivateWindow(CMainFrame& frame) {
    frame.activateWindow();
    return QTest::qWaitForWindowActive(&frame);
  }
  static QString HighlightedName(CMainFrame& frame) {
    const kinprune::IndividualEntry* entry = frame.View()->StartIndividual();
    return entry == nullptr ? QString() : TextFromBytes(entry->name);
  }
  /// Names of the selected individuals, in list order.
  static QStringList SelectedNames(CMainFrame& frame) {
    QStringList names;
    auto* model = qobject_cast<IndividualListModel*>(List(frame)->model());
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->EntryAt(row)->selected) names << TextFromBytes(model->EntryAt(row)->name);
    }
    return names;
  }
  static QIcon RowIcon(CMainFrame& frame, const char* name) {
    const QAbstractItemModel* model = List(frame)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 0).data().toString() == QLatin1String(name)) {
        return model->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
      }
    }
    return {};
  }
  void AnswerDialog(const char* button, std::function<void(QWidget*)> prepare) {
    const QString buttonName = QString::fromLatin1(button);
    modaltest::AnswerNextModal([buttonName, prepare](QWidget* dialog) {
      if (prepare) prepare(dialog);
      auto* push = dialog->findChild<QPushButton*>(buttonName);
      if (push == nullptr) {
        dialog->close();
        return;
      }
      push->click();
    });
  }
  /// Keeps the text of the next long message box, lets inspect look at it, and presses OK.
  /// Other modal windows are left to their own answerers.
  static void AnswerLongMessageBox(QStringList* texts,
                                   std::function<void(QDialog*)> inspect = nullptr) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, texts, inspect] {
      auto* box = qobject_cast<LongMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      *texts << box->text();
      if (inspect) inspect(box);
      box->findChild<QPushButton*>()->click();
    });
    // The test's watchdog closes the box should this never see it; the timer then goes with
    // the application.
    timer->start(10);
  }
  QString WriteFile(const char* name, const QByteArray& bytes) {
    QFile file(workDir.filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("write failed");
    return QFileInfo(file).absoluteFilePath();
  }
  static QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir settingsDir;
  QTemporaryDir workDir;
};

QTEST_MAIN(KinpruneUiTest)
#include "kinprune_ui_test.moc"
