// user_prompts.cpp - message boxes, the About box and the file dialogs of the dialog programs.
#include "user_prompts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <utility>  // std::move

#include "frame_texts.h"

namespace {

QMessageBox::StandardButton RunMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                          const QString& caption, const QString& text,
                                          QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QtUserPrompts::QtUserPrompts(ProgramIdentity identity, bool nativeFileDialogs)
    : identity(std::move(identity)), nativeFileDialogs(nativeFileDialogs) {}

bool QtUserPrompts::AskYesNo(QWidget* parent, const QString& question) {
  return RunMessageBox(parent, QMessageBox::Warning, identity.name, question,
                       QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtUserPrompts::ShowWarning(QWidget* parent, const QString& text) {
  RunMessageBox(parent, QMessageBox::Warning, identity.name, text, QMessageBox::Ok);
}

void QtUserPrompts::ShowInformation(QWidget* parent, const QString& text) {
  RunMessageBox(parent, QMessageBox::Information, identity.name, text, QMessageBox::Ok);
}

void QtUserPrompts::ShowAbout(QWidget* parent) {
  constexpr int kIconSize = 32;
  QDialog about(parent);
  about.setObjectName("aboutDialog");
  about.setWindowTitle(identity.aboutTitle);
  auto* iconLabel = new QLabel(&about);
  iconLabel->setPixmap(identity.icon.pixmap(kIconSize, kIconSize));
  auto* versionLabel = new QLabel(identity.aboutVersion, &about);
  versionLabel->setObjectName("versionLabel");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(iconLabel);
  row->addSpacing(kIconSize / 2);
  row->addWidget(versionLabel, 1);
  auto* column = new QVBoxLayout(&about);
  column->addLayout(row);
  column->addWidget(buttons);
  about.exec();
}

std::optional<QString> QtUserPrompts::ChooseSourceFile(QWidget* parent,
                                                       const QString& currentName) {
  return RunFileDialog(parent, currentName, false);
}

std::optional<QString> QtUserPrompts::ChooseDestinationFile(QWidget* parent,
                                                            const QString& currentName) {
  return RunFileDialog(parent, currentName, true);
}

std::optional<QString> QtUserPrompts::RunFileDialog(QWidget* parent, const QString& currentName,
                                                    bool save) {
  const FrameTexts& texts = LoadFrameTexts();
  QFileDialog dialog(parent, save ? texts.saveTitle : texts.openTitle);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Like the old Open dialog, a name that does not exist yet may be typed; opening it is
  // checked (and reported) when Process is pressed.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({texts.gedcomFilter, texts.allFilesFilter});
  dialog.setOption(QFileDialog::DontUseNativeDialog, !nativeFileDialogs);
  if (!currentName.isEmpty()) dialog.selectFile(currentName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
}
