#include "TestFolders.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace tesselvane::test {

namespace {

QString rootFolder;

const char* const kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "HOME"};

// Gives the owner every right on `folder` and the folders below it (links are not followed).
void makeRemovable(const QString& folder) {
    QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::ReadOwner |
                                      QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QDir dir(folder);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::System |
                                            QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        makeRemovable(dir.filePath(sub));
    }
}

class FreshFolders : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/tesselvane-test-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a temporary folder";
            return;
        }
        rootFolder = QFile::decodeName(pattern) + QLatin1Char('/');
        const std::pair<const char*, const char*> folders[] = {
            {"XDG_CONFIG_HOME", "config"},
            {"XDG_DATA_HOME", "data"},
            {"XDG_RUNTIME_DIR", "runtime"},
            {"HOME", "home"},
        };
        for (const auto& [variable, folder] : folders) {
            const QString path = rootFolder + QLatin1String(folder);
            QDir().mkpath(path);
            QFile::setPermissions(
                path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            ::setenv(variable, QFile::encodeName(path).constData(), 1);
        }
        QDir().mkpath(scratchFolder());
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        if (!rootFolder.isEmpty()) {
            // A test may have left read-only folders behind; make them removable first.
            makeRemovable(rootFolder);
            QDir(rootFolder).removeRecursively();
        }
        rootFolder.clear();
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

QString testRoot() {
    return rootFolder;
}

QString scratchFolder() {
    return rootFolder + QStringLiteral("scratch/");
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList takeLogLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    file.remove();
    return lines;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

void installFreshFoldersForEveryTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshFolders);
}

}  // namespace tesselvane::test
