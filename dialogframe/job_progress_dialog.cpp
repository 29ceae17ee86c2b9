// job_progress_dialog.cpp - the progress dialog and its ProgressHook.
#include "job_progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>  // std::clamp

#include "frame_texts.h"
#include "user_prompts.h"

CJobProgressDlg::CJobProgressDlg(UserPrompts& prompts, const QString& title)
    // No parent widget: a child would be disabled together with the owner it must disable.
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      prompts(prompts) {
  setObjectName("jobProgressDialog");
  setWindowTitle(title);
  setModal(false);
  CreateControls();
  LayOutControls();
}

CJobProgressDlg::~CJobProgressDlg() {
  if (disabledOwner) disabledOwner->setEnabled(true);
}

void CJobProgressDlg::CreateControls() {
  const FrameTexts& texts = LoadFrameTexts();
  statusLabel = new QLabel(this);
  statusLabel->setObjectName("statusLabel");
  percentLabel = new QLabel(" 0 %", this);
  percentLabel->setObjectName("percentLabel");
  percentLabel->setAlignment(Qt::AlignCenter);
  bar = new QProgressBar(this);
  bar->setObjectName("progressBar");
  bar->setRange(kLower, kUpper);
  bar->setValue(kLower);
  bar->setTextVisible(false);
  cancelButton = new QPushButton(texts.cancel, this);
  cancelButton->setObjectName("cancelButton");
  cancelButton->setDefault(true);
  connect(cancelButton, &QPushButton::clicked, this, &CJobProgressDlg::reject);
}

void CJobProgressDlg::LayOutControls() {
  constexpr int kStatusWidth = 320;
  statusLabel->setMinimumWidth(kStatusWidth);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  buttonRow->addWidget(cancelButton);
  buttonRow->addStretch();
  auto* column = new QVBoxLayout(this);
  column->addWidget(statusLabel);
  column->addWidget(percentLabel);
  column->addWidget(bar);
  column->addSpacing(8);
  column->addLayout(buttonRow);
  setSizeGripEnabled(false);
}

bool CJobProgressDlg::OpenModeless(QWidget* owner) {
  if (owner != nullptr && owner->isEnabled()) {
    owner->setEnabled(false);
    disabledOwner = owner;
  }
  if (owner != nullptr) {
    // Keep the dialog above its owner although it has no parent widget.
    winId();
    if (QWindow* ownerWindow = owner->window()->windowHandle()) {
      windowHandle()->setTransientParent(ownerWindow);
    }
  }
  show();
  return true;
}

void CJobProgressDlg::SetStatusText(const QString& text) {
  statusLabel->setText(text);
}

void CJobProgressDlg::SetProgress(int position) {
  PumpWaitingMessages();
  bar->setValue(std::clamp(position, kLower, kUpper));
  RefreshPercentText(position);
}

bool CJobProgressDlg::TakeCancelRequest() {
  PumpWaitingMessages();
  const bool requested = cancelRequest;
  cancelRequest = false;
  return requested;
}

void CJobProgressDlg::RefreshPercentText(int position) {
  constexpr int kWhole = 100;
  int percent = (position - kLower) * kWhole / (kUpper - kLower);
  if (percent != kWhole) percent %= kWhole;
  const QString text = QString::number(percent) + QLatin1Char('%');
  if (percentLabel->text() != text) percentLabel->setText(text);
}

void CJobProgressDlg::PumpWaitingMessages() {
  QCoreApplication::processEvents();
}

void CJobProgressDlg::SetStatus(std::string_view text) {
  SetStatusText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void CJobProgressDlg::Show(int percent) {
  SetProgress(percent);
}

bool CJobProgressDlg::AskStop() {
  if (!TakeCancelRequest()) return false;
  return prompts.AskYesNo(this, LoadFrameTexts().cancelQuestion);
}

void CJobProgressDlg::reject() {
  cancelRequest = true;
}

void CJobProgressDlg::closeEvent(QCloseEvent* event) {
  // The window manager's close button counts as Cancel; the job decides when the window goes.
  cancelRequest = true;
  event->ignore();
}
