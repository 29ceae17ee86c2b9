// toolbar_icons.h - the toolbar pictures and the list's selected-arrow, drawn at start-up.
#pragma once

#include <QIcon>

enum class ToolbarPicture {
  Open, SaveAs, Family, Ancestors, Descendants, Tree, Everyone, Invert, UndoRedo, About, ContextHelp
};

/// A 26 x 24 toolbar picture.
QIcon ToolbarIcon(ToolbarPicture picture);

/// 16 x 16: a blue arrow pointing right, shown beside selected individuals.
QIcon SelectedArrowIcon();
/// 16 x 16 and fully transparent, so that unselected names line up with selected ones.
QIcon EmptyRowIcon();
