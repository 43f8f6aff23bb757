// The Open and Save As dialogs: default extension, the remembered file, the overwrite
// prompt, Cancel, and the real dialog answered from inside its modal loop: its filters,
// the filter remembered, the prompt inside it, and no settings left behind.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "FrameworkFixture.h"

namespace {

// The filter as the program sets it: pairs of zero-terminated strings, extra zero last.
const char kFilter[] = "magic anus files *.manus\0*.manus\0all files *.*\0*.*\0";

class FileDialogTest : public FrameworkTest {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }
  // Answers the real dialog from inside its modal loop: one step each time the loop runs
  // while a file dialog is open, as a user acts on the dialog in front of them.
  void AnswerRealDialog(std::vector<std::function<void(QFileDialog*)>> steps) {
    pending = std::move(steps);
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog || pending.empty()) return;
      const std::function<void(QFileDialog*)> step = pending.front();
      pending.erase(pending.begin());
      if (pending.empty()) answer.stop();
      step(dialog);
    });
    answer.start();
  }
  std::string In(const char* name) const { return folder.path().toStdString() + "/" + name; }
  static void Prepare(CFileDialog& dialog) {
    dialog.m_ofn.lpstrDefExt = "manus";
    dialog.m_ofn.lpstrFilter = kFilter;
  }
  QTemporaryDir folder;
  std::vector<FileDialogRequest> requests;
  QTimer answer;
  std::vector<std::function<void(QFileDialog*)>> pending;
};

TEST_F(FileDialogTest, TypedNameGetsTheDefaultExtensionAndAFullPath) {
  CFileDialog save(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(save);
  const std::string dir = folder.path().toStdString();
  CFileDialog::SetTestResponder([&](const FileDialogRequest& request) {
    requests.push_back(request);
    return std::optional<std::string>(dir + "/params");
  });
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(std::string(save.GetPathName()), In("params.manus"));
  EXPECT_EQ(std::string(save.GetFileName()), "params.manus");
  EXPECT_EQ(std::string(save.GetFileExt()), "manus");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].open);
  EXPECT_EQ(requests[0].title, "Save As");
  EXPECT_EQ(requests[0].defaultExtension, "manus");
  const std::vector<std::pair<std::string, std::string>> filters = {
      {"magic anus files *.manus", "*.manus"}, {"all files *.*", "*.*"}};
  EXPECT_EQ(requests[0].filters, filters);

  // A name that has an extension keeps it.
  CFileDialog::SetTestResponder(
      [](const FileDialogRequest&) { return std::optional<std::string>("notes.txt"); });
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(std::string(save.GetPathName()), In("notes.txt"))
      << "relative names count from the dialog's folder";
}

TEST_F(FileDialogTest, TheDialogOffersTheFileChosenLastTime) {
  CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(open);
  const std::string dir = folder.path().toStdString();
  CFileDialog::SetTestResponder([&](const FileDialogRequest& request) {
    requests.push_back(request);
    return requests.size() == 1 ? std::optional<std::string>(dir + "/first") : std::nullopt;
  });
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(requests[1].open);
  EXPECT_EQ(requests[1].title, "Open");
  EXPECT_EQ(requests[1].folder, dir);
  EXPECT_EQ(requests[1].fileName, "first.manus");
  EXPECT_EQ(std::string(open.GetPathName()), In("first.manus")) << "Cancel keeps the last choice";
}

TEST_F(FileDialogTest, SavingOverAnExistingFileAsksFirst) {
  std::ofstream(In("taken.manus")) << "x";
  CFileDialog save(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(save);
  const std::string dir = folder.path().toStdString();
  std::vector<std::string> questions;
  std::vector<UINT> types;
  int answer = IDNO;
  SetMessageBoxResponder([&](HWND, const char* text, const char*, UINT type) {
    questions.push_back(text);
    types.push_back(type);
    return answer;
  });
  CFileDialog::SetTestResponder([&](const FileDialogRequest& request) {
    requests.push_back(request);
    // First the taken name; after "No" the dialog is back and a new name is typed.
    return std::optional<std::string>(dir + (requests.size() == 1 ? "/taken" : "/fresh"));
  });
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(std::string(save.GetPathName()), In("fresh.manus"));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find(In("taken.manus")), std::string::npos);
  EXPECT_EQ(types[0] & MB_TYPEMASK, MB_YESNO);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].fileName, "taken.manus") << "the dialog comes back with the refused name";

  answer = IDYES;
  requests.clear();
  CFileDialog::SetTestResponder(
      [&](const FileDialogRequest&) { return std::optional<std::string>(dir + "/taken"); });
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(std::string(save.GetPathName()), In("taken.manus"));
  EXPECT_EQ(questions.size(), 2u);

  // Opening an existing file asks nothing.
  CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(open);
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(questions.size(), 2u);
}

TEST_F(FileDialogTest, OpenRefusesAMissingFileWhenItMustExist) {
  std::ofstream(In("there.manus")) << "x";
  CFileDialog open(TRUE, "manus", nullptr, OFN_FILEMUSTEXIST);
  int warnings = 0;
  SetMessageBoxResponder([&](HWND, const char*, const char*, UINT) {
    ++warnings;
    return IDOK;
  });
  const std::string dir = folder.path().toStdString();
  int asked = 0;
  CFileDialog::SetTestResponder([&](const FileDialogRequest&) {
    return std::optional<std::string>(dir + (++asked == 1 ? "/missing" : "/there"));
  });
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(std::string(open.GetPathName()), In("there.manus"));
}

TEST_F(FileDialogTest, APathLongerThanTheBufferIsAFailure) {
  char small[8] = "";
  CFileDialog save(FALSE, "manus");
  save.m_ofn.lpstrFile = small;
  save.m_ofn.nMaxFile = sizeof(small);
  CFileDialog::SetTestResponder(
      [](const FileDialogRequest&) { return std::optional<std::string>("/tmp/a-long-name"); });
  EXPECT_EQ(save.DoModal(), IDCANCEL);
  EXPECT_EQ(std::string(small), "");
}

TEST_F(FileDialogTest, RealDialogAnsweredFromInsideItsModalLoop) {
  CFileDialog save(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(save);
  const QString dir = folder.path();
  AnswerRealDialog({[&](QFileDialog* dialog) {
    dialog->setDirectory(dir);
    dialog->selectFile("typed");
    static_cast<QDialog*>(dialog)->accept();  // the OK button's path
  }});
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_TRUE(pending.empty());
  EXPECT_EQ(std::string(save.GetPathName()), In("typed.manus"));
}

TEST_F(FileDialogTest, RealDialogShowsTheFiltersAsGivenAndRemembersTheOneChosen) {
  // Qt's own dialog must leave the user's configuration as it was.
  const QString settings =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/QtProject.conf";
  const auto contents = [&] {
    QFile file(settings);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("absent");
  };
  const QByteArray before = contents();

  std::ofstream(In("kept.txt")) << "x";
  CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(open);
  QStringList shown;
  QString offered;
  AnswerRealDialog({[&](QFileDialog* dialog) {
                      const auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
                      ASSERT_NE(types, nullptr);
                      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
                      dialog->setDirectory(folder.path());
                      dialog->selectNameFilter(dialog->nameFilters().value(1));
                      dialog->selectFile("kept.txt");
                      static_cast<QDialog*>(dialog)->accept();
                    },
                    [&](QFileDialog* dialog) {
                      offered = dialog->findChild<QComboBox*>("fileTypeCombo")->currentText();
                      dialog->reject();
                    }});
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(shown, QStringList({"magic anus files *.manus", "all files *.*"}));
  EXPECT_EQ(std::string(open.GetPathName()), In("kept.txt"));
  EXPECT_EQ(open.m_ofn.nFilterIndex, 2u);
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  EXPECT_EQ(offered, "all files *.*") << "the filter chosen last is offered again";

  CFileDialog::SetTestResponder([&](const FileDialogRequest& request) {
    requests.push_back(request);
    return std::nullopt;
  });
  EXPECT_EQ(open.DoModal(), IDCANCEL);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].filterIndex, 1);
  EXPECT_EQ(contents(), before);
}

TEST_F(FileDialogTest, RealDialogAsksBeforeReplacingWhileItIsStillOpen) {
  std::ofstream(In("taken.manus")) << "x";
  CFileDialog save(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  Prepare(save);
  std::vector<std::string> questions;
  SetMessageBoxResponder([&](HWND, const char* text, const char*, UINT type) {
    questions.push_back(text);
    EXPECT_EQ(type & MB_TYPEMASK, MB_YESNO);
    return IDNO;
  });
  QFileDialog* first = nullptr;
  AnswerRealDialog({[&](QFileDialog* dialog) {
                      first = dialog;
                      dialog->setDirectory(folder.path());
                      dialog->selectFile("taken");
                      static_cast<QDialog*>(dialog)->accept();
                    },
                    [&](QFileDialog* dialog) {
                      // "No" kept this dialog open; the user types another name.
                      EXPECT_EQ(dialog, first);
                      EXPECT_EQ(questions.size(), 1u);
                      dialog->findChild<QAbstractItemView*>("listView")->clearSelection();
                      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("fresh");
                      static_cast<QDialog*>(dialog)->accept();
                    }});
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_TRUE(pending.empty());
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find(In("taken.manus")), std::string::npos);
  EXPECT_EQ(std::string(save.GetPathName()), In("fresh.manus"));
}

}  // namespace
