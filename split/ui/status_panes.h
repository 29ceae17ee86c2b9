// status_panes.h - the status-bar panes the view and the document write into.
#pragma once

#include <QString>

/// Pane 0 carries messages and progress, pane 1 the number of selected individuals, pane 2 the
/// number of individuals. Every text shows at once, also in the middle of a long command.
class StatusPanes {
 public:
  enum Pane { MessagePane = 0, SelectedCountPane = 1, IndividualCountPane = 2 };

  virtual void SetPaneText(Pane pane, const QString& text) = 0;
  virtual QString PaneText(Pane pane) const = 0;

 protected:
  ~StatusPanes() = default;
};
