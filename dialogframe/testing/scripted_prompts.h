// scripted_prompts.h - prompts whose message boxes are answered by a test and recorded.
#pragma once

#include <QList>
#include <QString>
#include <functional>  // std::function

#include "user_prompts.h"

/// Message boxes are recorded and questions answered from a script; the file dialogs are Qt's
/// own (non-native) ones, which a ModalDriver fills in.
class ScriptedPrompts : public QtUserPrompts {
 public:
  enum class Kind { Question, Warning, Information, About };
  struct Message {
    Kind kind;
    QString text;
  };

  explicit ScriptedPrompts(ProgramIdentity identity = {});

  bool AskYesNo(QWidget* parent, const QString& question) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
  void ShowInformation(QWidget* parent, const QString& text) override;
  void ShowAbout(QWidget* parent) override;

  /// Answers of the coming questions, first one first. A question beyond them is answered No
  /// and marked unexpected.
  QList<bool> answers;
  /// Called with each question before it is answered, so a test can act in the middle of a job.
  std::function<void(const QString&)> onQuestion;
  /// Called with each message as it is recorded, while whatever was on screen still is.
  std::function<void(const Message&)> onMessage;

  QList<Message> messages;
  bool unexpectedQuestion = false;

  /// Texts of the recorded messages of one kind, oldest first.
  QStringList TextsOf(Kind kind) const;
  void Clear() { messages.clear(); }
};
