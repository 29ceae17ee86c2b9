// main_frame.h - Kinprune's main window: menu, accelerators, toolbar, status bar, placement,
// open and save, recent files, dropped files, About and help.
#pragma once

#include <QMainWindow>

#include <memory>  // std::unique_ptr
#include <vector>  // std::vector

#include "kinprune_doc.h"
#include "status_panes.h"
#include "ui_texts.h"

class CKinpruneView;
class HelpWindow;
class QAction;
class QLabel;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow, public StatusPanes, private kinprune::StatusSink {
  Q_OBJECT
 public:
  static constexpr int kRecentFileCount = 4;
  static constexpr QSize kMinimumSize{500, 300};

  explicit CMainFrame(kinprune::CKinpruneDoc& document, QWidget* parent = nullptr);
  ~CMainFrame() override;

  /// Opens path into the document and shows it; a failure is reported in a message box and
  /// leaves the document as it was.
  bool OpenFile(const QString& path);
  /// Writes the selected subset to path, asking first when path is the opened file. False when
  /// nothing was written.
  bool SaveFile(const QString& path);

  /// Applies the stored "WindowPos" when it reads as ten numbers, then shows the window.
  void RestorePlacementAndShow();
  void ShowToolbarText(bool on);
  bool ToolText() const { return toolText; }

  CKinpruneView* View() const { return view; }
  HelpWindow* Help();
  QStringList RecentFiles() const { return recentFiles; }
  QString DocumentPath() const { return documentPath; }

  void SetPaneText(Pane pane, const QString& text) override;
  QString PaneText(Pane pane) const override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createStatusBar();
  void readSettings();
  void writeSettings() const;
  void writePlacement() const;
  /// The size of a first start, when no placement is stored.
  void ApplyDefaultSize();

  QAction* MakeCommand(const UiText::CommandText& command);
  void OnFileOpen();
  void OnFileSaveAs();
  void OnAbout();
  void OnHelp();
  void OnContextHelp();
  void AddRecentFile(const QString& path);
  void UpdateRecentFileActions();
  void UpdateTitle();
  void WatchForHelpAndAccelerators(QWidget* widget);

  void SetStatusText(std::string_view text) override;

  kinprune::CKinpruneDoc& document;
  CKinpruneView* view;
  /// The name the window shows: the opened file, or the last one saved.
  QString documentPath;
  bool toolText = false;
  QStringList recentFiles;

  QAction* openAction = nullptr;
  QAction* saveAsAction = nullptr;
  QAction* exitAction = nullptr;
  QAction* statusBarAction = nullptr;
  QAction* toolbarTextAction = nullptr;
  QAction* familyAction = nullptr;
  QAction* ancestorsAction = nullptr;
  QAction* descendantsAction = nullptr;
  QAction* treeAction = nullptr;
  QAction* everyoneAction = nullptr;
  QAction* invertAction = nullptr;
  QAction* undoRedoAction = nullptr;
  QAction* helpTopicsAction = nullptr;
  QAction* aboutAction = nullptr;
  QAction* helpAction = nullptr;
  QAction* contextHelpAction = nullptr;
  std::vector<QAction*> recentFileActions;
  QAction* recentFilesSeparator = nullptr;
  /// Every command with an accelerator; these keys win over the edits' own use of them.
  std::vector<QAction*> acceleratedCommands;

  QMenu* selectMenu = nullptr;
  QToolBar* toolBar = nullptr;
  QLabel* messagePane = nullptr;
  QLabel* selectedCountPane = nullptr;
  QLabel* individualCountPane = nullptr;
  /// A window of its own, not a child of this one, so that it stays usable while an option
  /// dialog that asked for it is still open.
  std::unique_ptr<HelpWindow> helpWindow;
};
