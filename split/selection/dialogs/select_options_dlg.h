// select_options_dlg.h - what the Tree, Ancestor and Descendant option dialogs share: the three
// closing buttons, checked number fields and context help by control number.
#pragma once

#include <QDialog>

class GenerationSpinBox;
class QBoxLayout;
class QPushButton;

/// A modal dialog that ends with Select (1), UnSelect (2) or Cancel (0).
class SelectOptionsDlg : public QDialog {
  Q_OBJECT
 public:
  enum Outcome { Cancelled = 0, Selected = 1, UnSelected = 2 };
  /// Help context numbers of the dialogs' controls are this base plus the control number.
  static constexpr int kControlHelpBase = 0x70000;
  /// Name of the dynamic property that carries a control's number.
  static constexpr const char* kControlIdProperty = "controlId";

 signals:
  /// A help topic was asked for: by a click in What's This mode or F1 on a focused control.
  void helpRequested(int contextNumber);

 protected:
  SelectOptionsDlg(const QString& caption, QWidget* parent);

  /// Marks a control with its number, for help and for tests that look controls up.
  void RegisterControl(QWidget* control, int controlId, const char* objectName);
  GenerationSpinBox* MakeNumberField(int controlId, const char* objectName);
  /// The Select, UnSelect and Cancel buttons, with Select as the default button.
  QBoxLayout* MakeButtonRow(int selectId, int unselectId, int cancelId);

  /// Reads every control into the values; false (after telling the user and focusing the
  /// field) when a number fails its check, in which case the dialog stays open.
  virtual bool ReadControls() = 0;
  /// Checks one number field against 0..maximum; on success stores the number in value.
  bool ReadNumber(GenerationSpinBox* field, int maximum, int& value);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Finish(Outcome outcome);
  void HelpOnFocusedControl();
};
