#include "NextModal.h"
#include "ProgramFixture.h"
#include "controls/TOpenSusieDialog.h"
#include "controls/TSelectFolderDialog.h"
#include "dialogs/TfrmGroup.h"
#include "dialogs/TfrmGroupSet.h"
#include "dialogs/TfrmPreview.h"
#include "picture/TDataModule1.h"
#include "settings/Groups.h"
#include "settings/Options.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class GroupDialogsTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        dataModule_ = std::make_unique<TDataModule1>();
        preview_ = std::make_unique<TfrmPreview>(*ini_);
        groupSet_ = std::make_unique<TfrmGroupSet>(*ini_, *preview_);
        group_ = std::make_unique<TfrmGroup>(*ini_, *groupSet_);
    }
    void TearDown() override {
        group_.reset();
        groupSet_.reset();
        preview_.reset();
        dataModule_.reset();
        ProgramFixture::TearDown();
    }

    QStringList storedNames() { return readGroupNames(*ini_); }
    QStringList storedFiles(const QString& group) {
        QStringList files;
        ReadFileItems(*ini_, group, files);
        return files;
    }
    void add(const QString& typed) {
        group_->edtGroup->setText(typed);
        group_->btnGroupAdd->click();
    }
    // Opens the contents of `name` and runs `inside` while it is open; it is closed after.
    void editGroup(const QString& name, std::function<void(TfrmGroupSet&)> inside) {
        groupSet_->TargetGroup = name;
        groupSet_->show();
        inside(*groupSet_);
        if (groupSet_->isVisible())
            groupSet_->btnCancel->click();
    }
    // Chooses `files` in the picture open dialog that "追加" opens.
    void addFiles(const QStringList& files) {
        onNextModal([files](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                dialog = modal->findChild<QFileDialog*>();
            ASSERT_TRUE(dialog);
            dialog->setDirectory(QFileInfo(files.first()).absolutePath());
            QStringList quoted;
            for (const QString& file : files)
                quoted.append('"' + QFileInfo(file).fileName() + '"');
            // Typed, as a user does: selecting waits for the folder's listing, typing does not.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(quoted.join(' '));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        });
        groupSet_->btnFileAdd->click();
    }
    void select(std::initializer_list<int> rows) {
        QListWidget* list = groupSet_->lstFileList;
        list->clearSelection();
        for (const int row : rows)
            list->setCurrentRow(row, QItemSelectionModel::Select);
    }

    std::unique_ptr<TDataModule1> dataModule_;
    std::unique_ptr<TfrmPreview> preview_;
    std::unique_ptr<TfrmGroupSet> groupSet_;
    std::unique_ptr<TfrmGroup> group_;
};

TEST_F(GroupDialogsTest, NamesAreAddedTrimmedOnceAndWithinTheirLength) {
    group_->show();
    EXPECT_EQ(group_->windowTitle(), "グループメンテナンス");
    EXPECT_FALSE(group_->btnGroupAdd->isEnabled());
    EXPECT_FALSE(group_->btnSet->isEnabled());
    EXPECT_FALSE(group_->btnGroupRemove->isEnabled());

    add("  Lakes \t");
    add("Hills");
    EXPECT_THAT(storedNames(), ElementsAre("Lakes", "Hills"));
    // The new one is chosen, ready for 設定...
    EXPECT_EQ(group_->lstGroup->currentItem()->text(), "Hills");
    EXPECT_TRUE(group_->btnSet->isEnabled());
    EXPECT_TRUE(group_->edtGroup->text().isEmpty());
    EXPECT_FALSE(group_->btnGroupAdd->isEnabled());

    add("LAKES");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "警告");
    EXPECT_EQ(boxes_[0].text, "二重登録です");
    EXPECT_EQ(group_->edtGroup->text(), "LAKES");  // kept, to be corrected
    add("a\\b");
    EXPECT_EQ(boxes_.size(), 2u);
    add("Sea\nside");  // pasted with a line break
    EXPECT_EQ(boxes_.size(), 3u);
    EXPECT_THAT(storedNames(), ElementsAre("Lakes", "Hills"));

    // Blanks only enable the button but add nothing.
    add("   ");
    EXPECT_EQ(group_->lstGroup->count(), 2);

    // Typing stops at 15 double-byte characters.
    group_->edtGroup->clear();
    group_->edtGroup->setFocus();
    const auto type = [this](QChar c) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(group_->edtGroup, &press);
    };
    for (int i = 0; i < 16; ++i)
        type(u'海');
    EXPECT_EQ(group_->edtGroup->text(), QString(15, u'海'));
    type(u'x');
    EXPECT_EQ(group_->edtGroup->text(), QString(15, u'海'));
}

TEST_F(GroupDialogsTest, RemovingTheMiddleGroupRenumbersTheRestAndErasesItsContents) {
    SaveGroupNames(*ini_, {"one", "two", "three"});
    for (const QString name : {"one", "two", "three"})
        SaveGroup(*ini_, name, GroupKind::Folder, "/" + name, {});
    group_->show();
    group_->lstGroup->setCurrentRow(1);
    EXPECT_TRUE(group_->btnGroupRemove->isEnabled());
    group_->btnGroupRemove->click();
    EXPECT_THAT(storedNames(), ElementsAre("one", "three"));
    EXPECT_EQ(ini_->ReadString("GroupName", "Group1", ""), "three");
    EXPECT_FALSE(ini_->sectionExists("Files\\two"));
    EXPECT_TRUE(ini_->sectionExists("Files\\three"));
    EXPECT_TRUE(group_->lstGroup->selectedItems().isEmpty());
    EXPECT_FALSE(group_->btnGroupRemove->isEnabled());

    // The close box loses nothing and keeps the place.
    group_->move(40, 50);
    group_->close();
    EXPECT_THAT(storedNames(), ElementsAre("one", "three"));
    EXPECT_EQ(ini_->ReadInteger("Group", "Left", -1), group_->frameGeometry().left());
}

TEST_F(GroupDialogsTest, SetOpensTheSelectedGroupsContents) {
    SaveGroupNames(*ini_, {"one", "two"});
    group_->show();
    group_->lstGroup->setCurrentRow(1);
    QString caption;
    onNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();
    });
    group_->btnSet->click();
    EXPECT_EQ(caption, "グループ「two」の設定");
}

TEST_F(GroupDialogsTest, ANewGroupOpensAsAnEmptyFileListAndOkStoresIt) {
    editGroup("new", [&](TfrmGroupSet& set) {
        EXPECT_TRUE(set.rbFile->isChecked());
        EXPECT_EQ(set.lstFileList->count(), 0);
        EXPECT_FALSE(set.edtDir->isEnabled());
        EXPECT_FALSE(set.btnFileRemove->isEnabled());
        set.btnOK->click();
        EXPECT_FALSE(set.isVisible());
    });
    EXPECT_EQ(ini_->ReadString("Files\\new", "Type", ""), "0");
    EXPECT_THAT(storedFiles("new"), IsEmpty());
}

TEST_F(GroupDialogsTest, FilesAddedAreListedInOrderKeptOnCancelAndStartTheNextAdd) {
    const QString a = picture("pics/a.bmp", Qt::red);
    const QString b = picture("pics/b.bmp", Qt::green);
    editGroup("g", [&](TfrmGroupSet& set) {
        addFiles({a, b});
        addFiles({a});
        ASSERT_EQ(set.lstFileList->count(), 3);
        EXPECT_EQ(set.lstFileList->item(2)->text(), "a.bmp");  // twice is allowed
        EXPECT_FALSE(set.btnFileRemove->isEnabled());
        EXPECT_EQ(set.OpenSusieDialog1->InitialDir(), scratchFolder() + "pics/");
    });
    EXPECT_THAT(storedFiles("g"), ElementsAre(a, b, a));
    EXPECT_EQ(ini_->ReadString("Files", "Path", ""), scratchFolder() + "pics/");
}

TEST_F(GroupDialogsTest, UpDownAndRemoveStoreAtOnceAndDoNothingAtTheEnds) {
    const QString a = picture("a.bmp", Qt::red), b = picture("b.bmp", Qt::green),
                  c = picture("c.bmp", Qt::blue);
    SaveGroup(*ini_, "g", GroupKind::FileList, {}, {a, b, c});
    editGroup("g", [&](TfrmGroupSet& set) {
        EXPECT_THAT(set.EditList(), ElementsAre(a, b, c));
        select({2});
        EXPECT_EQ(set.lblPath->text(), scratchFolder());
        set.btnFileUp->click();
        EXPECT_THAT(storedFiles("g"), ElementsAre(a, c, b));
        EXPECT_EQ(set.lstFileList->currentRow(), 1);

        // At the ends nothing is written: the stored section is left alone.
        ini_->WriteString("Files\\g", "Marker", "x");
        select({0});
        set.btnFileUp->click();
        select({2});
        set.btnFileDown->click();
        EXPECT_EQ(ini_->ReadString("Files\\g", "Marker", ""), "x");

        select({0, 2});
        set.btnFileRemove->click();
        EXPECT_THAT(set.EditList(), ElementsAre(c));
    });
    EXPECT_THAT(storedFiles("g"), ElementsAre(c));
}

TEST_F(GroupDialogsTest, AFolderReplacesTheFilesOnlyOnOk) {
    const QString a = picture("a.bmp", Qt::red);
    const QString folder = scratchFolder() + "album";
    QDir().mkpath(folder);
    SaveGroup(*ini_, "g", GroupKind::FileList, {}, {a});

    editGroup("g", [&](TfrmGroupSet& set) {
        set.rbDir->setChecked(true);
        EXPECT_FALSE(set.lstFileList->isEnabled());
        EXPECT_TRUE(set.btnRef->isEnabled());
        set.btnOK->click();  // no folder yet
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, "フォルダを選択してください");
        EXPECT_TRUE(set.isVisible());
        EXPECT_TRUE(set.edtDir->hasFocus() || !set.isActiveWindow());

        // Nothing typed yet: the chooser starts at the user's pictures.
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QDir().mkpath(pictures);
        onNextModal([&](QWidget*) {
            auto* files = set.SelectFolderDialog1->DialogHandle()->findChild<QFileDialog*>();
            ASSERT_TRUE(files);
            const QStringList chosen = files->selectedFiles();
            EXPECT_TRUE(files->directory().absolutePath() == pictures ||
                        (!chosen.isEmpty() && chosen.first() == pictures))
                << files->directory().absolutePath().toStdString();
            files->setDirectory(scratchFolder());
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("album");
            QMetaObject::invokeMethod(files, "accept");
        });
        set.btnRef->click();
        EXPECT_EQ(set.edtDir->text(), folder);
    });
    // Cancelled: the switch is dropped.
    EXPECT_THAT(storedFiles("g"), ElementsAre(a));

    editGroup("g", [&](TfrmGroupSet& set) {
        set.rbDir->setChecked(true);
        set.edtDir->setText(folder);
        set.btnOK->click();
    });
    EXPECT_EQ(ini_->ReadString("Files\\g", "Type", ""), "1");
    EXPECT_EQ(ini_->ReadString("Files\\g", "Folder", ""), folder);
    EXPECT_EQ(ini_->ReadString("Files\\g", "File0000", "none"), "none");

    editGroup("g", [&](TfrmGroupSet& set) {
        EXPECT_TRUE(set.rbDir->isChecked());
        EXPECT_EQ(set.edtDir->text(), folder);
    });
}

TEST_F(GroupDialogsTest, ChangeAppliesTheFocusedFileAtOnce) {
    const QString a = picture("a.bmp", Qt::red), b = picture("b.bmp", Qt::green);
    SaveGroup(*ini_, "g", GroupKind::FileList, {}, {a, b});
    editGroup("g", [&](TfrmGroupSet& set) {
        EXPECT_FALSE(set.btnChange->isEnabled());
        select({1});
        set.btnChange->click();
    });
    ASSERT_FALSE(calls_->isEmpty());
}

TEST_F(GroupDialogsTest, ThePreviewFollowsItsBoxAndKeepsItsPlace) {
    const QString wide = picture("wide.bmp", Qt::red, QSize(40, 10));
    SaveGroup(*ini_, "g", GroupKind::FileList, {}, {wide});
    editGroup("g", [&](TfrmGroupSet& set) {
        select({0});
        set.chkPreview->setChecked(true);
        EXPECT_TRUE(preview_->isVisible());
        EXPECT_EQ(preview_->size(), QSize(128, 128));
        ASSERT_FALSE(preview_->imgPreview->pixmap().isNull());
        EXPECT_EQ(preview_->imgPreview->pixmap().size(), QSize(40, 10));
        EXPECT_TRUE(preview_->imgPreview->hasScaledContents());
        preview_->setGeometry(300, 200, 160, 90);
    });
    // Closing the dialog leaves the preview; a new show keeps it.
    EXPECT_TRUE(preview_->isVisible());
    editGroup("g", [&](TfrmGroupSet& set) {
        set.chkPreview->setChecked(false);
        EXPECT_FALSE(preview_->isVisible());
        EXPECT_EQ(ini_->ReadInteger("Preview", "Width", 0), preview_->frameGeometry().width());
        set.chkPreview->setChecked(true);
        EXPECT_EQ(preview_->size(), QSize(160, 90));
    });
}

TEST_F(GroupDialogsTest, ThePreviewKeepsThePicturesShapeWhenTheWallpaperDoes) {
    const QString wide = picture("wide.bmp", Qt::red, QSize(40, 10));
    SaveGroup(*ini_, "g", GroupKind::FileList, {}, {wide});
    MyOption.FitScreen = true;
    MyOption.FitStyle = 1;
    editGroup("g", [&](TfrmGroupSet& set) {
        select({0});
        set.chkPreview->setChecked(true);
        // 120 x 120 inside the border: the picture 120 x 30, on bars of the desktop colour.
        const QImage shown = preview_->imgPreview->pixmap().toImage();
        ASSERT_EQ(shown.size(), QSize(120, 120));
        EXPECT_FALSE(preview_->imgPreview->hasScaledContents());
        EXPECT_EQ(shown.pixelColor(60, 60), QColor(Qt::red));
        EXPECT_NE(shown.pixelColor(60, 10), QColor(Qt::red));
        preview_->resize(208, 58);  // 200 x 50: fills it whole
        EXPECT_EQ(preview_->imgPreview->pixmap().toImage().pixelColor(100, 2), QColor(Qt::red));
        set.chkPreview->setChecked(false);
    });
    MyOption.FitScreen = false;
    MyOption.FitStyle = 0;
}

}  // namespace
