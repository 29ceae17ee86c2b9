// ui_texts.h - the fixed texts of the Kinprune window, in one table.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace UiText {

inline QString T(const char* text) { return QCoreApplication::translate("Kinprune", text); }

inline QString ProgramName() { return QStringLiteral("Kinprune"); }
inline QString Untitled() { return T("Untitled"); }
inline QString GedcomFilter() { return T("GEDCOM Files (*.ged)"); }
inline QString AboutText() { return T("Kinprune Version 1.0.23"); }
inline QString IdleMessage() { return T("For Help, press F1"); }
inline QString AddingItems(int percent) { return T("Adding items to list %1%").arg(percent); }
inline QString NameColumn() { return T("Name"); }
inline QString HelpCaption() { return T("Kinprune Help"); }
inline QString OpenCaption() { return T("Open"); }
inline QString SaveAsCaption() { return T("Save As"); }
inline QString FileNotDropped() { return T("Only files on this computer can be opened."); }

/// One command: its menu text, its shortcut, its status-bar prompt, its tool tip and its
/// toolbar label.
struct CommandText {
  const char* objectName;
  const char* menuText;
  const char* shortcut;
  const char* prompt;
  const char* toolTip;
  const char* toolbarLabel;
};

inline constexpr CommandText kOpen{"actionOpen", "&Open...", "Ctrl+O", "Open an existing document",
                                   "Open", "Open"};
inline constexpr CommandText kSaveAs{"actionSaveAs", "Save &As...", "Ctrl+S",
                                     "Save the active document with a new name", "Save As",
                                     "Save As"};
inline constexpr CommandText kExit{"actionExit", "E&xit", "",
                                   "Quit the application; prompts to save documents", "Exit", ""};
inline constexpr CommandText kRecentFile{"", "", "", "Open this document", "", ""};
inline constexpr CommandText kToolbar{"actionToolbar", "&Toolbar", "", "Show or hide the toolbar",
                                      "Toggle ToolBar", ""};
inline constexpr CommandText kStatusBar{"actionStatusBar", "&Status Bar", "",
                                        "Show or hide the status bar", "Toggle StatusBar", ""};
inline constexpr CommandText kToolbarText{"actionToolbarText", "T&oolbar Text", "",
                                          "Show text in toolbar", "Show Text", ""};
inline constexpr CommandText kFamily{"actionFamily", "Family", "Ctrl+F", "Select Family Members",
                                     "Select Family", "Family"};
inline constexpr CommandText kAncestors{"actionAncestors", "Ancestors", "Ctrl+A",
                                        "Select Ancestors for individual", "Select Ancestors",
                                        "Ancest"};
inline constexpr CommandText kDescendants{"actionDescendants", "Descendants", "Ctrl+D",
                                          "Select Descendants for individual",
                                          "Select Descendants", "Descend"};
inline constexpr CommandText kTree{"actionTree", "Tree", "Ctrl+T", "Select all connected individuals",
                                   "Select connected", "Tree"};
inline constexpr CommandText kEveryone{"actionEveryone", "Everyone", "Ctrl+E",
                                       "Toggle between everyone and no one",
                                       "Select everyone or no one", "Every"};
inline constexpr CommandText kInvert{"actionInvert", "Invert", "Ctrl+I",
                                     "Select all unselected and Unselect all selected",
                                     "Invert Selection", "Invert"};
inline constexpr CommandText kUndoRedo{"actionUndoRedo", "Undo/Redo", "Ctrl+U",
                                       "Undo last operation", "Undo/Redo", "Undo"};
inline constexpr CommandText kHelpTopics{"actionHelpTopics", "&Help Topics", "", "List Help topics",
                                         "Help Topics", ""};
inline constexpr CommandText kAbout{"actionAbout", "&About Kinprune...", "",
                                    "Display program information, version number and copyright",
                                    "About", "About"};
inline constexpr CommandText kHelp{"actionHelp", "Help", "F1", "Display help for current task or command",
                                   "Help", ""};
inline constexpr CommandText kContextHelp{"actionContextHelp", "What's This?", "Shift+F1",
                                          "Display help for clicked on buttons, menus and windows",
                                          "Help", "Help"};

inline constexpr const char* kFileMenu = "&File";
inline constexpr const char* kViewMenu = "&View";
inline constexpr const char* kSelectMenu = "&Select";
inline constexpr const char* kHelpMenu = "&Help";

}  // namespace UiText
