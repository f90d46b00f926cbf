#include "TestFolders.h"
#include "WaitUntil.h"
#include "controls/TSelectFolderDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;
using enum TSelectFolderOption;

namespace {

QListView* list(QFileDialog& files) {
    return files.findChild<QListView*>(QStringLiteral("listView"));
}
QString shown(QFileDialog& files) {
    return files.directory().absolutePath();
}
void pressReturn(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}
void clickOk(QFileDialog& files) {
    files.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
}

// The root is the documents folder "top", holding a/a1, b (the desktop folder) and note.txt.
class TSelectFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        top_ = scratchFolder() + QStringLiteral("top");
        QDir().mkpath(top_ + QStringLiteral("/a/a1"));
        QDir().mkpath(top_ + QStringLiteral("/b"));
        QFile(top_ + QStringLiteral("/note.txt")).open(QIODevice::WriteOnly);
        QFile dirs(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"" + top_.toUtf8() + "\"\nXDG_DESKTOP_DIR=\"" +
                   top_.toUtf8() + "/b\"\n");
        dialog_.setRootFolder(TSpecialFolder::sfPersonal);
        dialog_.setOnInitialized([this](QObject* sender) { initialized_ += sender == &dialog_; });
        dialog_.setOnSelChanged([this](QObject* sender, const QString& path) {
            EXPECT_EQ(sender, &dialog_);
            changes_ << path;
        });
    }

    // Executes the dialog while `act` works on the open one; `act` must close it.
    bool execute(const std::function<void(QFileDialog& files)>& act) {
        QTimer::singleShot(0, [this, act] {
            QDialog* window = dialog_.DialogHandle();
            ASSERT_NE(window, nullptr);
            act(*window->findChild<QFileDialog*>());
            if (window->isVisible()) {
                ADD_FAILURE() << "left open";
                window->reject();
            }
        });
        return dialog_.Execute();
    }
    QLabel* label(const char* name) {
        return dialog_.DialogHandle()->findChild<QLabel*>(QLatin1String(name));
    }
    void expectSelected(const QString& path) {
        EXPECT_FALSE(execute([&](QFileDialog& files) {
            EXPECT_EQ(files.selectedFiles(), QStringList{path});
            files.reject();
        }));
    }

    QString top_;
    TSelectFolderDialog dialog_;
    int initialized_ = 0;
    QStringList changes_;
};

TEST_F(TSelectFolderDialogTest, ARootFolderThatIsNotThereShowsNothing) {
    dialog_.setRootFolder(TSpecialFolder::sfPrinters);
    EXPECT_FALSE(dialog_.Execute());
    dialog_.setRootFolder(TSpecialFolder::sfPersonal);
    QDir(top_).removeRecursively();
    EXPECT_FALSE(dialog_.Execute());
    EXPECT_EQ(initialized_, 0);
}

TEST_F(TSelectFolderDialogTest, OpensAtTheRootWithItsTitleAndStatusLine) {
    dialog_.setTitle(QStringLiteral("壁紙の <b>フォルダ</b>"));
    dialog_.setStatusText(QStringLiteral("準備"));
    dialog_.setOptions({bifReturnOnlyFSDIRs, bifStatusText});
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        EXPECT_EQ(dialog_.DialogHandle()->windowTitle(), "フォルダの参照");
        EXPECT_TRUE(label("lblTitle")->isVisible());
        EXPECT_EQ(label("lblTitle")->textFormat(), Qt::PlainText);
        EXPECT_EQ(label("lblStatus")->text(), "準備");
        EXPECT_EQ(shown(files), top_);
        EXPECT_EQ(files.selectedFiles(), QStringList{top_});
        EXPECT_EQ(initialized_, 1);
        files.reject();
    }));
    EXPECT_EQ(initialized_, 1);
    EXPECT_EQ(dialog_.DialogHandle(), nullptr);

    // A custom root is the desktop: the top of every folder.
    dialog_.setTitle({});
    dialog_.setOptions({});
    dialog_.setRootFolder(TSpecialFolder::sfCustom);
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        EXPECT_FALSE(label("lblTitle")->isVisible());
        EXPECT_FALSE(label("lblStatus")->isVisible());
        EXPECT_EQ(shown(files), "/");
        files.reject();
    }));
}

TEST_F(TSelectFolderDialogTest, SelectsTheInitialFolderInItsParentsListing) {
    const QString a1 = top_ + QStringLiteral("/a/a1");
    dialog_.setInitialFolder(TSpecialFolder::sfCustom);
    for (const QString& name : {a1, a1 + QLatin1Char('/')}) {
        dialog_.setInitFolderName(name);
        changes_.clear();
        EXPECT_TRUE(execute([&](QFileDialog& files) {
            EXPECT_EQ(shown(files), top_ + QStringLiteral("/a"));
            EXPECT_EQ(changes_, QStringList{a1});
            clickOk(files);
        }));
        EXPECT_EQ(dialog_.FolderName(), a1);
        EXPECT_EQ(dialog_.DisplayName(), "a1");
    }
    // Cancelling leaves the last choice.
    EXPECT_FALSE(execute([](QFileDialog& files) { files.reject(); }));
    EXPECT_EQ(dialog_.FolderName(), a1);

    // Nothing there or nothing below the root: the root stays selected.
    for (const QString& name : {top_ + QStringLiteral("/gone"), QString(), scratchFolder()}) {
        dialog_.setInitFolderName(name);
        expectSelected(top_);
    }
    dialog_.setInitialFolder(TSpecialFolder::sfNetWork);
    expectSelected(top_);
    dialog_.setInitialFolder(TSpecialFolder::sfDesktopDirectory);
    expectSelected(top_ + QStringLiteral("/b"));
}

TEST_F(TSelectFolderDialogTest, ReportsEverySelectionAndShowsStatusTextAtOnce) {
    dialog_.setOptions({bifStatusText});
    dialog_.setOnSelChanged([this](QObject*, const QString& path) { dialog_.setStatusText(path); });
    const QString a = top_ + QStringLiteral("/a");
    const auto select = [](QFileDialog& files, const QString& path) {
        list(files)->setCurrentIndex(files.findChild<QFileSystemModel*>()->index(path));
    };
    EXPECT_TRUE(execute([&](QFileDialog& files) {
        select(files, top_ + QStringLiteral("/b"));
        EXPECT_EQ(label("lblStatus")->text(), top_ + QStringLiteral("/b"));
        select(files, a);
        pressReturn(list(files));
        EXPECT_EQ(shown(files), a);
        EXPECT_EQ(label("lblStatus")->text(), a);
        clickOk(files);
    }));
    EXPECT_EQ(dialog_.FolderName(), a);
}

TEST_F(TSelectFolderDialogTest, NeverLeavesTheRootFolder) {
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        const QList<QUrl> places{QUrl::fromLocalFile(top_),
                                 QUrl::fromLocalFile(top_ + QStringLiteral("/b"))};
        EXPECT_EQ(files.sidebarUrls(), places);  // not the home folder above
        files.findChild<QAbstractButton*>(QStringLiteral("toParentButton"))->click();
        files.setDirectory(scratchFolder());  // as the back button does
        EXPECT_TRUE(test::waitUntil([&] { return shown(files) == top_; }));
        for (const QString& path : changes_)
            EXPECT_TRUE(path.isEmpty() || path.startsWith(top_)) << path.toStdString();
        // Nor does a path typed into the name box lead out.
        files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(scratchFolder());
        clickOk(files);
        EXPECT_TRUE(files.isVisible());
        files.reject();
    }));
}

TEST_F(TSelectFolderDialogTest, FilesOnlyWithBrowseIncludeFiles) {
    const QString note = top_ + QStringLiteral("/note.txt");
    dialog_.setInitialFolder(TSpecialFolder::sfCustom);
    dialog_.setInitFolderName(note);
    expectSelected(top_);
    dialog_.setOptions({bifBrowseIncludeFiles});
    EXPECT_TRUE(execute([&](QFileDialog& files) { pressReturn(list(files)); }));
    EXPECT_EQ(dialog_.FolderName(), note);
}

}  // namespace
