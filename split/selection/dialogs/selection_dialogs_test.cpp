// selection_dialogs_test.cpp - the option dialogs: stored strings, dependent boxes, number checks.
#include <QCheckBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWhatsThis>

#include "five_field_setting.h"
#include "generation_spin_box.h"
#include "modal_answers.h"
#include "selection_option_dialogs.h"

namespace {

template <typename T>
T* Child(QWidget* dialog, const char* name) {
  T* child = dialog->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qFatal("no control %s", name);
  return child;
}

QString Stored(const char* key) { return SettingText(QSettings().value(QString::fromLatin1(key))); }

}  // namespace

class SelectionDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Kinprune"));
    QCoreApplication::setApplicationName(QStringLiteral("Kinprune"));
    QVERIFY(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  }
  void init() { QSettings().clear(); }

  void fiveFieldsReadLikeScanf() {
    QCOMPARE(ParseFiveFields(QStringLiteral("0,1,1,3,0")), (FiveFields{0, 1, 1, 3, 0}));
    QCOMPARE(ParseFiveFields(QStringLiteral("1, 2,+3,-4,5 trailing")), (FiveFields{1, 2, 3, -4, 5}));
    QVERIFY(!ParseFiveFields(QStringLiteral("1 ,2,3,4,5")));
    QVERIFY(!ParseFiveFields(QStringLiteral("1,2,3,4")));
    QVERIFY(!ParseFiveFields(QStringLiteral("1,2,x,4,5")));
    QVERIFY(!ParseFiveFields(QString()));
    QCOMPARE(ParseFiveFields(QStringLiteral("99999999999,0,0,0,0"))->at(0), INT_MAX);
    QCOMPARE(FormatFiveFields({0, 1, 1, 3, 0}), QStringLiteral("0,1,1,3,0"));
  }

  void spinArrowsStopBelowTypedRange() {
    GenerationSpinBox field;
    field.SetNumber(16958);
    QTest::keyClick(&field, Qt::Key_Up);
    QCOMPARE(field.Text(), QStringLiteral("16959"));
    QTest::keyClick(&field, Qt::Key_Up);
    QCOMPARE(field.Text(), QStringLiteral("16959"));
    field.SetNumber(0);
    QTest::keyClick(&field, Qt::Key_Down);
    QCOMPARE(field.Text(), QStringLiteral("0"));
    // Typing is not bound by the arrows' limit, and letters are refused.
    field.SetText(QString());
    QTest::keyClicks(&field, QStringLiteral("2a0000"));
    QCOMPARE(field.Text(), QStringLiteral("20000"));
  }

  void numberOutOfRangeKeepsDialogOpen() {
    modaltest::Watchdog watchdog;
    CTreeSelectDlg dialog;
    QStringList messages;
    bool stayedOpen = false;
    modaltest::AnswerNextModal([&](QWidget* shown) {
      auto* field = Child<GenerationSpinBox>(shown, "generationsEdit");
      auto* select = Child<QPushButton>(shown, "selectButton");
      for (const QString& typed : {QStringLiteral("100000"), QString()}) {
        field->SetText(typed);
        QString message;
        modaltest::AnswerNextMessageBox(QMessageBox::Ok, &message, shown);
        select->click();
        QTRY_VERIFY(!message.isEmpty());
        messages << message;
      }
      stayedOpen = shown->isVisible();
      field->SetText(QStringLiteral("99999"));
      select->click();
    });
    QCOMPARE(dialog.exec(), int(SelectOptionsDlg::Selected));
    QVERIFY(!watchdog.Fired());
    QVERIFY(stayedOpen);
    QCOMPARE(messages, (QStringList{QStringLiteral("Please enter an integer between 0 and 99999."),
                                    QStringLiteral("Please enter an integer.")}));
    QCOMPARE(dialog.Values().generations, 99999);
  }

  void ancestorDialogStoresItsFieldOrder() {
    modaltest::Watchdog watchdog;
    {
      CAncestorSelectDlg dialog;
      modaltest::AnswerNextModal([](QWidget* shown) {
        QVERIFY(!Child<QCheckBox>(shown, "includeTreeCheck")->isChecked());
        QVERIFY(!Child<QCheckBox>(shown, "excludeSpousesCheck")->isEnabled());
        QCOMPARE(Child<GenerationSpinBox>(shown, "generationsEdit")->Text(), QStringLiteral("0"));
        Child<QCheckBox>(shown, "includeTreeCheck")->click();
        Child<QCheckBox>(shown, "excludeSpousesCheck")->click();
        Child<GenerationSpinBox>(shown, "generationsEdit")->SetText(QStringLiteral("3"));
        Child<QPushButton>(shown, "selectButton")->click();
      });
      QCOMPARE(dialog.DoModal(), int(SelectOptionsDlg::Selected));
    }
    QCOMPARE(Stored(CAncestorSelectDlg::kSettingsKey), QStringLiteral("0,1,1,3,0"));
    {
      CAncestorSelectDlg dialog;
      modaltest::AnswerNextModal([](QWidget* shown) {
        QVERIFY(Child<QCheckBox>(shown, "includeTreeCheck")->isChecked());
        QVERIFY(Child<QCheckBox>(shown, "excludeSpousesCheck")->isChecked());
        QCOMPARE(Child<GenerationSpinBox>(shown, "generationsEdit")->Text(), QStringLiteral("3"));
        Child<QPushButton>(shown, "unselectButton")->click();
      });
      QCOMPARE(dialog.DoModal(), int(SelectOptionsDlg::UnSelected));
      QCOMPARE(dialog.Values().excludeFamiliesOfSpouses, 1);
      QCOMPARE(dialog.Values().generations, 3);
    }
    QVERIFY(!watchdog.Fired());
  }

  void dependentOptionFollowsItsMaster() {
    QSettings().setValue(CAncestorSelectDlg::kSettingsKey, QStringLiteral("1,1,0,2,0"));
    CAncestorSelectDlg ancestors;
    ancestors.LoadSettings();
    auto* tree = Child<QCheckBox>(&ancestors, "includeTreeCheck");
    auto* exclude = Child<QCheckBox>(&ancestors, "excludeSpousesCheck");
    QVERIFY(Child<QCheckBox>(&ancestors, "includeChildrenCheck")->isChecked());
    QVERIFY(!exclude->isChecked());
    QVERIFY(!exclude->isEnabled());
    QCOMPARE(ancestors.Values().generations, 2);
    tree->click();
    QVERIFY(exclude->isEnabled());
    exclude->click();
    tree->click();
    QVERIFY(!exclude->isChecked());
    QVERIFY(!exclude->isEnabled());
    tree->click();
    QVERIFY(exclude->isEnabled());
    QVERIFY(!exclude->isChecked());

    CDescendantSelectDlg descendants;
    auto* spouses = Child<QCheckBox>(&descendants, "includeSpousesCheck");
    auto* parents = Child<QCheckBox>(&descendants, "includeSpousesParentsCheck");
    QVERIFY(!parents->isEnabled());
    QCOMPARE(spouses->toolTip(), QStringLiteral("Include spouses of selected descendants"));
    spouses->click();
    parents->click();
    spouses->click();
    QVERIFY(!parents->isChecked());
    QVERIFY(!parents->isEnabled());
  }

  void descendantDialogStoresItsFieldOrder() {
    modaltest::Watchdog watchdog;
    // A value written by hand into the INI file without quotes comes back as a list.
    QSettings().setValue(CDescendantSelectDlg::kSettingsKey,
                         QStringList{"1", "1", "0", "2", "7"});
    CDescendantSelectDlg dialog;
    modaltest::AnswerNextModal([](QWidget* shown) {
      QVERIFY(Child<QCheckBox>(shown, "includeSpousesParentsCheck")->isChecked());
      QCOMPARE(Child<GenerationSpinBox>(shown, "collateralEdit")->Text(), QStringLiteral("7"));
      Child<QCheckBox>(shown, "includeTreeCheck")->click();
      Child<GenerationSpinBox>(shown, "generationsEdit")->SetText(QStringLiteral("999999"));
      Child<QPushButton>(shown, "selectButton")->click();
    });
    QCOMPARE(dialog.DoModal(), int(SelectOptionsDlg::Selected));
    QCOMPARE(Stored(CDescendantSelectDlg::kSettingsKey), QStringLiteral("1,1,1,999999,7"));
    QVERIFY(!watchdog.Fired());
  }

  void cancelAndEscapeStoreNothing() {
    modaltest::Watchdog watchdog;
    QSettings().setValue(CAncestorSelectDlg::kSettingsKey, QStringLiteral("1,0,0,4,0"));
    for (int way = 0; way < 3; ++way) {
      CAncestorSelectDlg dialog;
      modaltest::AnswerNextModal([way](QWidget* shown) {
        Child<GenerationSpinBox>(shown, "generationsEdit")->SetText(QStringLiteral("9"));
        if (way == 0) Child<QPushButton>(shown, "cancelButton")->click();
        if (way == 1) QTest::keyClick(shown, Qt::Key_Escape);
        if (way == 2) shown->close();
      });
      QCOMPARE(dialog.DoModal(), int(SelectOptionsDlg::Cancelled));
    }
    QCOMPARE(Stored(CAncestorSelectDlg::kSettingsKey), QStringLiteral("1,0,0,4,0"));
    // A stored string that does not give five numbers leaves the defaults.
    QSettings().setValue(CAncestorSelectDlg::kSettingsKey, QStringLiteral("1,0,0"));
    CAncestorSelectDlg dialog;
    dialog.LoadSettings();
    QVERIFY(!Child<QCheckBox>(&dialog, "includeChildrenCheck")->isChecked());
    QVERIFY(!watchdog.Fired());
  }

  void enterActsOnSelect() {
    modaltest::Watchdog watchdog;
    // Enter in a number field takes the typed number and ends with Select.
    CTreeSelectDlg tree;
    modaltest::AnswerNextModal([](QWidget* shown) {
      auto* field = Child<GenerationSpinBox>(shown, "generationsEdit");
      field->SetText(QString());
      QTest::keyClicks(field, QStringLiteral("3"));
      QTest::keyClick(field, Qt::Key_Return);
    });
    QCOMPARE(tree.exec(), int(SelectOptionsDlg::Selected));
    QCOMPARE(tree.Values().generations, 3);
    // Enter on a check box ends with Select too, and the values are stored.
    CDescendantSelectDlg descendants;
    modaltest::AnswerNextModal([](QWidget* shown) {
      auto* spouses = Child<QCheckBox>(shown, "includeSpousesCheck");
      spouses->setChecked(true);
      QTest::keyClick(spouses, Qt::Key_Enter, Qt::KeypadModifier);
    });
    QCOMPARE(descendants.DoModal(), int(SelectOptionsDlg::Selected));
    QCOMPARE(Stored(CDescendantSelectDlg::kSettingsKey), QStringLiteral("1,0,0,0,0"));
    QVERIFY(!watchdog.Fired());
  }

  void numberTypedOnOpeningReplacesTheZero() {
    CTreeSelectDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* field = Child<GenerationSpinBox>(&dialog, "generationsEdit");
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("3"));
    QCOMPARE(field->Text(), QStringLiteral("3"));
  }

  void helpByControlNumber() {
    CDescendantSelectDlg dialog;
    QSignalSpy help(&dialog, &SelectOptionsDlg::helpRequested);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* field = Child<GenerationSpinBox>(&dialog, "collateralEdit");
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClick(&dialog, Qt::Key_F1);
    QCOMPARE(help.count(), 1);
    QCOMPARE(help.at(0).at(0).toInt(), 0x70000 + 1025);
    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(Child<QCheckBox>(&dialog, "includeTreeCheck"), &whatsThis);
    QCOMPARE(help.count(), 2);
    QCOMPARE(help.at(1).at(0).toInt(), 0x70000 + 1017);
  }

 private:
  QTemporaryDir settingsDir;
};

QTEST_MAIN(SelectionDialogsTest)
#include "selection_dialogs_test.moc"
