// dialog_program_checks.cpp - what the tests of the file-pair dialog programs look at alike.
#include "dialog_program_checks.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QWidget>

#include "modal_driver.h"

QByteArray ReadAll(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList ActionTexts(const QWidget& dialog) {
  QStringList texts;
  for (QAction* action : dialog.actions()) texts.append(action->text());
  return texts;
}

AboutBoxSeen OpenAboutBox(QAction* aboutAction) {
  AboutBoxSeen seen;
  ModalDriver driver;
  driver.Expect([&seen](QWidget* about) {
    seen.text = about->windowTitle() + "|" + about->findChild<QLabel*>("versionLabel")->text();
    qobject_cast<QDialog*>(about)->accept();
  });
  aboutAction->trigger();
  seen.failures = driver.Failures();
  return seen;
}

void CheckPrintsWithoutDisplay(const QString& program, const QStringList& arguments,
                               const QByteArray& expectedOutput) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("QT_QPA_PLATFORM");
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  QVERIFY(process.waitForFinished());
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(process.readAllStandardOutput(), expectedOutput);
}
