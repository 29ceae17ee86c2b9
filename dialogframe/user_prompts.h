// user_prompts.h - the questions, messages and file choosers through which a dialog talks to its
// user.
#pragma once

#include <QIcon>
#include <QString>
#include <optional>  // std::optional

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

/// Every modal exchange of the dialog programs goes through this seam, so that the dialogs can
/// be driven by a test without a person answering message boxes.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  /// A question with Yes and No and the warning icon; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;
  /// A failure or a check that did not pass: warning icon, OK button.
  virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
  /// A final result: information icon, OK button.
  virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
  /// The program's About box.
  virtual void ShowAbout(QWidget* parent) = 0;
  /// The Open dialog, starting at currentName; nothing when the user cancels.
  virtual std::optional<QString> ChooseSourceFile(QWidget* parent, const QString& currentName) = 0;
  /// The Save As dialog, which asks itself before an existing file is chosen; nothing when the
  /// user cancels.
  virtual std::optional<QString> ChooseDestinationFile(QWidget* parent,
                                                       const QString& currentName) = 0;
};

/// What the real prompts show besides the texts they are given.
struct ProgramIdentity {
  QString name;          ///< caption of every message box
  QString aboutTitle;    ///< "About Lettrim"
  QString aboutVersion;  ///< "Lettrim Version 1.0"
  QIcon icon;
};

/// The prompts as a user sees them: QMessageBox and QFileDialog.
class QtUserPrompts : public UserPrompts {
 public:
  /// nativeFileDialogs false gives Qt's own file dialog, which a test can fill in.
  explicit QtUserPrompts(ProgramIdentity identity, bool nativeFileDialogs = true);

  bool AskYesNo(QWidget* parent, const QString& question) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
  void ShowInformation(QWidget* parent, const QString& text) override;
  void ShowAbout(QWidget* parent) override;
  std::optional<QString> ChooseSourceFile(QWidget* parent, const QString& currentName) override;
  std::optional<QString> ChooseDestinationFile(QWidget* parent,
                                               const QString& currentName) override;

 private:
  std::optional<QString> RunFileDialog(QWidget* parent, const QString& currentName, bool save);

  ProgramIdentity identity;
  bool nativeFileDialogs;
};
