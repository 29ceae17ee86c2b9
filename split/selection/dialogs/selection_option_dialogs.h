// selection_option_dialogs.h - the Tree, Ancestor and Descendant option dialogs.
#pragma once

#include "select_options_dlg.h"

class QCheckBox;
class GenerationSpinBox;

struct TreeDlgValues {
  int generations = 0;
};

/// Check boxes hold 0 or 1.
struct AncestorDlgValues {
  int generations = 0;
  int includeChildrenOfAncestors = 0;
  int includeAncestorTree = 0;
  int collateralGenerations = 0;
  int excludeFamiliesOfSpouses = 0;
};

struct DescendantDlgValues {
  int includeSpousesOfDescendants = 0;
  int includeDescendantTree = 0;
  int generations = 0;
  int collateralGenerations = 0;
  int includeSpousesParents = 0;
};

/// Generation limit for the connected-tree command; remembers nothing between showings.
class CTreeSelectDlg : public SelectOptionsDlg {
  Q_OBJECT
 public:
  static constexpr int kGenerationsMaximum = 99999;

  explicit CTreeSelectDlg(QWidget* parent = nullptr);
  void SetValues(const TreeDlgValues& newValues);
  TreeDlgValues Values() const { return values; }

 private:
  bool ReadControls() override;

  TreeDlgValues values;
  GenerationSpinBox* generationsField;
};

/// Options of the ancestor command, kept under Settings/AncestorDlg.
class CAncestorSelectDlg : public SelectOptionsDlg {
  Q_OBJECT
 public:
  static constexpr int kGenerationsMaximum = 99999;
  static constexpr int kCollateralMaximum = 999999;
  static constexpr const char* kSettingsKey = "Settings/AncestorDlg";

  explicit CAncestorSelectDlg(QWidget* parent = nullptr);
  void SetValues(const AncestorDlgValues& newValues);
  AncestorDlgValues Values() const { return values; }

  /// Takes the stored values when they read as five numbers; a dependent option whose master
  /// is off is cleared.
  void LoadSettings();
  void SaveSettings() const;
  /// Shows the dialog with the stored values and stores the values unless it was cancelled.
  int DoModal();

 private:
  bool ReadControls() override;
  void OnMasterClicked();

  AncestorDlgValues values;
  QCheckBox* childrenBox;
  QCheckBox* treeBox;
  QCheckBox* excludeSpousesBox;
  GenerationSpinBox* generationsField;
  GenerationSpinBox* collateralField;
};

/// Options of the descendant command, kept under Settings/DescendantDlg.
class CDescendantSelectDlg : public SelectOptionsDlg {
  Q_OBJECT
 public:
  static constexpr int kGenerationsMaximum = 999999;
  static constexpr int kCollateralMaximum = 999999;
  static constexpr const char* kSettingsKey = "Settings/DescendantDlg";

  explicit CDescendantSelectDlg(QWidget* parent = nullptr);
  void SetValues(const DescendantDlgValues& newValues);
  DescendantDlgValues Values() const { return values; }

  void LoadSettings();
  void SaveSettings() const;
  int DoModal();

 private:
  bool ReadControls() override;
  void OnMasterClicked();

  DescendantDlgValues values;
  QCheckBox* spousesBox;
  QCheckBox* spousesParentsBox;
  QCheckBox* treeBox;
  GenerationSpinBox* generationsField;
  GenerationSpinBox* collateralField;
};
