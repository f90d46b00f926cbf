#include "NextModal.h"
#include "TestFolders.h"
#include "controls/TOpenSusieDialog.h"
#include "picture/PluginHost.h"
#include "picture/TSusie.h"

#include <QAbstractButton>
#include <QBuffer>
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
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

using namespace tesselvane;
using namespace tesselvane::test;
using enum TOpenOption;

namespace {

QString testPluginFolder() {
    return QStringLiteral(TESSELVANE_TEST_BIN_DIR "/test-plugins/");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QImage solid(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// The rectangle of `colour` in what `widget` shows.
QRect shownArea(QWidget* widget, QColor colour) {
    const QImage shot = widget->grab().toImage();
    QRect area;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixelColor(x, y) == colour)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

// Pictures in the folder "pictures": Qt reads the .bmp and .jpeg files itself, the test
// plug-ins "plain" (*.plain) and "failing" (*.failing) give the host the others.
class TOpenSusieDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = scratchFolder() + QStringLiteral("calls.log");
        ::setenv("TESSELVANE_TEST_SPI_LOG", QFile::encodeName(log_).constData(), 1);
        // The plug-in helper takes this test's environment (its log file) when started.
        PluginHost::shared().stop();
        const QString plugins = scratchFolder() + QStringLiteral("plugins/");
        QDir().mkpath(plugins);
        for (const char* plugin : {"plain", "failing"}) {
            const QString name = QLatin1String(plugin) + QStringLiteral(".spi");
            ASSERT_TRUE(QFile::copy(testPluginFolder() + name, plugins + name)) << plugin;
        }
        dialog_.Susie()->setPluginPath(plugins);

        folder_ = scratchFolder() + QStringLiteral("pictures");
        QDir().mkpath(folder_ + QStringLiteral("/sub"));
        ASSERT_TRUE(solid(40, 30, Qt::red).save(path("red.bmp")));
        ASSERT_TRUE(solid(20, 10, Qt::blue).save(path("blue.jpeg"), nullptr, 100));
        writeFile(path("green.plain"), QByteArray("TPLN\x00\xff\x00\x03\x02", 9));
        writeFile(path("broken.failing"), QByteArray("TFAI\x00\xff\x00\x03\x02", 9));
        // Qt's reader refuses it, and the host's own BMP reader raises an error.
        writeFile(path("damaged.bmp"), "BM broken");
        // A whole header over pixels cut short: no picture, not stray memory.
        QImage whole(40, 30, QImage::Format_RGB888);
        whole.fill(Qt::blue);
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        whole.save(&bytes, "BMP");
        writeFile(path("cut.bmp"), bytes.data().left(bytes.data().size() / 2));
        writeFile(path("notes.txt"), "no picture");
        dialog_.setInitialDir(folder_);
    }
    void TearDown() override { ::unsetenv("TESSELVANE_TEST_SPI_LOG"); }

    QString path(const char* name) const { return folder_ + u'/' + QLatin1String(name); }

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

    // Makes `file` the one in hand, as clicking it in the list does.
    static void select(QFileDialog& files, const QString& file) {
        auto* view = files.findChild<QListView*>(QStringLiteral("listView"));
        auto* model = files.findChild<QFileSystemModel*>();
        view->setCurrentIndex(model->index(file));
    }
    static void choose(QFileDialog& files, const QString& typed) {
        files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
        files.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    }

    template <typename T>
    T* panelPart(const char* name) {
        return dialog_.DialogHandle()->findChild<T*>(QLatin1String(name));
    }
    void expectNoPicture() {
        EXPECT_EQ(panelPart<QLabel>("PictureLabel")->text(), "画像:");
        EXPECT_EQ(panelPart<QLabel>("PaintPanel")->text(), "(なし)");
        EXPECT_FALSE(panelPart<QToolButton>("PreviewButton")->isEnabled());
        EXPECT_TRUE(shownArea(panelPart<QWidget>("PaintBox"), Qt::red).isEmpty());
    }
    void expectPicture(const char* size) {
        EXPECT_EQ(panelPart<QLabel>("PictureLabel")->text(), QLatin1String(size));
        EXPECT_EQ(panelPart<QLabel>("PaintPanel")->text(), "");
        EXPECT_TRUE(panelPart<QToolButton>("PreviewButton")->isEnabled());
    }

    // The calls the plug-ins had since the last look.
    QStringList calls() { return takeLogLines(log_); }

    QString log_;
    QString folder_;
    TOpenSusieDialog dialog_;
};

TEST(QtNameFiltersTest, PairsBecomeQtFiltersAndWhatQtWouldMisreadIsLeftOut) {
    EXPECT_EQ(qtNameFilters("All Pictures|*.BMP;*.JPG|BMP|*.BMP|JPEG|*.JPG"),
              QStringList({"All Pictures (*.BMP *.JPG)", "BMP (*.BMP)", "JPEG (*.JPG)"}));
    // A plug-in's pattern may hold several; spaces around them and repeats go.
    EXPECT_EQ(qtNameFilters("Pi files|*.pi; *.pic;*.pi"), QStringList{"Pi files (*.pi *.pic)"});
    EXPECT_EQ(qtNameFilters("|*.x"), QStringList{"*.x (*.x)"});
    EXPECT_EQ(qtNameFilters("Two\nlines|*.x"), QStringList{"Two lines (*.x)"});

    EXPECT_EQ(qtNameFilters(""), QStringList());
    EXPECT_EQ(qtNameFilters("A|*.a|B"), QStringList{"A (*.a)"});
    EXPECT_EQ(qtNameFilters("A||B|*.b|C| ; |D|;"), QStringList{"B (*.b)"});
    EXPECT_EQ(qtNameFilters("A|*.my pic;*(x);*.画像;*.ok"), QStringList{"A (*.ok)"});
    EXPECT_EQ(qtNameFilters("|||"), QStringList());
}

TEST_F(TOpenSusieDialogTest, OpensWithNoPictureAndTheHostsTypes) {
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        EXPECT_FALSE(dialog_.DialogHandle()->windowTitle().isEmpty());
        EXPECT_EQ(files.directory().absolutePath(), folder_);
        expectNoPicture();
        auto* button = panelPart<QToolButton>("PreviewButton");
        EXPECT_EQ(button->toolTip(), "プレビュー");
        EXPECT_EQ(button->accessibleName(), "プレビュー");
        EXPECT_FALSE(button->icon().isNull());
        ASSERT_NE(panelPart<QWidget>("PicturePanel"), nullptr);

        // Qt reads each filter back into the patterns it was made of.
        const QStringList filters = files.nameFilters();
        ASSERT_EQ(filters.size(), 5);
        EXPECT_EQ(filters[0], "All Pictures (*.BMP *.JPG *.failing *.plain)");
        auto* model = files.findChild<QFileSystemModel*>();
        files.selectNameFilter(filters[4]);
        EXPECT_EQ(model->nameFilters(), QStringList{"*.plain"});
        files.selectNameFilter(filters[0]);
        EXPECT_EQ(model->nameFilters().size(), 4);

        // Patterns match whatever the case of the name.
        auto* view = files.findChild<QListView*>(QStringLiteral("listView"));
        auto listed = [&] {
            QStringList names;
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
                names << model->index(row, 0, view->rootIndex()).data().toString();
            return names;
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return listed().contains("red.bmp"); }));
        EXPECT_TRUE(listed().contains("green.plain"));
        EXPECT_FALSE(listed().contains("notes.txt"));
        files.reject();
    }));
    EXPECT_EQ(dialog_.Filter(), dialog_.Susie()->Filter());
    EXPECT_EQ(dialog_.DialogHandle(), nullptr);
    EXPECT_TRUE(dialog_.Files().isEmpty());
}

TEST_F(TOpenSusieDialogTest, QtsReadersShowTheirPicturesWithoutAskingTheHost) {
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        select(files, path("red.bmp"));
        expectPicture(" (40x30)");
        // Scaled to fit, proportions kept, in the middle.
        QWidget* box = panelPart<QWidget>("PaintBox");
        const QSize size = QSize(40, 30).scaled(box->size(), Qt::KeepAspectRatio);
        const QRect expected =
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, box->rect());
        const QRect shown = shownArea(box, Qt::red);
        EXPECT_LE((shown.topLeft() - expected.topLeft()).manhattanLength(), 2);
        EXPECT_LE((shown.bottomRight() - expected.bottomRight()).manhattanLength(), 2);

        // The host reads .JPG files only: it would have asked the plug-ins about this one.
        select(files, path("blue.jpeg"));
        expectPicture(" (20x10)");
        EXPECT_TRUE(calls().isEmpty());

        select(files, path("sub"));
        expectNoPicture();
        files.reject();
    }));
}

TEST_F(TOpenSusieDialogTest, TheHostShowsWhatOnlyItsPluginsReadAndReadsItOnce) {
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        select(files, path("green.plain"));
        expectPicture(" (3x2)");
        EXPECT_EQ(calls().filter("GetPicture@").size(), 1);
        EXPECT_EQ(shownArea(panelPart<QWidget>("PaintBox"), Qt::green).isEmpty(), false);

        emit files.currentChanged(path("green.plain"));
        expectPicture(" (3x2)");
        EXPECT_TRUE(calls().isEmpty());
        files.reject();
    }));
}

TEST_F(TOpenSusieDialogTest, AFileNobodyReadsShowsNoPictureAndTheDialogStaysOpen) {
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        for (const char* name :
             {"broken.failing", "damaged.bmp", "cut.bmp", "notes.txt", "gone.plain"}) {
            SCOPED_TRACE(name);
            select(files, path("green.plain"));
            expectPicture(" (3x2)");
            if (QFile::exists(path(name)))
                select(files, path(name));
            else
                emit files.currentChanged(path(name));
            expectNoPicture();
            EXPECT_TRUE(dialog_.DialogHandle()->isVisible());
        }
        // Asking again about a file that has no picture does no harm.
        emit files.currentChanged(path("damaged.bmp"));
        expectNoPicture();
        files.reject();
    }));
}

TEST_F(TOpenSusieDialogTest, ThePreviewShowsThePictureAtItsSizeUpToThreeQuartersOfTheScreen) {
    ASSERT_TRUE(solid(700, 100, Qt::red).save(path("wide.bmp")));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_LT(screen.width() * 3 / 4, 720) << "the screen is too wide for this test";

    EXPECT_FALSE(execute([&](QFileDialog& files) {
        select(files, path("red.bmp"));
        bool previewed = false;
        onNextModal([&](QWidget* preview) {
            previewed = true;
            EXPECT_EQ(preview->windowTitle(), "プレビュー");
            EXPECT_TRUE(preview->windowFlags().testFlag(Qt::Tool));
            // 5 pixels of border around the picture, and 10 to spare.
            EXPECT_EQ(preview->size(), QSize(60, 50));
            EXPECT_LE((preview->geometry().center() - screen.center()).manhattanLength(), 2);
            EXPECT_FALSE(shownArea(preview, Qt::red).isEmpty());
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(preview, &escape);
            EXPECT_FALSE(preview->isVisible());
        });
        panelPart<QToolButton>("PreviewButton")->click();
        EXPECT_TRUE(previewed);

        select(files, path("wide.bmp"));
        previewed = false;
        onNextModal([&](QWidget* preview) {
            previewed = true;
            EXPECT_EQ(preview->size(), QSize(screen.width() * 3 / 4, 120));
            // The picture shrinks to the window, its proportions kept.
            const QRect shown = shownArea(preview, Qt::red);
            const int width = screen.width() * 3 / 4 - 10, height = shown.width() / 7;
            EXPECT_NEAR(shown.width(), width, 1);
            EXPECT_NEAR(shown.height(), height, 1);
            preview->close();
        });
        QTest::mouseDClick(panelPart<QWidget>("PaintBox"), Qt::LeftButton);
        EXPECT_TRUE(previewed);
        EXPECT_TRUE(dialog_.DialogHandle()->isVisible());
        files.reject();
    }));
}

TEST_F(TOpenSusieDialogTest, ChoosesOneFileOrSeveral) {
    EXPECT_TRUE(execute([this](QFileDialog& files) {
        EXPECT_EQ(files.fileMode(), QFileDialog::AnyFile);
        choose(files, "red.bmp");
    }));
    EXPECT_EQ(dialog_.Files(), QStringList{path("red.bmp")});
    EXPECT_EQ(dialog_.FileName(), path("red.bmp"));

    dialog_.setOptions({ofAllowMultiSelect, ofFileMustExist, ofHideReadOnly});
    EXPECT_TRUE(execute([this](QFileDialog& files) {
        choose(files, "\"green.plain\" \"red.bmp\" \"blue.jpeg\"");
    }));
    EXPECT_EQ(dialog_.Files(),
              QStringList({path("green.plain"), path("red.bmp"), path("blue.jpeg")}));
    EXPECT_EQ(dialog_.FileName(), path("green.plain"));

    // A file that is not there is refused; cancelling keeps the last choice.
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        choose(files, "gone.plain");
        EXPECT_TRUE(dialog_.DialogHandle()->isVisible());
        files.reject();
    }));
    EXPECT_EQ(dialog_.Files().size(), 3);

    dialog_.setOptions({ofFileMustExist});
    EXPECT_TRUE(execute([this](QFileDialog& files) {
        EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
        choose(files, "blue.jpeg");
    }));
    EXPECT_EQ(dialog_.Files(), QStringList{path("blue.jpeg")});

    // No initial folder, or one that is gone: the home folder.
    for (const QString& dir : {QString(), scratchFolder() + QStringLiteral("gone")}) {
        dialog_.setInitialDir(dir);
        EXPECT_FALSE(execute([](QFileDialog& files) {
            EXPECT_EQ(files.directory().absolutePath(), QDir::homePath());
            files.reject();
        }));
    }
}

TEST_F(TOpenSusieDialogTest, AnAssignedHostIsNeverFreedAndItsEndLeavesNoHost) {
    TSusie outside;
    QPointer<TSusie> own;
    {
        TOpenSusieDialog dialog;
        own = dialog.Susie();
        ASSERT_NE(own, nullptr);
        dialog.setSusie(&outside);
        EXPECT_EQ(dialog.Susie(), &outside);
    }
    EXPECT_EQ(own, nullptr);
    outside.LoadPicture(path("red.bmp"));
    EXPECT_EQ(outside.Bitmap().image.size(), QSize(40, 30));

    {
        auto host = std::make_unique<TSusie>();
        host->setPluginPath(dialog_.Susie()->PluginPath());
        dialog_.setSusie(host.get());
    }
    EXPECT_EQ(dialog_.Susie(), nullptr);
    dialog_.setFilter("Plain|*.plain");
    EXPECT_FALSE(execute([this](QFileDialog& files) {
        EXPECT_EQ(files.nameFilters(), QStringList{"Plain (*.plain)"});
        select(files, path("green.plain"));
        expectNoPicture();
        select(files, path("red.bmp"));
        expectPicture(" (40x30)");
        files.reject();
    }));
    EXPECT_EQ(dialog_.Filter(), "Plain|*.plain");
    EXPECT_TRUE(calls().isEmpty());
}

}  // namespace
