// help_window.cpp - the program's help pages, opened by contents or by context number.
#include "help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <array>  // std::array

#include "ui_texts.h"

namespace {

struct Topic {
  int contextNumber;
  const char* page;
};

constexpr int kControl = 0x70000;

constexpr std::array kTopics{
    Topic{0x20065, "kinprune.html#window"},
    Topic{kControl + 1000, "kinprune.html#list"},
    Topic{kControl + 1001, "kinprune.html#find"},
    Topic{kControl + 1032, "kinprune.html#details"},
    // Tree Selection Options
    Topic{kControl + 1041, "tree.html#generations"},
    Topic{kControl + 1042, "tree.html#generations"},
    Topic{kControl + 1049, "tree.html#buttons"},
    Topic{kControl + 1050, "tree.html#buttons"},
    Topic{kControl + 1051, "tree.html#buttons"},
    // Ancestor Selection Options
    Topic{kControl + 1035, "ancestors.html#children"},
    Topic{kControl + 1036, "ancestors.html#tree"},
    Topic{kControl + 1037, "ancestors.html#exclude"},
    Topic{kControl + 1038, "ancestors.html#generations"},
    Topic{kControl + 1039, "ancestors.html#collateral"},
    Topic{kControl + 1046, "ancestors.html#buttons"},
    Topic{kControl + 1047, "ancestors.html#buttons"},
    Topic{kControl + 1048, "ancestors.html#buttons"},
    // The spin controls share their numbers between the ancestor and descendant dialogs.
    Topic{kControl + 1014, "ancestors.html#generations"},
    Topic{kControl + 1026, "ancestors.html#collateral"},
    // Descendant Selection Options
    Topic{kControl + 1016, "descendants.html#spouses"},
    Topic{kControl + 1033, "descendants.html#parents"},
    Topic{kControl + 1017, "descendants.html#tree"},
    Topic{kControl + 1040, "descendants.html#generations"},
    Topic{kControl + 1025, "descendants.html#collateral"},
    Topic{kControl + 1043, "descendants.html#buttons"},
    Topic{kControl + 1044, "descendants.html#buttons"},
    Topic{kControl + 1045, "descendants.html#buttons"},
};

constexpr const char* kCompiledInRoot = "qrc:/help/";
/// Where `cmake --install` puts the pages, relative to the program's folder.
constexpr const char* kInstalledFolder = "../share/gedtools/help/kinprune";
constexpr const char* kContentsPage = "index.html";
constexpr const char* kCommandsPage = "kinprune.html#commands";

QUrl HelpUrl(const char* page) {
  return HelpWindow::HelpRootFor(QCoreApplication::applicationDirPath())
      .resolved(QUrl(QLatin1String(page)));
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(UiText::HelpCaption());
  // A window of its own, like a separate help viewer: not a dialog, which the desktop would
  // attach to the active window (and to whatever option dialog is open over it).
  setWindowFlags(Qt::Window);
  browser->setObjectName(QStringLiteral("helpBrowser"));
  browser->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser);
  resize(640, 480);
}

QUrl HelpWindow::HelpRootFor(const QString& applicationDir) {
  const QDir installed(QDir(applicationDir).filePath(QString::fromLatin1(kInstalledFolder)));
  // The folder counts only when it holds every page a topic can lead to.
  bool complete = !applicationDir.isEmpty() &&
                  QFileInfo(installed.filePath(QString::fromLatin1(kContentsPage))).isFile();
  for (const Topic& topic : kTopics) {
    if (!complete) break;
    const QString file = QUrl(QLatin1String(topic.page)).path();
    complete = QFileInfo(installed.filePath(file)).isFile();
  }
  if (!complete) return QUrl(QString::fromLatin1(kCompiledInRoot));
  return QUrl::fromLocalFile(installed.canonicalPath() + QLatin1Char('/'));
}

QUrl HelpWindow::TopicUrl(int contextNumber) {
  constexpr int kLastCommand = 0xFFFF;
  if (contextNumber > kCommandHelpBase && contextNumber <= kCommandHelpBase + kLastCommand) {
    return HelpUrl(kCommandsPage);
  }
  for (const Topic& topic : kTopics) {
    if (topic.contextNumber == contextNumber) return HelpUrl(topic.page);
  }
  return HelpUrl(kContentsPage);
}

void HelpWindow::ShowContents() { ShowPage(HelpUrl(kContentsPage)); }

void HelpWindow::ShowTopic(int contextNumber) { ShowPage(TopicUrl(contextNumber)); }

QUrl HelpWindow::CurrentPage() const { return browser->source(); }

void HelpWindow::ShowPage(const QUrl& page) {
  browser->setSource(page);
  show();
  raise();
  activateWindow();
}
