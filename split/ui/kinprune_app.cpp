// kinprune_app.cpp - the program's start.
#include "kinprune_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "kinprune_view.h"
#include "main_frame.h"
#include "ui_texts.h"

CKinpruneApp::CKinpruneApp() = default;
CKinpruneApp::~CKinpruneApp() = default;

void CKinpruneApp::SetApplicationNames() {
  QCoreApplication::setOrganizationName(QStringLiteral("Kinprune"));
  QCoreApplication::setApplicationName(QStringLiteral("Kinprune"));
  // No display name: Qt would add it to every window title that does not already end in it,
  // so that "Ancestor Selection Options" would read "Ancestor Selection Options - Kinprune".
  // The application name serves wherever the program's name is asked for.
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0.23"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/kinprune-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);
}

bool CKinpruneApp::Start(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(UiText::T("Splits a GEDCOM file into the part you select."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), UiText::T("GEDCOM file to open."),
                               QStringLiteral("[file]"));
  parser.process(arguments);

  mainFrame = std::make_unique<CMainFrame>(document);
  mainFrame->View()->OnInitialUpdate();
  const QStringList files = parser.positionalArguments();
  if (!files.isEmpty() && !mainFrame->OpenFile(files.constFirst())) return false;
  mainFrame->RestorePlacementAndShow();
  return true;
}
