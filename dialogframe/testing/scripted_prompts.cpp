// scripted_prompts.cpp - recording and answering message boxes for tests.
#include "scripted_prompts.h"

#include <utility>  // std::move

ScriptedPrompts::ScriptedPrompts(ProgramIdentity identity)
    : QtUserPrompts(std::move(identity), false) {}

bool ScriptedPrompts::AskYesNo(QWidget* parent, const QString& question) {
  (void)parent;
  messages.append({Kind::Question, question});
  if (onMessage) onMessage(messages.last());
  if (onQuestion) onQuestion(question);
  if (answers.isEmpty()) {
    unexpectedQuestion = true;
    return false;
  }
  return answers.takeFirst();
}

void ScriptedPrompts::ShowWarning(QWidget* parent, const QString& text) {
  (void)parent;
  messages.append({Kind::Warning, text});
  if (onMessage) onMessage(messages.last());
}

void ScriptedPrompts::ShowInformation(QWidget* parent, const QString& text) {
  (void)parent;
  messages.append({Kind::Information, text});
  if (onMessage) onMessage(messages.last());
}

void ScriptedPrompts::ShowAbout(QWidget* parent) {
  (void)parent;
  messages.append({Kind::About, QString()});
}

QStringList ScriptedPrompts::TextsOf(Kind kind) const {
  QStringList texts;
  for (const Message& message : messages) {
    if (message.kind == kind) texts.append(message.text);
  }
  return texts;
}
