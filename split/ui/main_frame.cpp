// main_frame.cpp - Kinprune's main window: menu, accelerators, toolbar, status bar, placement,
// open and save, recent files, dropped files, About and help.
#include "main_frame.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <utility>  // std::pair

#include "five_field_setting.h"
#include "help_window.h"
#include "kinprune_view.h"
#include "toolbar_icons.h"
#include "wait_cursor.h"

namespace {

// Settings, all in the section "Settings".
constexpr const char* kWindowPosKey = "Settings/WindowPos";
constexpr const char* kToolTextKey = "Settings/ToolText";
constexpr const char* kBarStateKey = "Settings/BarState";
constexpr const char* kStatusBarKey = "Settings/StatusBar";
constexpr const char* kRecentFileKey = "Settings/RecentFile%1";

// The show states and flags of the stored placement, as the desktop it was designed for
// numbers them.
constexpr unsigned kShowNormal = 1;
constexpr unsigned kShowMinimized = 2;
constexpr unsigned kShowMaximized = 3;
constexpr unsigned kRestoreToMaximized = 2;
constexpr int kNoPosition = -1;
constexpr std::size_t kPlacementFields = 10;

const QSize kToolButtonWithText(62, 47);
const QSize kToolButtonPlain(33, 30);
const QSize kToolImage(26, 24);

QString Key(const char* key) { return QString::fromLatin1(key); }

QString Tr(const char* text) { return UiText::T(text); }

/// Asks before the opened file itself is overwritten: Yes and No, No the default.
class OverwriteMessageBox : public kinprune::OverwriteQuestion {
 public:
  explicit OverwriteMessageBox(QWidget* parent) : parent(parent) {}
  bool AskYesNo(std::string_view question) override {
    const QString text = QString::fromUtf8(question.data(), qsizetype(question.size()));
    return QMessageBox::warning(parent, UiText::ProgramName(), text,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
  }

 private:
  QWidget* parent;
};

}  // namespace

CMainFrame::CMainFrame(kinprune::CKinpruneDoc& document, QWidget* parent)
    : QMainWindow(parent), document(document) {
  setObjectName(QStringLiteral("mainFrame"));
  setMinimumSize(kMinimumSize);
  setAcceptDrops(true);
  view = new CKinpruneView(document, *this, this);
  setCentralWidget(view);
  createActions();
  createMenus();
  createToolBar();
  createStatusBar();
  readSettings();
  connect(view, &CKinpruneView::saveEnabledChanged, saveAsAction, &QAction::setEnabled);
  connect(view, &CKinpruneView::helpRequested, this,
          [this](int contextNumber) { Help()->ShowTopic(contextNumber); });
  connect(view, &CKinpruneView::listContextMenuRequested, this,
          [this](const QPoint& position) { selectMenu->popup(position); });
  WatchForHelpAndAccelerators(view);
  for (QAction* action : toolBar->actions()) {
    QWidget* button = toolBar->widgetForAction(action);
    if (button != nullptr && button->property(CKinpruneView::kHelpProperty).isValid()) {
      WatchForHelpAndAccelerators(button);
    }
  }
  for (QWidget* control : view->findChildren<QWidget*>()) {
    if (control->property(CKinpruneView::kHelpProperty).isValid()) {
      WatchForHelpAndAccelerators(control);
      if (auto* area = qobject_cast<QAbstractScrollArea*>(control)) {
        WatchForHelpAndAccelerators(area->viewport());
      }
    }
  }
  UpdateTitle();
}

CMainFrame::~CMainFrame() = default;

// ---- Construction steps ---------------------------------------------------------------------

QAction* CMainFrame::MakeCommand(const UiText::CommandText& command) {
  auto* action = new QAction(Tr(command.menuText), this);
  action->setObjectName(QString::fromLatin1(command.objectName));
  action->setStatusTip(Tr(command.prompt));
  action->setToolTip(Tr(command.toolTip));
  if (*command.toolbarLabel != '\0') action->setIconText(Tr(command.toolbarLabel));
  if (*command.shortcut != '\0') {
    action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
    acceleratedCommands.push_back(action);
  }
  // Shortcuts work wherever the focus is in the window, also with the menu bar hidden.
  addAction(action);
  return action;
}

void CMainFrame::createActions() {
  openAction = MakeCommand(UiText::kOpen);
  openAction->setIcon(ToolbarIcon(ToolbarPicture::Open));
  connect(openAction, &QAction::triggered, this, &CMainFrame::OnFileOpen);
  saveAsAction = MakeCommand(UiText::kSaveAs);
  saveAsAction->setIcon(ToolbarIcon(ToolbarPicture::SaveAs));
  saveAsAction->setEnabled(false);
  connect(saveAsAction, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
  exitAction = MakeCommand(UiText::kExit);
  connect(exitAction, &QAction::triggered, this, &QWidget::close);
  for (int i = 0; i < kRecentFileCount; ++i) {
    auto* action = new QAction(this);
    action->setObjectName(QStringLiteral("actionRecentFile%1").arg(i + 1));
    action->setStatusTip(Tr(UiText::kRecentFile.prompt));
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, i] {
      if (i < recentFiles.size()) OpenFile(recentFiles.at(i));
    });
    recentFileActions.push_back(action);
  }

  statusBarAction = MakeCommand(UiText::kStatusBar);
  statusBarAction->setCheckable(true);
  statusBarAction->setChecked(true);
  connect(statusBarAction, &QAction::toggled, this,
          [this](bool visible) { statusBar()->setVisible(visible); });
  toolbarTextAction = MakeCommand(UiText::kToolbarText);
  toolbarTextAction->setCheckable(true);
  connect(toolbarTextAction, &QAction::triggered, this,
          [this] { ShowToolbarText(!toolText); });

  struct SelectCommand {
    QAction** action;
    const UiText::CommandText& text;
    ToolbarPicture picture;
    void (CKinpruneView::*handler)();
  };
  const SelectCommand selectCommands[] = {
      {&familyAction, UiText::kFamily, ToolbarPicture::Family, &CKinpruneView::OnSelectFamily},
      {&ancestorsAction, UiText::kAncestors, ToolbarPicture::Ancestors,
       &CKinpruneView::OnSelectAncestors},
      {&descendantsAction, UiText::kDescendants, ToolbarPicture::Descendants,
       &CKinpruneView::OnSelectDescendants},
      {&treeAction, UiText::kTree, ToolbarPicture::Tree, &CKinpruneView::OnSelectTree},
      {&everyoneAction, UiText::kEveryone, ToolbarPicture::Everyone,
       &CKinpruneView::OnSelectEveryone},
      {&invertAction, UiText::kInvert, ToolbarPicture::Invert, &CKinpruneView::OnInvertSelection},
      {&undoRedoAction, UiText::kUndoRedo, ToolbarPicture::UndoRedo, &CKinpruneView::OnUndoRedo},
  };
  for (const SelectCommand& command : selectCommands) {
    *command.action = MakeCommand(command.text);
    (*command.action)->setIcon(ToolbarIcon(command.picture));
    connect(*command.action, &QAction::triggered, view, command.handler);
  }

  helpTopicsAction = MakeCommand(UiText::kHelpTopics);
  connect(helpTopicsAction, &QAction::triggered, this, [this] { Help()->ShowContents(); });
  aboutAction = MakeCommand(UiText::kAbout);
  aboutAction->setIcon(ToolbarIcon(ToolbarPicture::About));
  connect(aboutAction, &QAction::triggered, this, &CMainFrame::OnAbout);
  helpAction = MakeCommand(UiText::kHelp);
  connect(helpAction, &QAction::triggered, this, &CMainFrame::OnHelp);
  contextHelpAction = MakeCommand(UiText::kContextHelp);
  contextHelpAction->setIcon(ToolbarIcon(ToolbarPicture::ContextHelp));
  connect(contextHelpAction, &QAction::triggered, this, &CMainFrame::OnContextHelp);
}

void CMainFrame::createMenus() {
  QMenu* fileMenu = menuBar()->addMenu(Tr(UiText::kFileMenu));
  fileMenu->setObjectName(QStringLiteral("fileMenu"));
  fileMenu->addAction(openAction);
  fileMenu->addAction(saveAsAction);
  recentFilesSeparator = fileMenu->addSeparator();
  for (QAction* action : recentFileActions) fileMenu->addAction(action);
  fileMenu->addSeparator();
  fileMenu->addAction(exitAction);

  QMenu* viewMenu = menuBar()->addMenu(Tr(UiText::kViewMenu));
  viewMenu->setObjectName(QStringLiteral("viewMenu"));
  // The toolbar's own toggle is added once the toolbar exists (createToolBar).
  viewMenu->addAction(statusBarAction);
  viewMenu->addAction(toolbarTextAction);

  selectMenu = menuBar()->addMenu(Tr(UiText::kSelectMenu));
  selectMenu->setObjectName(QStringLiteral("selectMenu"));
  for (QAction* action : {familyAction, ancestorsAction, descendantsAction, treeAction,
                          everyoneAction, invertAction, undoRedoAction}) {
    selectMenu->addAction(action);
  }

  QMenu* helpMenu = menuBar()->addMenu(Tr(UiText::kHelpMenu));
  helpMenu->setObjectName(QStringLiteral("helpMenu"));
  helpMenu->addAction(helpTopicsAction);
  helpMenu->addSeparator();
  helpMenu->addAction(aboutAction);
}

void CMainFrame::createToolBar() {
  toolBar = new QToolBar(Tr("Toolbar"), this);
  toolBar->setObjectName(QStringLiteral("mainToolBar"));  // saveState() needs the name
  toolBar->setIconSize(kToolImage);
  toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  toolBar->setFloatable(true);
  toolBar->setMovable(true);
  toolBar->addAction(openAction);
  toolBar->addAction(saveAsAction);
  toolBar->addSeparator();
  for (QAction* action : {familyAction, ancestorsAction, descendantsAction, treeAction,
                          everyoneAction, invertAction, undoRedoAction}) {
    toolBar->addAction(action);
  }
  toolBar->addSeparator();
  toolBar->addAction(aboutAction);
  toolBar->addAction(contextHelpAction);
  addToolBar(Qt::TopToolBarArea, toolBar);
  // Context help on a button: the command's help number, as the desktop it was designed for
  // numbers commands.
  const std::pair<QAction*, int> buttonCommands[] = {
      {openAction, 57601},      {saveAsAction, 57604},      {familyAction, 32772},
      {ancestorsAction, 32773}, {descendantsAction, 32774}, {treeAction, 32775},
      {everyoneAction, 32776},  {invertAction, 32777},      {undoRedoAction, 32787},
      {aboutAction, 57664},     {contextHelpAction, 57669}};
  for (const auto& [action, commandId] : buttonCommands) {
    if (QWidget* button = toolBar->widgetForAction(action)) {
      button->setProperty(CKinpruneView::kHelpProperty, HelpWindow::kCommandHelpBase + commandId);
    }
  }

  QAction* toggle = toolBar->toggleViewAction();
  toggle->setObjectName(QStringLiteral("actionToolbar"));
  toggle->setText(Tr(UiText::kToolbar.menuText));
  toggle->setStatusTip(Tr(UiText::kToolbar.prompt));
  toggle->setToolTip(Tr(UiText::kToolbar.toolTip));
  QMenu* viewMenu = menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
  viewMenu->insertAction(statusBarAction, toggle);
}

void CMainFrame::createStatusBar() {
  messagePane = new QLabel(UiText::IdleMessage(), this);
  messagePane->setObjectName(QStringLiteral("messagePane"));
  statusBar()->addWidget(messagePane, 1);
  const QFontMetrics metrics(statusBar()->font());
  const int countWidth = metrics.horizontalAdvance(QStringLiteral("999,999,999")) + 8;
  for (QLabel** pane : {&selectedCountPane, &individualCountPane}) {
    *pane = new QLabel(this);
    (*pane)->setMinimumWidth(countWidth);
    (*pane)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    (*pane)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addPermanentWidget(*pane);
  }
  selectedCountPane->setObjectName(QStringLiteral("selectedCountPane"));
  individualCountPane->setObjectName(QStringLiteral("individualCountPane"));
}

// ---- Settings -------------------------------------------------------------------------------

void CMainFrame::readSettings() {
  QSettings settings;
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString path = settings.value(Key(kRecentFileKey).arg(i)).toString();
    if (!path.isEmpty()) recentFiles << path;
  }
  UpdateRecentFileActions();
  ShowToolbarText(settings.value(Key(kToolTextKey), 0).toInt() != 0);
  restoreState(settings.value(Key(kBarStateKey)).toByteArray());
  statusBarAction->setChecked(settings.value(Key(kStatusBarKey), true).toBool());
}

void CMainFrame::writeSettings() const {
  writePlacement();
  QSettings settings;
  settings.setValue(Key(kBarStateKey), saveState());
  settings.setValue(Key(kStatusBarKey), statusBar()->isVisibleTo(this));
  settings.setValue(Key(kToolTextKey), toolText ? 1 : 0);
  for (int i = 0; i < kRecentFileCount; ++i) {
    const QString key = Key(kRecentFileKey).arg(i + 1);
    if (i < recentFiles.size()) {
      settings.setValue(key, recentFiles.at(i));
    } else {
      settings.remove(key);
    }
  }
}

void CMainFrame::writePlacement() const {
  // The rectangle is the window's restored (normal) one, so that a maximised window comes back
  // maximised and still restores to where it was.
  QRect normal = normalGeometry();
  if (!normal.isValid()) normal = geometry();
  if (!normal.isValid()) return;
  const unsigned flags = isMaximized() ? kRestoreToMaximized : 0;
  const unsigned showState = isMinimized()   ? kShowMinimized
                             : isMaximized() ? kShowMaximized
                                             : kShowNormal;
  const QString placement = QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
                                .arg(flags)
                                .arg(showState)
                                .arg(kNoPosition)
                                .arg(kNoPosition)
                                .arg(kNoPosition)
                                .arg(kNoPosition)
                                .arg(normal.left())
                                .arg(normal.top())
                                .arg(normal.left() + normal.width())
                                .arg(normal.top() + normal.height());
  QSettings().setValue(Key(kWindowPosKey), placement);
}

void CMainFrame::RestorePlacementAndShow() {
  const QString stored = SettingText(QSettings().value(Key(kWindowPosKey), QString()));
  const std::optional<std::vector<int>> fields =
      stored.isEmpty() ? std::nullopt : ParseIntFields(stored, kPlacementFields);
  if (!fields) {
    ApplyDefaultSize();
    show();
    repaint();
    return;
  }
  const std::vector<int>& f = *fields;
  const QRect normal(QPoint(f[6], f[7]), QPoint(f[8] - 1, f[9] - 1));
  if (normal.isValid()) {
    // A rectangle from a screen that is no longer attached keeps its size but not its place.
    if (QGuiApplication::screenAt(normal.center()) != nullptr) {
      setGeometry(normal);
    } else {
      resize(normal.size());
    }
  }
  const unsigned flags = unsigned(f[0]);
  const unsigned showState = unsigned(f[1]);
  // A window closed while minimised comes back restored rather than as a mere task-bar entry.
  const bool maximised = showState == kShowMaximized ||
                         (showState == kShowMinimized && (flags & kRestoreToMaximized) != 0);
  if (maximised) {
    showMaximized();
  } else {
    showNormal();
  }
}

void CMainFrame::ApplyDefaultSize() {
  // Like a new window on the desktop the program comes from: most of the screen, not merely
  // the smallest size the window allows.
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  const QSize available = screen->availableGeometry().size();
  resize(QSize(available.width() * 3 / 4, available.height() * 3 / 4).expandedTo(minimumSize()));
}

void CMainFrame::ShowToolbarText(bool on) {
  toolText = on;
  toolbarTextAction->setChecked(on);
  toolBar->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
  toolBar->setIconSize(kToolImage);
  for (QAction* action : toolBar->actions()) {
    if (action->isSeparator()) continue;
    if (QWidget* button = toolBar->widgetForAction(action)) {
      button->setFixedSize(on ? kToolButtonWithText : kToolButtonPlain);
    }
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  writeSettings();
  if (helpWindow) helpWindow->close();
  event->accept();
}

// ---- Files ----------------------------------------------------------------------------------

bool CMainFrame::OpenFile(const QString& path) {
  kinprune::OpenOutcome outcome;
  {
    WaitCursor wait;
    view->ReleaseRows();
    outcome = document.OnOpenDocument(QFile::encodeName(path).toStdString(), this);
  }
  if (!outcome.ok) {
    view->RestoreRows();
    SetPaneText(MessagePane, UiText::IdleMessage());
    QMessageBox::warning(this, UiText::ProgramName(), QString::fromStdString(outcome.error));
    // A file that cannot be opened any more leaves the recent-file list.
    if (recentFiles.removeAll(path) > 0) UpdateRecentFileActions();
    return false;
  }
  documentPath = path;
  AddRecentFile(path);
  UpdateTitle();
  view->OnInitialUpdate();
  SetPaneText(MessagePane, UiText::IdleMessage());
  return true;
}

bool CMainFrame::SaveFile(const QString& path) {
  OverwriteMessageBox question(this);
  kinprune::SaveOutcome outcome;
  {
    WaitCursor wait;
    outcome = document.OnSaveDocument(QFile::encodeName(path).toStdString(), question, this);
  }
  if (outcome.result == kinprune::SaveOutcome::Result::Failed) {
    QMessageBox::warning(this, UiText::ProgramName(), QString::fromStdString(outcome.error));
    return false;
  }
  if (!outcome.Saved()) return false;
  documentPath = path;
  AddRecentFile(path);
  UpdateTitle();
  return true;
}

void CMainFrame::OnFileOpen() {
  QFileDialog dialog(this, UiText::OpenCaption());
  dialog.setObjectName(QStringLiteral("openDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(UiText::GedcomFilter());
  if (!documentPath.isEmpty()) dialog.setDirectory(QFileInfo(documentPath).absolutePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenFile(dialog.selectedFiles().constFirst());
}

void CMainFrame::OnFileSaveAs() {
  // Ctrl+S reaches here also while the command is greyed out in the menu.
  if (!saveAsAction->isEnabled()) return;
  QFileDialog dialog(this, UiText::SaveAsCaption());
  dialog.setObjectName(QStringLiteral("saveAsDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(UiText::GedcomFilter());
  dialog.setDefaultSuffix(QStringLiteral("ged"));
  if (!documentPath.isEmpty()) dialog.selectFile(documentPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveFile(dialog.selectedFiles().constFirst());
}

void CMainFrame::AddRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recentFiles.removeAll(absolute);
  recentFiles.prepend(absolute);
  while (recentFiles.size() > kRecentFileCount) recentFiles.removeLast();
  UpdateRecentFileActions();
}

void CMainFrame::UpdateRecentFileActions() {
  const QFontMetrics metrics(font());
  constexpr int kMaxTextWidth = 400;
  for (int i = 0; i < kRecentFileCount; ++i) {
    QAction* action = recentFileActions[std::size_t(i)];
    if (i >= recentFiles.size()) {
      action->setVisible(false);
      continue;
    }
    const QString shown = metrics.elidedText(QDir::toNativeSeparators(recentFiles.at(i)),
                                             Qt::ElideMiddle, kMaxTextWidth);
    // An ampersand in a path is part of the name, not a mnemonic.
    QString escaped = shown;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(escaped));
    action->setVisible(true);
  }
  recentFilesSeparator->setVisible(!recentFiles.isEmpty());
}

void CMainFrame::UpdateTitle() {
  const QString name =
      documentPath.isEmpty() ? UiText::Untitled() : QFileInfo(documentPath).fileName();
  setWindowTitle(QStringLiteral("%1 - %2").arg(name, UiText::ProgramName()));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) return;
  event->acceptProposedAction();
  // Like the desktop it was designed for, only the first of several dropped files is opened.
  if (!urls.first().isLocalFile()) {
    QMessageBox::warning(this, UiText::ProgramName(), UiText::FileNotDropped());
    return;
  }
  activateWindow();
  OpenFile(urls.first().toLocalFile());
}

// ---- Status bar -----------------------------------------------------------------------------

void CMainFrame::SetPaneText(Pane pane, const QString& text) {
  QLabel* label = pane == MessagePane         ? messagePane
                  : pane == SelectedCountPane ? selectedCountPane
                                              : individualCountPane;
  label->setText(text);
  // Long commands run on this thread; painting now is what lets their progress show.
  if (label->isVisible()) label->repaint();
}

QString CMainFrame::PaneText(Pane pane) const {
  const QLabel* label = pane == MessagePane         ? messagePane
                        : pane == SelectedCountPane ? selectedCountPane
                                                    : individualCountPane;
  return label->text();
}

void CMainFrame::SetStatusText(std::string_view text) {
  SetPaneText(MessagePane, QString::fromUtf8(text.data(), qsizetype(text.size())));
}

// ---- About and help -------------------------------------------------------------------------

void CMainFrame::OnAbout() {
  QDialog about(this);
  about.setObjectName(QStringLiteral("aboutDialog"));
  about.setWindowTitle(Tr("About Kinprune"));
  auto* icon = new QLabel(&about);
  constexpr int kIconSize = 32;
  icon->setPixmap(windowIcon().pixmap(kIconSize, kIconSize));
  auto* text = new QLabel(UiText::AboutText(), &about);
  text->setObjectName(QStringLiteral("aboutText"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(row);
  layout->addWidget(buttons);
  about.exec();
}

HelpWindow* CMainFrame::Help() {
  if (!helpWindow) helpWindow = std::make_unique<HelpWindow>();
  return helpWindow.get();
}

void CMainFrame::OnHelp() {
  const int context = view->HelpContextOfFocus();
  if (context != 0) {
    Help()->ShowTopic(context);
  } else {
    Help()->ShowContents();
  }
}

void CMainFrame::OnContextHelp() { QWhatsThis::enterWhatsThisMode(); }

void CMainFrame::WatchForHelpAndAccelerators(QWidget* widget) {
  if (widget->property(CKinpruneView::kHelpProperty).isNull()) {
    widget->setProperty(CKinpruneView::kHelpProperty,
                        CKinpruneView::HelpContextOf(widget->parentWidget()));
  }
  widget->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // The menu's accelerators come before the edits' own keys (Ctrl+A, Ctrl+U, ...), so
      // that every command works wherever the focus is.
      const auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence pressed(key->keyCombination());
      for (const QAction* action : acceleratedCommands) {
        if (action->shortcut() == pressed) {
          event->ignore();
          return true;
        }
      }
      break;
    }
    case QEvent::QueryWhatsThis:
      event->accept();
      return true;
    case QEvent::WhatsThis:
      Help()->ShowTopic(watched->property(CKinpruneView::kHelpProperty).toInt());
      event->accept();
      return true;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}
