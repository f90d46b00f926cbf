#include "RunProcess.h"
#include "TestFolders.h"
#include "platform/RegistryStore.h"
#include "tools/RegCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tesselvane;
using tesselvane::test::readFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const QString kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

class RegToolTest : public ::testing::Test {
protected:
    struct Run {
        int status;
        QString out;
        QString err;
    };

    Run reg(const QStringList& args, const QString& answers = {}) {
        QString input = answers;
        QString out;
        QString err;
        QTextStream in(&input);
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const int status =
            runRegCommand(args, RegistryStore::defaultPath(), in, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {status, out, err};
    }

    RegistryStore& store() {
        if (!store_)
            store_ = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        return *store_;
    }

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = test::scratchFolder() + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    std::unique_ptr<RegistryStore> store_;
};

TEST_F(RegToolTest, QueryPrintsWhatRegExePrints) {
    store().setValue("SOFTWARE\\Morvanti\\TESSEL\\Option", RegValue::text("UpdateReg", "1"));
    store().setValue("SOFTWARE\\Morvanti\\TESSEL\\Option", RegValue::dword("Count", 255));
    store().setValue("SOFTWARE\\Morvanti\\TESSEL\\Option",
                     RegValue{"Blob", RegType::Binary, "\x01\xab"});
    store().createKey("SOFTWARE\\Morvanti\\TESSEL\\Option\\Sub");

    Run r = reg({"query", "hkcu\\software\\morvanti\\tessel\\option"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\n"
              "HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option\n"
              "    UpdateReg    REG_SZ    1\n"
              "    Count    REG_DWORD    0xff\n"
              "    Blob    REG_BINARY    01AB\n"
              "\n"
              "HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option\\Sub\n");

    r = reg({"QUERY", "HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option", "/V", "updatereg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option\n"
              "    UpdateReg    REG_SZ    1\n\n");
}

TEST_F(RegToolTest, QueryWithSGoesThroughEverySubkey) {
    store().setValue("A", RegValue::text("x", "1"));
    store().setValue("A\\b\\c", RegValue::text("x", "2"));
    store().setValue("A\\B2", RegValue::text("y", "3"));
    Run r = reg({"query", "HKCU\\A", "/s"});
    EXPECT_EQ(r.out,
              "\nHKEY_CURRENT_USER\\A\n    x    REG_SZ    1\n\n"
              "\nHKEY_CURRENT_USER\\A\\b\n\n"
              "\nHKEY_CURRENT_USER\\A\\b\\c\n    x    REG_SZ    2\n\n"
              "\nHKEY_CURRENT_USER\\A\\B2\n    y    REG_SZ    3\n\n");

    r = reg({"query", "HKCU\\A", "/s", "/v", "X"});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.out.toStdString(), HasSubstr("End of search: 2 match(es) found."));
}

TEST_F(RegToolTest, MissingKeysAndValuesFailWithRegExesMessage) {
    Run r = reg({"query", "HKCU\\nothing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotFound);
    // Reading where there is no store makes none.
    EXPECT_EQ(reg({"export", "HKCU", test::scratchFolder() + "empty.reg"}).status, 0);
    EXPECT_EQ(readFile(test::scratchFolder() + "empty.reg"),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n");
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(RegistryStore::defaultPath()).absolutePath()));
    store().createKey("K");
    r = reg({"query", "HKCU\\K", "/v", "missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotFound);
    EXPECT_EQ(reg({"delete", "HKCU\\K", "/v", "missing", "/f"}).err, kNotFound);
    EXPECT_EQ(reg({"delete", "HKCU\\none", "/f"}).err, kNotFound);
    EXPECT_EQ(reg({"export", "HKCU\\none", test::scratchFolder() + "x.reg"}).err, kNotFound);
}

TEST_F(RegToolTest, BadArgumentsAreRefusedWithUsageHints) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"query"},
          QStringList{"query", "HKLM\\SOFTWARE"}, QStringList{"query", "HKCU\\a", "-x"},
          QStringList{"add", "HKCU\\a", "/v"}}) {
        const Run r = reg(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr("ERROR: Invalid"));
        EXPECT_THAT(r.err.toStdString(), HasSubstr("tesselvane-reg /?"));
    }
    EXPECT_EQ(reg({"/?"}).status, 0);
    EXPECT_THAT(reg({"query", "/?"}).out.toStdString(), HasSubstr("tesselvane-reg query"));
}

TEST_F(RegToolTest, AddStoresEachTypeAndAsksBeforeOverwriting) {
    EXPECT_EQ(reg({"add", "HKCU\\T"}).out, "The operation completed successfully.\n");
    EXPECT_TRUE(store().keyExists("T"));
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "s", "/d", "text"}).status, 0);
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "d", "/t", "REG_DWORD", "/d", "0x10"}).status, 0);
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "q", "/t", "reg_qword", "/d", "4294967296"}).status, 0);
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "e", "/t", "REG_EXPAND_SZ", "/d", "%HOME%"}).status, 0);
    EXPECT_EQ(reg({"add", "HKCU\\T", "/ve", "/d", "default"}).status, 0);
    EXPECT_EQ(store().value("T", "s")->toText(), "text");
    EXPECT_EQ(store().value("T", "d")->toDword(), 16u);
    EXPECT_EQ(store().value("T", "q")->toQword(), 4294967296ull);
    EXPECT_EQ(store().value("T", "e")->type, RegType::ExpandSz);
    EXPECT_EQ(store().value("T", "")->toText(), "default");

    Run r = reg({"add", "HKCU\\T", "/v", "d", "/t", "REG_DWORD", "/d", "4294967296", "/f"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("not valid for REG_DWORD"));
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "x", "/t", "REG_LINK", "/d", "1"}).status, 1);

    r = reg({"add", "HKCU\\T", "/v", "s", "/d", "changed"}, "n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Value s exists, overwrite(Yes/No)?"));
    EXPECT_EQ(store().value("T", "s")->toText(), "text");
    EXPECT_EQ(reg({"add", "HKCU\\T", "/v", "s", "/d", "changed"}, "yes\n").status, 0);
    EXPECT_EQ(store().value("T", "s")->toText(), "changed");
}

TEST_F(RegToolTest, DeleteAsksUnlessForced) {
    store().setValue("D\\sub", RegValue::text("v", "1"));
    store().setValue("D", RegValue::text("w", "1"));
    Run r = reg({"delete", "HKCU\\D", "/v", "w"}, "no\n");
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Delete the registry value w (Yes/No)?"));
    EXPECT_TRUE(store().value("D", "w"));
    EXPECT_EQ(reg({"delete", "HKCU\\D", "/v", "W"}, "y\n").status, 0);
    EXPECT_FALSE(store().value("D", "w"));

    r = reg({"delete", "HKCU\\D"}, "\n");
    EXPECT_THAT(r.out.toStdString(),
                HasSubstr("Permanently delete the registry key HKEY_CURRENT_USER\\D"));
    EXPECT_TRUE(store().keyExists("D\\sub"));
    EXPECT_EQ(reg({"delete", "HKCU\\D", "/f"}).status, 0);
    EXPECT_FALSE(store().keyExists("D"));
    EXPECT_EQ(reg({"delete", "HKCU", "/f"}).status, 1);
}

TEST_F(RegToolTest, ExportThenImportGivesBackTypesOrderAndSpelling) {
    const QString key = "SOFTWARE\\Morvanti\\TESSEL";
    store().setValue(key + "\\Option", RegValue::text("SoundFile", "C:\\a \"quoted\" 音.wav"));
    store().setValue(key + "\\Option", RegValue::text("Multi", "line1\nline2"));
    store().setValue(key + "\\Option", RegValue::text("Empty", ""));
    store().setValue(key + "\\Option", RegValue::text("Exp", "%HOME%\\x", RegType::ExpandSz));
    store().setValue(key + "\\Option",
                     RegValue::text("MultiSz", QString("a") + QChar(0) + "b", RegType::MultiSz));
    store().setValue(key + "\\Option", RegValue::dword("Dw", 0x12345678));
    store().setValue(key + "\\Option", RegValue{"Bin", RegType::Binary, QByteArray(100, '\x5a')});
    store().setValue(key + "\\Option", RegValue{"", RegType::Sz, "default"});
    store().setValue(key + "\\Files\\海の写真", RegValue::text("File0000", "/p/海.jpg"));

    const QString file = test::scratchFolder() + "backup.reg";
    ASSERT_EQ(reg({"export", "HKCU\\" + key, file}).status, 0);
    const QByteArray text = readFile(file);
    EXPECT_TRUE(
        text.startsWith("Windows Registry Editor Version "
                        "5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL]\r\n"));
    EXPECT_THAT(text.toStdString(),
                HasSubstr("\"SoundFile\"=\"C:\\\\a \\\"quoted\\\" 音.wav\"\r\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr("\"Dw\"=dword:12345678\r\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr("@=\"default\"\r\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr(",\\\r\n  5a,"));  // long hex data is wrapped

    const auto before = store().values(key + "\\Option");
    ASSERT_EQ(reg({"delete", "HKCU\\SOFTWARE", "/f"}).status, 0);
    ASSERT_EQ(reg({"import", file}).status, 0);
    const auto after = store().values(key + "\\Option");
    ASSERT_TRUE(after);
    ASSERT_EQ(after->size(), before->size());
    for (size_t i = 0; i < after->size(); ++i) {
        EXPECT_EQ((*after)[i].name, (*before)[i].name);
        EXPECT_EQ((*after)[i].type, (*before)[i].type) << (*after)[i].name.toStdString();
        EXPECT_EQ((*after)[i].data, (*before)[i].data) << (*after)[i].name.toStdString();
    }
    EXPECT_EQ(store().storedKeyPath(key + "\\files\\海の写真"), key + "\\Files\\海の写真");
}

TEST_F(RegToolTest, QueryAndExportReadAStoreInAFolderThatCannotBeWritten) {
    store().setValue("A", RegValue::text("x", "stored"));
    store_.reset();  // closed: no -wal file is left
    const QString folder = QFileInfo(RegistryStore::defaultPath()).absolutePath();
    const QString out = test::scratchFolder() + "out/";
    QDir().mkpath(out);
    // Another user ("nobody" for a test run as root) can reach the store and read it, and
    // write nothing beside it.
    const auto mode = [](const QString& path, mode_t bits) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), bits), 0) << path.toStdString();
    };
    mode(test::testRoot(), 0711);
    mode(test::scratchFolder(), 0711);
    mode(out, 0777);
    mode(QFileInfo(folder).absolutePath(), 0711);
    mode(folder, 0555);
    mode(RegistryStore::defaultPath(), 0444);
    const auto add = test::runBuiltProgramUnprivileged(
        "tesselvane-reg", {"add", "HKCU\\A", "/v", "y", "/d", "1", "/f"});
    if (!add)
        GTEST_SKIP() << "no unprivileged user to run the tool as";
    if (add->exitCode == 0)
        GTEST_SKIP() << "the folder stays writable here";

    auto query = test::runBuiltProgramUnprivileged("tesselvane-reg", {"query", "HKCU\\A"});
    EXPECT_EQ(query->exitCode, 0) << query->errText().toStdString();
    EXPECT_THAT(query->outText().toStdString(), HasSubstr("    x    REG_SZ    stored\n"));
    const auto exported =
        test::runBuiltProgramUnprivileged("tesselvane-reg", {"export", "HKCU\\A", out + "a.reg"});
    EXPECT_EQ(exported->exitCode, 0) << exported->errText().toStdString();
    EXPECT_THAT(readFile(out + "a.reg").toStdString(), HasSubstr("\"x\"=\"stored\"\r\n"));

    // While a writer has the store open, what it wrote is in the -wal file: read, not passed
    // over.
    mode(folder, 0755);
    store().setValue("A", RegValue::text("x", "newer"));
    for (const char* suffix : {"", "-wal", "-shm"})
        mode(RegistryStore::defaultPath() + suffix, 0644);
    mode(folder, 0555);
    query = test::runBuiltProgramUnprivileged("tesselvane-reg", {"query", "HKCU\\A"});
    EXPECT_EQ(query->exitCode, 0) << query->errText().toStdString();
    EXPECT_THAT(query->outText().toStdString(), HasSubstr("    x    REG_SZ    newer\n"));
}

TEST_F(RegToolTest, NamesWithLineBreaksQuotesAndBackslashesImportAsTheyWereExported) {
    const QString key = "Names\\\"quoted\" [key]; 名前\\  spaced  ";
    const QStringList names = {
        "line\nbreak",     "carriage\rreturn", "both\r\n",     "\n",         "back\\slash",
        "end\\",           "quote\"d",         "\\\"\n\\n",    "=\"\"=",     "@",
        "; not a comment", "[not a key]",      "日本語の名前", "  spaced  ", "tab\there",
    };
    for (const QString& name : names)
        store().setValue(key, RegValue::text(name, name + "\r\nas data"));
    store().setValue(key + "\\sub\\ß", RegValue::dword("line\nbreak", 7));

    const QString file = test::scratchFolder() + "names.reg";
    ASSERT_EQ(reg({"export", "HKCU\\Names", file}).status, 0);
    const QByteArray text = readFile(file);
    // Every entry keeps to its line, for any reader of the format.
    EXPECT_EQ(text.count('\n'), text.count("\r\n"));
    EXPECT_EQ(text.count('\r'), text.count("\r\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr("\"line\\nbreak\"=hex(1):"));
    EXPECT_THAT(text.toStdString(), HasSubstr("\"\\\\\\\"\\n\\\\n\"="));

    ASSERT_EQ(reg({"delete", "HKCU\\Names", "/f"}).status, 0);
    const Run imported = reg({"import", file});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    const auto values = store().values(key);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), static_cast<size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ((*values)[i].name, names[i]);
        EXPECT_EQ((*values)[i].toText(), names[i] + "\r\nas data");
    }
    EXPECT_EQ(store().storedKeyPath("names\\\"QUOTED\" [KEY]; 名前"),
              "Names\\\"quoted\" [key]; 名前");
    EXPECT_EQ(store().value(key + "\\sub\\ß", "line\nbreak")->toDword(), 7u);
}

TEST_F(RegToolTest, AKeyNameWithALineBreakIsNotExportedAndTheErrorNamesIt) {
    store().setValue("Keys\\fine", RegValue::text("v", "1"));
    store().createKey("Keys\\two\nlines");
    const QString file = writeFile("old.reg", "precious");
    const Run r = reg({"export", "HKCU\\Keys", file, "/y"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("HKEY_CURRENT_USER\\Keys\\two<LF>lines"));
    EXPECT_THAT(r.err.toStdString(), HasSubstr("Nothing was exported"));
    EXPECT_EQ(readFile(file), "precious");
    EXPECT_EQ(reg({"export", "HKCU\\Keys\\fine", file, "/y"}).status, 0);
}

TEST_F(RegToolTest, ExportAsksBeforeReplacingAFile) {
    store().createKey("E");
    const QString file = writeFile("old.reg", "precious");
    EXPECT_EQ(reg({"export", "HKCU\\E", file}, "n\n").status, 1);
    EXPECT_EQ(readFile(file), "precious");
    EXPECT_EQ(reg({"export", "HKCU\\E", file, "/y"}).status, 0);
    EXPECT_TRUE(readFile(file).startsWith("Windows Registry Editor"));
}

TEST_F(RegToolTest, ImportReadsRegeditFiles) {
    // UTF-16 with a byte-order mark, as regedit writes; comments, deletions, continued hex.
    const QString text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Imp]\r\n"
        "\"a\"=\"1\"\r\n"
        "\"gone\"=\"x\"\r\n"
        "\"bin\"=hex:01,02,\\\r\n"
        "  03\r\n"
        "\"text\"=hex(2):41,00,42,00,00,00\r\n"
        "\"gone\"=-\r\n"
        "[HKCU\\Imp\\Old]\r\n"
        "[-HKCU\\Imp\\Old]\r\n";
    QByteArray utf16("\xFF\xFE");
    for (QChar c : text) {
        utf16.append(static_cast<char>(c.unicode() & 0xff));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    ASSERT_EQ(reg({"import", writeFile("regedit.reg", utf16)}).status, 0);
    EXPECT_THAT(*store().valueNames("Imp"), ElementsAre("a", "bin", "text"));
    EXPECT_EQ(store().value("Imp", "bin")->data, QByteArray("\x01\x02\x03"));
    EXPECT_EQ(store().value("Imp", "text")->toText(), "AB");
    EXPECT_EQ(store().value("Imp", "text")->type, RegType::ExpandSz);
    EXPECT_FALSE(store().keyExists("Imp\\Old"));
}

TEST_F(RegToolTest, ABadFileNamesItsLineAndChangesNothing) {
    store().setValue("Keep", RegValue::text("v", "original"));
    const std::pair<QByteArray, QString> cases[] = {
        {"not a registry file\n", "line 1"},
        {"Windows Registry Editor Version "
         "5.00\n\n[HKCU\\Keep]\n\"v\"=\"changed\"\n\"w\"=dword:xyz\n",
         "line 5"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n\"v\"=\"1\"\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKCU\\Keep]\n\"v\"=\"unterminated\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKCU\\Keep]\n\"v\"=\"C:\\path\"\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKCU\\Keep]\n\"v\"=hex:0,1\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKCU\\Keep]\n\"v\"=hex:01,\\\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKCU\\Keep]\n\"v\"=\"ok\"\n\xff\xfe\n", "line 4"},
        {"Windows Registry Editor Version 5.00\n[-HKCU\\Keep]\n\"v\"=\"x\"\n", "line 3"},
        // Accepted by the reader, refused by the store: the error still names the line.
        {"Windows Registry Editor Version 5.00\n[-HKCU\\Keep]\n[HKCU\\a\\\\b]\n", "line 3"},
    };
    for (const auto& [content, where] : cases) {
        const Run r = reg({"import", writeFile("bad.reg", content)});
        EXPECT_EQ(r.status, 1) << content.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr(where.toStdString())) << content.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr("Nothing was imported"));
        EXPECT_EQ(store().value("Keep", "v")->toText(), "original") << content.toStdString();
        EXPECT_THAT(*store().valueNames("Keep"), ElementsAre("v"));
    }
    EXPECT_EQ(reg({"import", test::scratchFolder() + "missing.reg"}).status, 1);
}

}  // namespace
