// kinprune_app.h - the program's start: settings names, the document, the main window, the
// file named on the command line and the stored window placement.
#pragma once

#include <QStringList>

#include <memory>  // std::unique_ptr

#include "kinprune_doc.h"

class CMainFrame;

class CKinpruneApp {
 public:
  CKinpruneApp();
  ~CKinpruneApp();
  CKinpruneApp(const CKinpruneApp&) = delete;
  CKinpruneApp& operator=(const CKinpruneApp&) = delete;

  /// Sets the names the settings are kept under; call before any window is made.
  static void SetApplicationNames();

  /// Makes the main window, opens the file named in arguments (the program's own name first)
  /// and shows the window where it was last. False when the named file could not be opened,
  /// after the user has been told; the program then ends.
  bool Start(const QStringList& arguments);

  CMainFrame& MainFrame() { return *mainFrame; }
  kinprune::CKinpruneDoc& Document() { return document; }

 private:
  // The document outlives the window, whose view holds references into it.
  kinprune::CKinpruneDoc document;
  std::unique_ptr<CMainFrame> mainFrame;
};
