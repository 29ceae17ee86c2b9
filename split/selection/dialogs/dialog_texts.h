// dialog_texts.h - the fixed texts of the selection option dialogs, in one table.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace DialogText {

inline QString T(const char* text) { return QCoreApplication::translate("SelectOptions", text); }

inline QString TreeCaption() { return T("Tree Selection Options"); }
inline QString AncestorCaption() { return T("Ancestor Selection Options"); }
inline QString DescendantCaption() { return T("Descendant Selection Options"); }
inline QString Generations() { return T("Generations"); }
inline QString CollateralGenerations() { return T("Collateral\nGenerations"); }
inline QString Select() { return T("Select"); }
inline QString UnSelect() { return T("UnSelect"); }
inline QString Cancel() { return T("Cancel"); }
inline QString IncludeChildrenOfAncestors() { return T("Include Children of Ancestors"); }
inline QString IncludeAncestorTree() { return T("Include Ancestor Tree"); }
inline QString ExcludeFamiliesOfSpouses() { return T("Exclude Families of Spouses"); }
inline QString IncludeSpousesOfDescendants() { return T("Include Spouses of Descendants"); }
inline QString IncludeSpousesOfDescendantsTip() { return T("Include spouses of selected descendants"); }
inline QString IncludeSpousesParents() { return T("Include Spouses Parents"); }
inline QString IncludeDescendantTree() { return T("Include Descendant Tree"); }
inline QString EnterInteger() { return T("Please enter an integer."); }
inline QString EnterIntegerBetween(int low, int high) {
  return T("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

}  // namespace DialogText
