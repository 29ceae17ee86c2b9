// case_converter_dialog.h - Lettrim's main dialog: the file pair plus the case options.
#pragma once

#include "case_conversion.h"
#include "file_pair_dialog.h"
#include "lettrim_texts.h"

QT_BEGIN_NAMESPACE
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QRadioButton;
QT_END_NAMESPACE

/// Runs RunCaseConversion over the chosen files with the options on screen. The options start
/// from their defaults at every program start and are kept between runs.
class CCaseConverterDlg : public CFilePairDlg {
  Q_OBJECT

 public:
  explicit CCaseConverterDlg(QWidget* parent = nullptr);

  /// The options as they were read for the last Process.
  const casefix::CaseConversionOptions& Options() const { return options; }

 protected:
  bool ReadOptions() override;
  QString RefuseSource(std::istream& source, const QString& sourceName) override;
  JobReport RunJob(JobFiles& files, CJobProgressDlg& progress) override;
  QString FinalMessage(gedtext::JobOutcome outcome) const override;

 private:
  static FilePairSettings MakeSettings(const LettrimTexts& texts);
  void CreateOptionControls();
  void SetOptionToolTips();
  void LayOutControls();
  void WriteOptionsToControls();

  LettrimTexts texts;
  casefix::CaseConversionOptions options;
  casefix::CaseConversionResult lastResult;

  QGroupBox* convertToGroup = nullptr;
  QRadioButton* lowercaseRadio = nullptr;
  QRadioButton* uppercaseRadio = nullptr;
  QButtonGroup* caseChoice = nullptr;
  QCheckBox* surnameOnlyCheck = nullptr;
  QCheckBox* placesCheck = nullptr;
};
