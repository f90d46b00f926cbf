#include "tools/RegCommand.h"

#include "platform/RegistryStore.h"
#include "tools/RegFile.h"
#include "tools/RegKeyName.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <functional>
#include <map>
#include <optional>

namespace tesselvane {

namespace {

const QString kNotFound =
    QStringLiteral("ERROR: The system was unable to find the specified registry key or value.");
const QString kSuccess = QStringLiteral("The operation completed successfully.");
const QString kCanceled = QStringLiteral("The operation was canceled by the user.");

const char* const kUsage = R"(Usage: tesselvane-reg OPERATION [arguments]

Reads and changes Tesselvane's per-user settings store in the manner of reg.exe.

  tesselvane-reg query  KEY [/v NAME] [/s]
  tesselvane-reg add    KEY [/v NAME] [/t TYPE] [/d DATA] [/f]
  tesselvane-reg delete KEY [/v NAME] [/f]
  tesselvane-reg export KEY FILE [/y]
  tesselvane-reg import FILE

KEY    HKCU\path or HKEY_CURRENT_USER\path, e.g. HKCU\SOFTWARE\Morvanti\TESSEL
/v     the value to show, set or delete
/s     query: also every subkey, to any depth
/t     add: REG_SZ (default), REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_MULTI_SZ
/d     add: the data; REG_DWORD and REG_QWORD take decimal or 0x-prefixed hex,
       REG_BINARY hex digits, REG_MULTI_SZ texts separated by \0
/f     add, delete: do not ask before overwriting or deleting
/y     export: overwrite FILE without asking

The store is $XDG_CONFIG_HOME/tesselvane/registry.db. Files are in the
"Windows Registry Editor Version 5.00" format, written as UTF-8; an import
is all or nothing.
)";

struct Usage {
    QString message;
};

struct Arguments {
    QString operation;
    QStringList positional;
    std::optional<QString> valueName;
    std::optional<QString> type;
    std::optional<QString> data;
    bool recursive = false;
    bool force = false;
    bool help = false;
};

Arguments parseArguments(const QStringList& args) {
    Arguments parsed;
    if (args.isEmpty())
        throw Usage{QStringLiteral("ERROR: Invalid syntax.")};
    parsed.operation = args.first().toLower();
    if (parsed.operation == QLatin1String("/?") || parsed.operation == QLatin1String("-?") ||
        parsed.operation == QLatin1String("--help") || parsed.operation == QLatin1String("-h")) {
        parsed.help = true;
    }
    auto takeNext = [&](qsizetype& i, const QString& option) {
        if (i + 1 >= args.size()) {
            throw Usage{QStringLiteral("ERROR: Invalid syntax. %1 needs a value.").arg(option)};
        }
        return args[++i];
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const QString option = arg.toLower();
        const bool marked = arg.size() >= 2 && (arg[0] == u'/' || arg[0] == u'-');
        const QString name = marked ? option.mid(1) : QString();
        if (option == QLatin1String("/?") || option == QLatin1String("-?") ||
            option == QLatin1String("--help") || option == QLatin1String("-h")) {
            parsed.help = true;
        } else if (name == QLatin1String("v")) {
            parsed.valueName = takeNext(i, arg);
        } else if (name == QLatin1String("ve")) {
            parsed.valueName = QString();
        } else if (name == QLatin1String("t")) {
            parsed.type = takeNext(i, arg);
        } else if (name == QLatin1String("d")) {
            parsed.data = takeNext(i, arg);
        } else if (name == QLatin1String("s")) {
            parsed.recursive = true;
        } else if (name == QLatin1String("f") || name == QLatin1String("y")) {
            parsed.force = true;
        } else if (arg.startsWith(u'-') && arg.size() >= 2) {
            throw Usage{QStringLiteral("ERROR: Invalid syntax. Unknown switch %1.").arg(arg)};
        } else {
            // Anything else is a key or a file; "/home/..." is a path, not a switch.
            parsed.positional.append(arg);
        }
    }
    return parsed;
}

class Tool {
public:
    Tool(const QString& storePath, QTextStream& in, QTextStream& out, QTextStream& err)
        : storePath_(storePath), in_(in), out_(out), err_(err) {}

    int run(const QStringList& arguments) {
        Arguments args;
        try {
            args = parseArguments(arguments);
            if (args.help) {
                out_ << kUsage;
                return 0;
            }
            struct Operation {
                int (Tool::*run)(const Arguments&);
                RegistryStore::Access access;
            };
            // Reading works where the store cannot be written, and creates none.
            constexpr auto kReads = RegistryStore::Access::ReadOnly;
            constexpr auto kWrites = RegistryStore::Access::ReadWrite;
            static const std::map<QString, Operation> kOperations{
                {QStringLiteral("query"), {&Tool::query, kReads}},
                {QStringLiteral("add"), {&Tool::add, kWrites}},
                {QStringLiteral("delete"), {&Tool::remove, kWrites}},
                {QStringLiteral("export"), {&Tool::exportKey, kReads}},
                {QStringLiteral("import"), {&Tool::import, kWrites}},
            };
            const auto op = kOperations.find(args.operation);
            if (op == kOperations.end()) {
                throw Usage{QStringLiteral("ERROR: Invalid syntax. Unknown operation %1.")
                                .arg(arguments.first())};
            }
            access_ = op->second.access;
            return (this->*op->second.run)(args);
        } catch (const Usage& usage) {
            err_ << usage.message << '\n' << "Type \"tesselvane-reg /?\" for usage." << Qt::endl;
            return 1;
        } catch (const StoreError& e) {
            err_ << "ERROR: " << e.message() << Qt::endl;
            return 1;
        }
    }

private:
    RegistryStore& store() {
        if (!store_)
            store_ = std::make_unique<RegistryStore>(storePath_, access_);
        return *store_;
    }

    static QString keyArgument(const Arguments& args, qsizetype count) {
        if (args.positional.size() != count)
            throw Usage{QStringLiteral("ERROR: Invalid syntax.")};
        const auto key = keyBelowCurrentUser(args.positional.first());
        if (!key)
            throw Usage{QStringLiteral("ERROR: Invalid key name.")};
        return *key;
    }

    bool confirm(const QString& question) {
        out_ << question << ' ' << Qt::flush;
        const QString answer = in_.readLine().trimmed().toLower();
        return answer == QLatin1String("y") || answer == QLatin1String("yes");
    }

    int fail(const QString& message) {
        err_ << message << Qt::endl;
        return 1;
    }

    static QString displayData(const RegValue& value) {
        switch (value.type) {
            case RegType::Sz:
            case RegType::ExpandSz:
                return value.toText();
            case RegType::MultiSz:
                return value.toText().replace(QChar(0), QLatin1String("\\0"));
            case RegType::Dword:
            case RegType::DwordBigEndian:
                if (const auto n = value.toDword())
                    return QStringLiteral("0x%1").arg(*n, 0, 16);
                break;
            case RegType::Qword:
                if (const auto n = value.toQword())
                    return QStringLiteral("0x%1").arg(*n, 0, 16);
                break;
            default:
                break;
        }
        return QString::fromLatin1(value.data.toHex().toUpper());
    }

    void printValue(const RegValue& value) {
        const QString name = value.name.isEmpty() ? QStringLiteral("(Default)") : value.name;
        out_ << "    " << name << "    " << regTypeName(value.type) << "    " << displayData(value)
             << '\n';
    }

    // Prints one key as reg.exe does; with `recursive`, its subkeys the same way after it.
    // `matches` counts the values printed when only one name is asked for.
    void printKey(const QString& key, const Arguments& args, bool recursive, int& matches) {
        const auto stored = store().storedKeyPath(key);
        const auto values = store().values(key);
        const auto subkeys = store().subkeyNames(key);
        if (!stored || !values || !subkeys)
            return;
        const QString fullName = currentUserKeyName(*stored);
        if (args.valueName) {
            for (const RegValue& value : *values) {
                if (value.name.toCaseFolded() != args.valueName->toCaseFolded())
                    continue;
                out_ << '\n' << fullName << '\n';
                printValue(value);
                out_ << '\n';
                ++matches;
            }
        } else {
            out_ << '\n' << fullName << '\n';
            for (const RegValue& value : *values)
                printValue(value);
            out_ << '\n';
            if (!recursive) {
                for (const QString& subkey : *subkeys)
                    out_ << fullName << '\\' << subkey << '\n';
            }
        }
        if (!recursive)
            return;
        for (const QString& subkey : *subkeys) {
            printKey(key.isEmpty() ? subkey : key + u'\\' + subkey, args, true, matches);
        }
    }

    int query(const Arguments& args) {
        const QString key = keyArgument(args, 1);
        RegistryStore::Snapshot snapshot(store());
        if (!store().keyExists(key))
            return fail(kNotFound);
        int matches = 0;
        printKey(key, args, args.recursive, matches);
        if (args.valueName && args.recursive) {
            out_ << "End of search: " << matches << " match(es) found." << Qt::endl;
        }
        out_.flush();
        if (args.valueName && matches == 0)
            return fail(kNotFound);
        return 0;
    }

    static std::optional<QByteArray> parseNumber(const QString& text, int bytes) {
        bool ok = false;
        const QString trimmed = text.trimmed();
        const bool hex = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        const qulonglong n =
            hex ? trimmed.mid(2).toULongLong(&ok, 16) : trimmed.toULongLong(&ok, 10);
        if (!ok || (bytes == 4 && n > 0xFFFFFFFFull))
            return std::nullopt;
        QByteArray data(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            data[i] = static_cast<char>((n >> (8 * i)) & 0xff);
        return data;
    }

    int add(const Arguments& args) {
        const QString key = keyArgument(args, 1);
        if (key.isEmpty())
            return fail(QStringLiteral("ERROR: Invalid key name."));
        if (!args.valueName) {
            if (args.type || args.data)
                throw Usage{QStringLiteral("ERROR: Invalid syntax. /t and /d need /v.")};
            store().createKey(key);
            out_ << kSuccess << Qt::endl;
            return 0;
        }
        RegValue value;
        value.name = *args.valueName;
        const QString typeName = args.type.value_or(QStringLiteral("REG_SZ"));
        const auto type = regTypeFromName(typeName);
        const QString data = args.data.value_or(QString());
        std::optional<QByteArray> bytes;
        if (type == RegType::Sz || type == RegType::ExpandSz) {
            bytes = data.toUtf8();
        } else if (type == RegType::MultiSz) {
            bytes = QString(data).replace(QLatin1String("\\0"), QString(QChar(0))).toUtf8();
        } else if (type == RegType::Dword) {
            bytes = parseNumber(data.isEmpty() ? QStringLiteral("0") : data, 4);
        } else if (type == RegType::Qword) {
            bytes = parseNumber(data.isEmpty() ? QStringLiteral("0") : data, 8);
        } else if (type == RegType::Binary) {
            bytes = QByteArray::fromHex(data.toLatin1());
            if (bytes->toHex().compare(data.toLatin1(), Qt::CaseInsensitive) != 0)
                bytes.reset();
        } else {
            throw Usage{
                QStringLiteral("ERROR: Invalid syntax. Unsupported type %1.").arg(typeName)};
        }
        if (!bytes) {
            return fail(
                QStringLiteral("ERROR: The data \"%1\" is not valid for %2.").arg(data, typeName));
        }
        value.type = *type;
        value.data = *bytes;
        if (!args.force && store().value(key, value.name)) {
            const QString shown = value.name.isEmpty() ? QStringLiteral("(Default)") : value.name;
            if (!confirm(QStringLiteral("Value %1 exists, overwrite(Yes/No)?").arg(shown))) {
                out_ << kCanceled << Qt::endl;
                return 1;
            }
        }
        store().setValue(key, value);
        out_ << kSuccess << Qt::endl;
        return 0;
    }

    int remove(const Arguments& args) {
        const QString key = keyArgument(args, 1);
        if (key.isEmpty())
            return fail(QStringLiteral("ERROR: Invalid key name."));
        if (args.valueName) {
            if (!store().value(key, *args.valueName))
                return fail(kNotFound);
            if (!args.force && !confirm(QStringLiteral("Delete the registry value %1 (Yes/No)?")
                                            .arg(*args.valueName))) {
                out_ << kCanceled << Qt::endl;
                return 1;
            }
            if (!store().deleteValue(key, *args.valueName))
                return fail(kNotFound);
        } else {
            if (!store().keyExists(key))
                return fail(kNotFound);
            if (!args.force &&
                !confirm(QStringLiteral("Permanently delete the registry key %1 (Yes/No)?")
                             .arg(currentUserKeyName(key)))) {
                out_ << kCanceled << Qt::endl;
                return 1;
            }
            if (!store().deleteKey(key))
                return fail(kNotFound);
        }
        out_ << kSuccess << Qt::endl;
        return 0;
    }

    int exportKey(const Arguments& args) {
        if (args.positional.size() != 2)
            throw Usage{QStringLiteral("ERROR: Invalid syntax.")};
        const auto key = keyBelowCurrentUser(args.positional[0]);
        if (!key)
            throw Usage{QStringLiteral("ERROR: Invalid key name.")};
        const QString file = args.positional[1];
        if (!store().keyExists(*key))
            return fail(kNotFound);
        if (!args.force && QFileInfo::exists(file) &&
            !confirm(QStringLiteral("File %1 already exists. Overwrite (Yes/No)?").arg(file))) {
            out_ << kCanceled << Qt::endl;
            return 1;
        }
        const RegFileExport exported = exportRegFile(store(), *key);
        if (exported.error) {
            return fail(QStringLiteral("ERROR: Cannot export: %1. Nothing was exported.")
                            .arg(*exported.error));
        }
        const QByteArray& content = exported.content;
        // Written beside and renamed over: a failed export never destroys an older backup.
        QSaveFile save(file);
        if (!save.open(QIODevice::WriteOnly) || save.write(content) != content.size() ||
            !save.commit()) {
            return fail(QStringLiteral("ERROR: Cannot write %1: %2").arg(file, save.errorString()));
        }
        out_ << kSuccess << Qt::endl;
        return 0;
    }

    int import(const Arguments& args) {
        if (args.positional.size() != 1)
            throw Usage{QStringLiteral("ERROR: Invalid syntax.")};
        const QString fileName = args.positional[0];
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            return fail(
                QStringLiteral("ERROR: Cannot read %1: %2").arg(fileName, file.errorString()));
        }
        if (file.size() > kMaxRegFileSize) {
            return fail(QStringLiteral("ERROR: %1 is larger than %2 bytes. Nothing was imported.")
                            .arg(fileName)
                            .arg(kMaxRegFileSize));
        }
        const RegFileParse parsed = parseRegFile(file.readAll());
        std::optional<RegFileError> error = parsed.error;
        if (!error)
            error = applyRegFile(store(), parsed.changes);
        if (error) {
            const QString where = error->line > 0
                                      ? QStringLiteral("%1, line %2").arg(fileName).arg(error->line)
                                      : fileName;
            return fail(
                QStringLiteral("ERROR: %1: %2. Nothing was imported.").arg(where, error->reason));
        }
        out_ << kSuccess << Qt::endl;
        return 0;
    }

    QString storePath_;
    RegistryStore::Access access_ = RegistryStore::Access::ReadWrite;
    std::unique_ptr<RegistryStore> store_;
    QTextStream& in_;
    QTextStream& out_;
    QTextStream& err_;
};

}  // namespace

int runRegCommand(const QStringList& arguments, const QString& storePath, QTextStream& in,
                  QTextStream& out, QTextStream& err) {
    return Tool(storePath, in, out, err).run(arguments);
}

}  // namespace tesselvane
