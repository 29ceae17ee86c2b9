// case_converter_dialog.cpp - Lettrim's options and job.
#include "case_converter_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "job_files.h"
#include "job_progress_dialog.h"

namespace {

enum CaseChoice { kLowercase = 0, kUppercase = 1 };

}  // namespace

CCaseConverterDlg::CCaseConverterDlg(QWidget* parent)
    : CFilePairDlg(MakeSettings(LoadLettrimTexts()), parent), texts(LoadLettrimTexts()) {
  CreateOptionControls();
  SetOptionToolTips();
  LayOutControls();
  WriteOptionsToControls();
}

FilePairSettings CCaseConverterDlg::MakeSettings(const LettrimTexts& texts) {
  return FilePairSettingsFor(texts, QStringLiteral("lettrim"));
}

void CCaseConverterDlg::CreateOptionControls() {
  convertToGroup = new QGroupBox(texts.convertToGroup, this);
  lowercaseRadio = new QRadioButton(texts.lowercase, convertToGroup);
  lowercaseRadio->setObjectName("lowercaseRadio");
  uppercaseRadio = new QRadioButton(texts.uppercase, convertToGroup);
  uppercaseRadio->setObjectName("uppercaseRadio");
  caseChoice = new QButtonGroup(this);
  caseChoice->addButton(lowercaseRadio, kLowercase);
  caseChoice->addButton(uppercaseRadio, kUppercase);
  surnameOnlyCheck = new QCheckBox(texts.surnameOnly, this);
  surnameOnlyCheck->setObjectName("surnameOnlyCheck");
  placesCheck = new QCheckBox(texts.places, this);
  placesCheck->setObjectName("placesCheck");
}

void CCaseConverterDlg::SetOptionToolTips() {
  lowercaseRadio->setToolTip(texts.lowercaseTip);
  uppercaseRadio->setToolTip(texts.uppercaseTip);
  surnameOnlyCheck->setToolTip(texts.surnameOnlyTip);
  placesCheck->setToolTip(texts.placesTip);
}

void CCaseConverterDlg::LayOutControls() {
  auto* groupRow = new QHBoxLayout(convertToGroup);
  groupRow->addWidget(lowercaseRadio);
  groupRow->addWidget(uppercaseRadio);

  auto* checks = new QVBoxLayout;
  checks->addWidget(surnameOnlyCheck);
  checks->addWidget(placesCheck);

  auto* optionRow = new QHBoxLayout;
  optionRow->addWidget(convertToGroup);
  optionRow->addLayout(checks);
  optionRow->addStretch();

  auto* column = new QVBoxLayout(this);
  column->addLayout(CreateFileRows());
  column->addLayout(optionRow);
  column->addLayout(CreateCommandRow());
  SetTabOrder({lowercaseRadio, uppercaseRadio, surnameOnlyCheck, placesCheck});
}

void CCaseConverterDlg::WriteOptionsToControls() {
  caseChoice->button(options.upperCase == kUppercase ? kUppercase : kLowercase)->setChecked(true);
  surnameOnlyCheck->setChecked(options.surnameOnly);
  placesCheck->setChecked(options.convertPlaces);
}

bool CCaseConverterDlg::ReadOptions() {
  options.upperCase = caseChoice->checkedId() == kUppercase ? 1 : 0;
  options.surnameOnly = surnameOnlyCheck->isChecked();
  options.convertPlaces = placesCheck->isChecked();
  return true;
}

QString CCaseConverterDlg::RefuseSource(std::istream& source, const QString& sourceName) {
  if (!casefix::SourceIsUtf16(source)) return {};
  return texts.utf16Source.arg(sourceName);
}

JobReport CCaseConverterDlg::RunJob(JobFiles& files, CJobProgressDlg& progress) {
  lastResult = casefix::RunCaseConversion(files.Source(), files.Destination(), options, progress);
  JobReport report{lastResult.outcome, {}};
  switch (lastResult.failure) {
    case casefix::CaseConversionFailure::None:
      break;
    case casefix::CaseConversionFailure::WriteError:
      report.warning = texts.writeFailed;
      break;
    case casefix::CaseConversionFailure::ReadError:
      report.warning = texts.readFailed;
      break;
    case casefix::CaseConversionFailure::Utf16Source:
      report.warning = texts.utf16Source.arg(SourceName());
      break;
  }
  return report;
}

QString CCaseConverterDlg::FinalMessage(gedtext::JobOutcome outcome) const {
  if (outcome != gedtext::JobOutcome::Completed) return texts.aborted;
  const QString& completed =
      options.upperCase == kUppercase ? texts.completedUppercase : texts.completedLowercase;
  return completed.arg(lastResult.namesChanged).arg(lastResult.placesChanged);
}
