// kinprune_ui_test.cpp - drives the real Kinprune window.
#include <QTest>

class KinpruneUiTest : public QObject {
  Q_OBJECT
 private slots:
  void placeholder() {}
};

QTEST_MAIN(KinpruneUiTest)
#include "kinprune_ui_test.moc"
