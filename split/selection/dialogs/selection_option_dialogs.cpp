// selection_option_dialogs.cpp - the Tree, Ancestor and Descendant option dialogs.
#include "selection_option_dialogs.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

#include "dialog_texts.h"
#include "five_field_setting.h"
#include "generation_spin_box.h"

namespace {

int Checked(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

QCheckBox* MakeCheckBox(const QString& text, QWidget* parent) { return new QCheckBox(text, parent); }

/// The two number rows "Generations" and "Collateral Generations" beside their fields.
QGridLayout* NumberRows(QWidget* parent, GenerationSpinBox* generations,
                        GenerationSpinBox* collateral) {
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(DialogText::Generations(), parent), 0, 0);
  grid->addWidget(generations, 0, 1);
  if (collateral != nullptr) {
    grid->addWidget(new QLabel(DialogText::CollateralGenerations(), parent), 1, 0);
    grid->addWidget(collateral, 1, 1);
  }
  grid->setColumnStretch(2, 1);
  return grid;
}

std::optional<FiveFields> StoredFields(const char* key) {
  const QString text = SettingText(QSettings().value(QString::fromLatin1(key), QString()));
  if (text.isEmpty()) return std::nullopt;
  return ParseFiveFields(text);
}

void StoreFields(const char* key, const FiveFields& fields) {
  QSettings().setValue(QString::fromLatin1(key), FormatFiveFields(fields));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CTreeSelectDlg::CTreeSelectDlg(QWidget* parent)
    : SelectOptionsDlg(DialogText::TreeCaption(), parent),
      generationsField(MakeNumberField(1041, "generationsEdit")) {
  setObjectName(QStringLiteral("treeSelectDlg"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(NumberRows(this, generationsField, nullptr));
  layout->addStretch(1);
  layout->addLayout(MakeButtonRow(1049, 1050, 1051));
  SetValues(values);
}

void CTreeSelectDlg::SetValues(const TreeDlgValues& newValues) {
  values = newValues;
  generationsField->SetNumber(values.generations);
}

bool CTreeSelectDlg::ReadControls() {
  return ReadNumber(generationsField, kGenerationsMaximum, values.generations);
}

// ---------------------------------------------------------------------------------------------

CAncestorSelectDlg::CAncestorSelectDlg(QWidget* parent)
    : SelectOptionsDlg(DialogText::AncestorCaption(), parent),
      childrenBox(MakeCheckBox(DialogText::IncludeChildrenOfAncestors(), this)),
      treeBox(MakeCheckBox(DialogText::IncludeAncestorTree(), this)),
      excludeSpousesBox(MakeCheckBox(DialogText::ExcludeFamiliesOfSpouses(), this)),
      generationsField(MakeNumberField(1038, "generationsEdit")),
      collateralField(MakeNumberField(1039, "collateralEdit")) {
  setObjectName(QStringLiteral("ancestorSelectDlg"));
  RegisterControl(childrenBox, 1035, "includeChildrenCheck");
  RegisterControl(treeBox, 1036, "includeTreeCheck");
  RegisterControl(excludeSpousesBox, 1037, "excludeSpousesCheck");
  connect(treeBox, &QCheckBox::clicked, this, &CAncestorSelectDlg::OnMasterClicked);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(childrenBox);
  layout->addWidget(treeBox);
  layout->addWidget(excludeSpousesBox);
  layout->addSpacing(8);
  layout->addLayout(NumberRows(this, generationsField, collateralField));
  layout->addStretch(1);
  layout->addLayout(MakeButtonRow(1046, 1047, 1048));
  SetValues(values);
}

void CAncestorSelectDlg::SetValues(const AncestorDlgValues& newValues) {
  values = newValues;
  childrenBox->setChecked(values.includeChildrenOfAncestors != 0);
  treeBox->setChecked(values.includeAncestorTree != 0);
  excludeSpousesBox->setChecked(values.excludeFamiliesOfSpouses != 0);
  excludeSpousesBox->setEnabled(values.includeAncestorTree != 0);
  generationsField->SetNumber(values.generations);
  collateralField->SetNumber(values.collateralGenerations);
}

void CAncestorSelectDlg::LoadSettings() {
  const std::optional<FiveFields> stored = StoredFields(kSettingsKey);
  if (!stored) return;
  AncestorDlgValues loaded;
  loaded.includeChildrenOfAncestors = (*stored)[0];
  loaded.excludeFamiliesOfSpouses = (*stored)[1];
  loaded.includeAncestorTree = (*stored)[2];
  loaded.generations = (*stored)[3];
  loaded.collateralGenerations = (*stored)[4];
  if (loaded.includeAncestorTree == 0) loaded.excludeFamiliesOfSpouses = 0;
  SetValues(loaded);
}

void CAncestorSelectDlg::SaveSettings() const {
  StoreFields(kSettingsKey, {values.includeChildrenOfAncestors, values.excludeFamiliesOfSpouses,
                             values.includeAncestorTree, values.generations,
                             values.collateralGenerations});
}

int CAncestorSelectDlg::DoModal() {
  LoadSettings();
  const int outcome = exec();
  if (outcome != Cancelled) SaveSettings();
  return outcome;
}

bool CAncestorSelectDlg::ReadControls() {
  AncestorDlgValues read = values;
  read.includeChildrenOfAncestors = Checked(childrenBox);
  read.includeAncestorTree = Checked(treeBox);
  read.excludeFamiliesOfSpouses = Checked(excludeSpousesBox);
  if (!ReadNumber(generationsField, kGenerationsMaximum, read.generations)) return false;
  if (!ReadNumber(collateralField, kCollateralMaximum, read.collateralGenerations)) return false;
  values = read;
  return true;
}

void CAncestorSelectDlg::OnMasterClicked() {
  if (treeBox->isChecked()) {
    excludeSpousesBox->setEnabled(true);
    return;
  }
  excludeSpousesBox->setChecked(false);
  excludeSpousesBox->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------

CDescendantSelectDlg::CDescendantSelectDlg(QWidget* parent)
    : SelectOptionsDlg(DialogText::DescendantCaption(), parent),
      spousesBox(MakeCheckBox(DialogText::IncludeSpousesOfDescendants(), this)),
      spousesParentsBox(MakeCheckBox(DialogText::IncludeSpousesParents(), this)),
      treeBox(MakeCheckBox(DialogText::IncludeDescendantTree(), this)),
      generationsField(MakeNumberField(1040, "generationsEdit")),
      collateralField(MakeNumberField(1025, "collateralEdit")) {
  setObjectName(QStringLiteral("descendantSelectDlg"));
  RegisterControl(spousesBox, 1016, "includeSpousesCheck");
  RegisterControl(spousesParentsBox, 1033, "includeSpousesParentsCheck");
  RegisterControl(treeBox, 1017, "includeTreeCheck");
  spousesBox->setToolTip(DialogText::IncludeSpousesOfDescendantsTip());
  connect(spousesBox, &QCheckBox::clicked, this, &CDescendantSelectDlg::OnMasterClicked);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(spousesBox);
  layout->addWidget(spousesParentsBox);
  layout->addWidget(treeBox);
  layout->addSpacing(8);
  layout->addLayout(NumberRows(this, generationsField, collateralField));
  layout->addStretch(1);
  layout->addLayout(MakeButtonRow(1043, 1044, 1045));
  SetValues(values);
}

void CDescendantSelectDlg::SetValues(const DescendantDlgValues& newValues) {
  values = newValues;
  spousesBox->setChecked(values.includeSpousesOfDescendants != 0);
  spousesParentsBox->setChecked(values.includeSpousesParents != 0);
  spousesParentsBox->setEnabled(values.includeSpousesOfDescendants != 0);
  treeBox->setChecked(values.includeDescendantTree != 0);
  generationsField->SetNumber(values.generations);
  collateralField->SetNumber(values.collateralGenerations);
}

void CDescendantSelectDlg::LoadSettings() {
  const std::optional<FiveFields> stored = StoredFields(kSettingsKey);
  if (!stored) return;
  DescendantDlgValues loaded;
  loaded.includeSpousesOfDescendants = (*stored)[0];
  loaded.includeSpousesParents = (*stored)[1];
  loaded.includeDescendantTree = (*stored)[2];
  loaded.generations = (*stored)[3];
  loaded.collateralGenerations = (*stored)[4];
  if (loaded.includeSpousesOfDescendants == 0) loaded.includeSpousesParents = 0;
  SetValues(loaded);
}

void CDescendantSelectDlg::SaveSettings() const {
  StoreFields(kSettingsKey, {values.includeSpousesOfDescendants, values.includeSpousesParents,
                             values.includeDescendantTree, values.generations,
                             values.collateralGenerations});
}

int CDescendantSelectDlg::DoModal() {
  LoadSettings();
  const int outcome = exec();
  if (outcome != Cancelled) SaveSettings();
  return outcome;
}

bool CDescendantSelectDlg::ReadControls() {
  DescendantDlgValues read = values;
  read.includeSpousesOfDescendants = Checked(spousesBox);
  read.includeSpousesParents = Checked(spousesParentsBox);
  read.includeDescendantTree = Checked(treeBox);
  if (!ReadNumber(generationsField, kGenerationsMaximum, read.generations)) return false;
  if (!ReadNumber(collateralField, kCollateralMaximum, read.collateralGenerations)) return false;
  values = read;
  return true;
}

void CDescendantSelectDlg::OnMasterClicked() {
  if (spousesBox->isChecked()) {
    spousesParentsBox->setEnabled(true);
    return;
  }
  spousesParentsBox->setChecked(false);
  spousesParentsBox->setEnabled(false);
}
