// privatizer_dialog.h - Hushtree's main dialog: the file pair plus the privatizing options.
#pragma once

#include <initializer_list>  // std::initializer_list

#include "file_pair_dialog.h"
#include "hushtree_texts.h"
#include "privatizer.h"

QT_BEGIN_NAMESPACE
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
QT_END_NAMESPACE

/// Runs the privatizer engine's dialog variant over the chosen files with the options on
/// screen, then shows the clean-up phase and the final message.
class CPrivatizerDlg : public CFilePairDlg {
  Q_OBJECT

 public:
  explicit CPrivatizerDlg(QWidget* parent = nullptr);

  /// The options as they were read for the last Process.
  const privatize::PrivatizeOptions& Options() const { return options; }

  static constexpr int kLowestCutoff = 0;
  static constexpr int kHighestCutoff = 32000;

 protected:
  bool ReadOptions() override;
  QString RefuseSource(std::istream& source, const QString& sourceName) override;
  JobReport RunJob(JobFiles& files, CJobProgressDlg& progress) override;
  QString FinalMessage(gedtext::JobOutcome outcome) const override;

 private:
  static FilePairSettings MakeSettings(const HushtreeTexts& texts);
  void CreateProcessingControls();
  void CreateMessageControls();
  void CreateFlagAndCutoffControls();
  void SetOptionToolTips();
  void LayOutControls();
  void ConnectEnablingRules();
  bool ReadCutoff(int& cutoff);
  void ShowCleanUp(JobFiles& files, CJobProgressDlg& progress);
  [[noreturn]] void EndForLackOfMemory(JobFiles& files);

  void OnProcessingModeClicked(int mode);
  void OnPlacementClicked(int placement);
  static void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled);

  HushtreeTexts texts;
  privatize::PrivatizeOptions options;

  QGroupBox* processingGroup = nullptr;
  QRadioButton* removeDetailsRadio = nullptr;
  QRadioButton* yearOnlyRadio = nullptr;
  QRadioButton* deleteLivingRadio = nullptr;
  QButtonGroup* processingMode = nullptr;
  QGroupBox* messageGroup = nullptr;
  QLineEdit* messageEdit = nullptr;
  QRadioButton* asNoteRadio = nullptr;
  QRadioButton* asBirthDateRadio = nullptr;
  QRadioButton* noMessageRadio = nullptr;
  QButtonGroup* messagePlacement = nullptr;
  QCheckBox* retainNotesCheck = nullptr;
  QCheckBox* removeUnreferencedCheck = nullptr;
  QCheckBox* initialsOnlyCheck = nullptr;
  QLabel* cutoffLabel = nullptr;
  QSpinBox* cutoffSpin = nullptr;
  QCheckBox* forceCutoffCheck = nullptr;
};
