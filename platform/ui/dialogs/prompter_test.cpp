#include "platform/ui/dialogs/prompter.h"

#include "platform/ui/dialogs/desktop_prompter.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/paths.h"
#include "tests/support/test_data_folder.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ui {
namespace {

struct Scripted : ::testing::Test {
  std::vector<std::string> unexpected;
  ScriptedPrompter prompter{[this](const std::string& what) { unexpected.push_back(what); }};
};

TEST_F(Scripted, AnswersInOrderAndRecordsEveryText) {
  prompter.AnswerMessageBox(IDNO, "overwrite")
      .AnswerFile(std::string("C:\\My Documents\\card.FMB"))
      .AnswerFolder(std::nullopt);
  EXPECT_EQ(MessageBoxA(nullptr, "card.FMB\n\nThe above file already exists.\nDo you want to overwrite that file?",
                        "Tarnlok V2", MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION),
            IDNO);
  FileDialogRequest save;
  save.save = true;
  save.title = "Save As";
  save.fileName = "*.FMB";
  EXPECT_EQ(CurrentPrompter().AskFile(save), "C:\\My Documents\\card.FMB");
  FolderRequest folder;
  folder.title = "Choose the folder";
  folder.status = "Recovered files go here";
  EXPECT_EQ(CurrentPrompter().AskFolder(folder), std::nullopt);
  ASSERT_EQ(prompter.Asked().size(), 3u);
  EXPECT_EQ(prompter.Asked()[0].caption, "Tarnlok V2");
  EXPECT_EQ(prompter.Asked()[0].type, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION);
  EXPECT_EQ(prompter.Asked()[1].status, "*.FMB");
  EXPECT_EQ(prompter.Asked()[2].status, "Recovered files go here");
  EXPECT_TRUE(unexpected.empty());
  EXPECT_EQ(prompter.Unanswered(), 0u);
}

TEST_F(Scripted, UnexpectedQuestionsFailAndGetTheSafeAnswer) {
  EXPECT_EQ(MessageBoxA(nullptr, "Do you want to cancel the current operation?", nullptr, MB_YESNO), IDNO)
      << "nothing scripted: the box gets its non-committal answer";
  prompter.AnswerFolder(std::string("C:\\"));
  EXPECT_EQ(MessageBoxA(nullptr, "Media NOT present !!!", nullptr, MB_OK | MB_ICONERROR), IDOK);
  prompter.AnswerMessageBox(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Unable to open the device.", nullptr, MB_OK), IDOK)
      << "Yes is no button of an OK box";
  prompter.AnswerMessageBox(IDOK, "Backup completed");
  MessageBoxA(nullptr, "Restore completed", nullptr, MB_OK);
  EXPECT_EQ(unexpected.size(), 4u);
  EXPECT_EQ(prompter.Asked().front().caption, "Error") << "a null caption reads Error, as on Windows";
}

TEST_F(Scripted, RemovingThePrompterRestoresThePreviousOne) {
  Prompter* before = &CurrentPrompter();
  {
    ScriptedPrompter inner([](const std::string&) {});
    EXPECT_EQ(&CurrentPrompter(), &inner);
  }
  EXPECT_EQ(&CurrentPrompter(), before);
}

TEST(DesktopPrompter, MessageBoxesHaveTheButtonsIconAndDefaultOfTheirType) {
  MessageBoxRequest request;
  request.text = "Do you want to cancel the current operation?";
  request.caption = "Tarnlok V2";
  request.type = MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION;
  const auto box = BuildMessageBox(request);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
  EXPECT_EQ(box->text().toStdString(), request.text);
  EXPECT_EQ(AnswerOfButton(QMessageBox::No), IDNO);

  request.type = MB_ABORTRETRYIGNORE | MB_ICONERROR;
  const auto error = BuildMessageBox(request);
  EXPECT_EQ(error->standardButtons(), QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  EXPECT_EQ(error->defaultButton(), error->button(QMessageBox::Abort));
}

TEST(DesktopPrompter, FileDialogsTakeTheFilterAndDefaultExtension) {
  FileDialogRequest request;
  request.save = true;
  request.defaultExtension = "*.FMB";
  request.fileName = "*.FMB";
  request.filter = "Backup Files (*.FMB)|*.FMB|All Files (*.*)|*.*|";
  const auto dialog = BuildFileDialog(request);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(dialog->defaultSuffix().toStdString(), "FMB");
  EXPECT_EQ(dialog->nameFilters(), (QStringList{"Backup Files (*.FMB)", "All Files (*.*)"}));
}

TEST(DesktopPrompter, AnOpenDialogTakesANewNameUnlessTheFileMustExistAndOpensInItsFolder) {
  const auto folder = tarnlok::test_support::TestDataHome() / "cards";
  std::filesystem::create_directories(folder);
  FileDialogRequest request;
  request.initialFolder = win::WindowsPathOfHost(folder);
  const auto open = BuildFileDialog(request);
  EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open->fileMode(), QFileDialog::AnyFile);
  EXPECT_EQ(std::filesystem::path(open->directory().absolutePath().toStdString()), folder);
  request.flags = OFN_FILEMUSTEXIST;
  EXPECT_EQ(BuildFileDialog(request)->fileMode(), QFileDialog::ExistingFile);
}

TEST(DesktopPrompter, TheFolderBrowserShowsItsStatusText) {
  FolderRequest request;
  request.title = "Select the destination";
  request.status = "Recovered files are copied here";
  const auto dialog = BuildFolderDialog(request);
  EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
  const auto* status = dialog->findChild<QLabel*>(QStringLiteral("status"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text().toStdString(), request.status);
  dialog->show();
  EXPECT_TRUE(dialog->isVisible()) << "shown offscreen";
}

}  // namespace
}  // namespace ui
