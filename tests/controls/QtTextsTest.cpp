#include "controls/QtTexts.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(QtTexts, QtsOwnDialogsSpeakJapanese) {
    QObject owner;
    installJapaneseQtTexts(&owner);
    const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
    EXPECT_NE(lookIn, "Look in:");
    EXPECT_NE(QCoreApplication::translate("QWidgetTextControl", "&Paste"), "&Paste");
}

}  // namespace
