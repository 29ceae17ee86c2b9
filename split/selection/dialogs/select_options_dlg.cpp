// select_options_dlg.cpp - what the Tree, Ancestor and Descendant option dialogs share.
#include "select_options_dlg.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QWhatsThis>

#include "dialog_texts.h"
#include "generation_spin_box.h"

SelectOptionsDlg::SelectOptionsDlg(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  // Modal to the main window only: a help window opened from here stays usable.
  setWindowModality(Qt::WindowModal);
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, &SelectOptionsDlg::HelpOnFocusedControl);
  // Many desktops draw no help button in the title bar; Shift+F1 arms the same pointer.
  auto* pointHelp = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
  connect(pointHelp, &QShortcut::activated, this, [] { QWhatsThis::enterWhatsThisMode(); });
}

void SelectOptionsDlg::RegisterControl(QWidget* control, int controlId, const char* objectName) {
  control->setObjectName(QString::fromLatin1(objectName));
  control->setProperty(kControlIdProperty, controlId);
  control->installEventFilter(this);
}

GenerationSpinBox* SelectOptionsDlg::MakeNumberField(int controlId, const char* objectName) {
  auto* field = new GenerationSpinBox(this);
  RegisterControl(field, controlId, objectName);
  return field;
}

QBoxLayout* SelectOptionsDlg::MakeButtonRow(int selectId, int unselectId, int cancelId) {
  auto* select = new QPushButton(DialogText::Select(), this);
  auto* unselect = new QPushButton(DialogText::UnSelect(), this);
  auto* cancel = new QPushButton(DialogText::Cancel(), this);
  RegisterControl(select, selectId, "selectButton");
  RegisterControl(unselect, unselectId, "unselectButton");
  RegisterControl(cancel, cancelId, "cancelButton");
  select->setDefault(true);
  connect(select, &QPushButton::clicked, this, [this] { Finish(Selected); });
  connect(unselect, &QPushButton::clicked, this, [this] { Finish(UnSelected); });
  // Cancel, Escape and the close box all end through reject(), which QDialog maps to 0.
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(select);
  row->addWidget(unselect);
  row->addWidget(cancel);
  return row;
}

void SelectOptionsDlg::Finish(Outcome outcome) {
  if (ReadControls()) done(outcome);
}

bool SelectOptionsDlg::ReadNumber(GenerationSpinBox* field, int maximum, int& value) {
  bool isNumber = false;
  const qlonglong number = field->Text().toLongLong(&isNumber);
  QString problem;
  if (!isNumber) {
    problem = DialogText::EnterInteger();
  } else if (number < 0 || number > maximum) {
    problem = DialogText::EnterIntegerBetween(0, maximum);
  }
  if (problem.isEmpty()) {
    value = static_cast<int>(number);
    return true;
  }
  QMessageBox::warning(this, QApplication::applicationDisplayName(), problem);
  field->setFocus();
  field->SelectAllText();
  return false;
}

void SelectOptionsDlg::HelpOnFocusedControl() {
  for (QWidget* widget = focusWidget(); widget != nullptr && widget != this;
       widget = widget->parentWidget()) {
    const QVariant id = widget->property(kControlIdProperty);
    if (id.isValid()) {
      emit helpRequested(kControlHelpBase + id.toInt());
      return;
    }
  }
}

bool SelectOptionsDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::QueryWhatsThis) {
    event->accept();
    return true;
  }
  if (event->type() == QEvent::WhatsThis) {
    emit helpRequested(kControlHelpBase + watched->property(kControlIdProperty).toInt());
    event->accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
