#include "platform/ui/dialogs/desktop_prompter.h"

#include "platform/ui/windows/desktop_screen.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/dialogs/modal_wait.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/files/paths.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QWindow>

#include <iostream>

namespace ui {
namespace {

struct ButtonPair {
  int answer;
  QMessageBox::StandardButton button;
};

constexpr ButtonPair kButtons[] = {
    {IDOK, QMessageBox::Ok},       {IDCANCEL, QMessageBox::Cancel}, {IDABORT, QMessageBox::Abort},
    {IDRETRY, QMessageBox::Retry}, {IDIGNORE, QMessageBox::Ignore}, {IDYES, QMessageBox::Yes},
    {IDNO, QMessageBox::No},
};

QMessageBox::StandardButton ButtonOf(int answer) {
  for (const auto& pair : kButtons) {
    if (pair.answer == answer) return pair.button;
  }
  return QMessageBox::NoButton;
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// "Images (*.FMB)|*.FMB|All (*.*)|*.*" becomes Qt's "Images (*.FMB);;All (*.*)" form.
QStringList FiltersOf(const std::string& filter) {
  const QStringList parts = QString::fromLatin1(filter.c_str()).split(u'|', Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << (parts[i].contains(u'(') ? parts[i] : parts[i] + " (" + patterns + ")");
  }
  return filters;
}

std::optional<std::string> WindowsPathOf(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  return win::WindowsPathOfHost(chosen.toStdString());
}

// A box waits as MessageBox does on Windows, and as a dialog does: its owner alone is disabled,
// and the program's messages keep flowing, so the other windows (the machine's panel among them)
// still answer while it waits: a card can be swapped when the box asks for it.
QMessageBox::StandardButton WaitForAnswer(QMessageBox& box, HWND owner) {
  bool answered = false;
  QObject::connect(&box, &QDialog::finished, [&answered] {
    answered = true;
    PostMessage(nullptr, WM_NULL, 0, 0);  // wakes the wait
  });
  // On the desktop the box is transient for its owner's window, so that it stays above it. Qt
  // blocks nothing: a modal Qt window would also block the windows beside its owner (the panel).
  box.setWindowModality(Qt::NonModal);
  WindowRecord* top = owner != nullptr ? FindWindowRecord(TopLevelOf(owner)) : nullptr;
  if (top != nullptr && top->surface) {
    QWidget& ownerWidget = SurfaceWidget(*top);
    ownerWidget.winId();
    box.winId();
    box.windowHandle()->setTransientParent(ownerWidget.windowHandle());
  }
  const auto show = [&box] { box.show(); };
  WaitModally(owner, show, [&answered] { return answered; });
  return answered ? box.standardButton(box.clickedButton()) : QMessageBox::Cancel;
}

}  // namespace

int AnswerOfButton(int standardButton) {
  for (const auto& pair : kButtons) {
    if (pair.button == standardButton) return pair.answer;
  }
  return IDCANCEL;
}

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request) {
  EnsureQtApplication();
  auto box = std::make_unique<QMessageBox>();
  box->setWindowTitle(QString::fromLatin1(request.caption.c_str()));
  box->setText(QString::fromLatin1(request.text.c_str()));
  box->setIcon(IconOf(request.type));
  QMessageBox::StandardButtons buttons;
  for (int answer : MessageBoxButtons(request.type)) buttons |= ButtonOf(answer);
  box->setStandardButtons(buttons);
  box->setDefaultButton(ButtonOf(DefaultButton(request.type)));
  return box;
}

std::unique_ptr<QFileDialog> BuildFileDialog(const FileDialogRequest& request) {
  EnsureQtApplication();
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setWindowTitle(QString::fromLatin1(request.title.c_str()));
  dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  const bool mustExist = !request.save && (request.flags & OFN_FILEMUSTEXIST) != 0;
  dialog->setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (const auto folder = win::HostPathOf(request.initialFolder); !request.initialFolder.empty() && folder) {
    dialog->setDirectory(QString::fromStdString(folder->string()));
  }
  dialog->setNameFilters(FiltersOf(request.filter));
  QString extension = QString::fromLatin1(request.defaultExtension.c_str());
  extension.remove(QStringLiteral("*.")).remove(u'.');
  dialog->setDefaultSuffix(extension);
  if (!request.fileName.empty() && request.fileName.find('*') == std::string::npos) {
    dialog->selectFile(QString::fromLatin1(request.fileName.c_str()));
  }
  return dialog;
}

std::unique_ptr<QFileDialog> BuildFolderDialog(const FolderRequest& request) {
  EnsureQtApplication();
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setWindowTitle(QString::fromLatin1(request.title.c_str()));
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  if (!request.status.empty() && dialog->layout() != nullptr) {
    auto* status = new QLabel(QString::fromLatin1(request.status.c_str()), dialog.get());
    status->setObjectName(QStringLiteral("status"));
    dialog->layout()->addWidget(status);
  }
  return dialog;
}

int DesktopPrompter::AskMessageBox(const MessageBoxRequest& request) {
  // Offscreen nobody could press a button: the text goes to standard error and the box takes
  // its default answer, instead of waiting for ever.
  if (!ShowsOnScreen()) {
    std::cerr << request.caption << ": " << request.text << '\n';
    return DefaultButton(request.type);
  }
  auto box = BuildMessageBox(request);
  return AnswerOfButton(WaitForAnswer(*box, request.owner));
}

std::optional<std::string> DesktopPrompter::AskFile(const FileDialogRequest& request) {
  auto dialog = BuildFileDialog(request);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  return WindowsPathOf(dialog->selectedFiles().front());
}

std::optional<std::string> DesktopPrompter::AskFolder(const FolderRequest& request) {
  auto dialog = BuildFolderDialog(request);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  return WindowsPathOf(dialog->selectedFiles().front());
}

std::optional<COLORREF> DesktopPrompter::AskColour(const ColourRequest& request) {
  EnsureQtApplication();
  const QColor initial(GetRValue(request.initial), GetGValue(request.initial), GetBValue(request.initial));
  const QColor chosen = QColorDialog::getColor(initial);
  if (!chosen.isValid()) return std::nullopt;
  return RGB(static_cast<BYTE>(chosen.red()), static_cast<BYTE>(chosen.green()), static_cast<BYTE>(chosen.blue()));
}

}  // namespace ui
