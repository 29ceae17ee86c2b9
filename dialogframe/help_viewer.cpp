// help_viewer.cpp - finding and showing the help pages.
#include "help_viewer.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

QUrl HelpStartPage(const QString& program) {
  const QString kStartPage = QStringLiteral("index.html");
  const QString installed =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/gedtools/help/") + program;
  if (QFileInfo(installed).isDir()) {
    return QUrl::fromLocalFile(QDir::cleanPath(installed) + QLatin1Char('/') + kStartPage);
  }
  return QUrl(QStringLiteral("qrc:/help/") + program + QLatin1Char('/') + kStartPage);
}

HelpViewer::HelpViewer(const QString& title, const QUrl& startPage, QWidget* parent)
    : QDialog(parent) {
  constexpr int kWidth = 560;
  constexpr int kHeight = 520;
  setObjectName("helpViewer");
  setWindowTitle(title);
  setModal(false);
  browser = new QTextBrowser(this);
  browser->setObjectName("helpBrowser");
  browser->setOpenExternalLinks(true);
  browser->setSource(startPage);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* column = new QVBoxLayout(this);
  column->addWidget(browser);
  column->addWidget(buttons);
  resize(kWidth, kHeight);
}

QUrl HelpViewer::Page() const {
  return browser->source();
}

QString HelpViewer::PageText() const {
  return browser->toPlainText();
}
