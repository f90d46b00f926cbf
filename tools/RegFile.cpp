#include "tools/RegFile.h"

#include "platform/RegistryStore.h"
#include "tools/RegKeyName.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

namespace tesselvane {

namespace {

const QLatin1String kHeader("Windows Registry Editor Version 5.00");
const QLatin1String kHeader4("REGEDIT4");

struct ParseFailure {
    QString reason;
};

// Text lines of the file, each with its number. UTF-8 is checked line by line so that an
// error can name its line.
struct Line {
    int number;
    QString text;
};

std::vector<Line> splitLines(const QByteArray& content, std::optional<RegFileError>& error) {
    std::vector<Line> lines;
    QString text;
    bool utf8 = true;
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
        const bool little = content.startsWith("\xFF\xFE");
        if (content.size() % 2 != 0) {
            error = RegFileError{
                0, QStringLiteral("the file is UTF-16 but has an odd number of bytes")};
            return lines;
        }
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        text = decoder(QByteArrayView(content).sliced(2));
        if (decoder.hasError()) {
            error = RegFileError{0, QStringLiteral("the file is not valid UTF-16 text")};
            return lines;
        }
        utf8 = false;
    }
    QByteArrayView bytes(content);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);

    int number = 0;
    auto addLine = [&](QString line) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.push_back(Line{number, std::move(line)});
    };
    if (utf8) {
        qsizetype start = 0;
        // A final line break ends the last line; it does not begin another.
        while (start < bytes.size() || (start == 0 && bytes.isEmpty())) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            QString line = decoder(bytes.sliced(start, end - start));
            if (decoder.hasError()) {
                error =
                    RegFileError{number + 1, QStringLiteral("the line is not valid UTF-8 text")};
                return lines;
            }
            addLine(std::move(line));
            start = end + 1;
        }
    } else {
        QList<QStringView> parts = QStringView(text).split(u'\n');
        if (parts.size() > 1 && parts.last().isEmpty())
            parts.removeLast();
        for (QStringView line : parts)
            addLine(line.toString());
    }
    return lines;
}

// A quoted text at `pos` (which points at the opening quote); returns the text and moves
// `pos` past the closing quote. The escapes are \\ and \" as regedit writes them, and \n
// and \r for line breaks, which keep a name with them on one line.
QString readQuoted(QStringView line, qsizetype& pos) {
    QString result;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            return result;
        }
        if (c == u'\\') {
            if (pos + 1 >= line.size())
                break;
            const QChar escaped = line[pos + 1];
            if (escaped == u'n') {
                result += u'\n';
            } else if (escaped == u'r') {
                result += u'\r';
            } else if (escaped == u'\\' || escaped == u'"') {
                result += escaped;
            } else {
                throw ParseFailure{
                    QStringLiteral("a backslash in quotes must be written \\\\ "
                                   "(or \\\" for a quote, \\n or \\r for a line break)")};
            }
            pos += 2;
            continue;
        }
        result += c;
        ++pos;
    }
    throw ParseFailure{QStringLiteral("a quoted text has no closing quote")};
}

void expectEndOfLine(QStringView rest) {
    const QStringView trimmed = rest.trimmed();
    if (!trimmed.isEmpty() && !trimmed.startsWith(u';')) {
        throw ParseFailure{QStringLiteral("unexpected text after the value: \"%1\"")
                               .arg(trimmed.left(40).toString())};
    }
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QByteArray parseHexBytes(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size() / 3 + 1);
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
            ++pos;
    };
    skipBlanks();
    if (pos == text.size())
        return bytes;
    while (true) {
        skipBlanks();
        if (pos + 1 >= text.size() || hexDigit(text[pos]) < 0 || hexDigit(text[pos + 1]) < 0) {
            throw ParseFailure{
                QStringLiteral("hex data must be two-digit bytes separated by commas")};
        }
        bytes.append(static_cast<char>(hexDigit(text[pos]) * 16 + hexDigit(text[pos + 1])));
        if (bytes.size() > RegistryStore::kMaxValueSize) {
            throw ParseFailure{QStringLiteral("the value is larger than %1 bytes")
                                   .arg(RegistryStore::kMaxValueSize)};
        }
        pos += 2;
        skipBlanks();
        if (pos == text.size())
            return bytes;
        if (text[pos] != u',') {
            throw ParseFailure{
                QStringLiteral("hex data must be two-digit bytes separated by commas")};
        }
        ++pos;
        skipBlanks();
        if (pos == text.size())
            return bytes;  // a trailing comma, as before a line break
    }
}

QString decodeUtf16(const QByteArray& bytes, bool dropTerminator) {
    if (bytes.size() % 2 != 0) {
        throw ParseFailure{QStringLiteral("text in hex form must have an even number of bytes")};
    }
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        text[i] = QChar(qFromLittleEndian<char16_t>(bytes.constData() + 2 * i));
    }
    if (dropTerminator) {
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
    }
    return text;
}

// Turns "hex(N):" data of the text types into the store's UTF-8 form.
QByteArray storedFormOfHex(RegType type, const QByteArray& bytes) {
    switch (type) {
        case RegType::Sz:
        case RegType::ExpandSz:
            return decodeUtf16(bytes, true).toUtf8();
        case RegType::MultiSz: {
            QString text = decodeUtf16(bytes, false);
            while (text.endsWith(QChar(0)))
                text.chop(1);
            return text.toUtf8();
        }
        default:
            return bytes;
    }
}

RegValue parseData(const QString& name, QStringView data) {
    RegValue value;
    value.name = name;
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        value.data = readQuoted(data, pos).toUtf8();
        expectEndOfLine(data.mid(pos));
        return value;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        QStringView digits = data.mid(6);
        const qsizetype comment = digits.indexOf(u';');
        if (comment >= 0)
            digits = digits.left(comment);
        digits = digits.trimmed();
        bool ok = digits.size() >= 1 && digits.size() <= 8;
        for (QChar c : digits)
            ok = ok && hexDigit(c) >= 0;
        if (!ok)
            throw ParseFailure{QStringLiteral("dword: must be followed by 1 to 8 hex digits")};
        return RegValue::dword(name, digits.toUInt(nullptr, 16));
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        qsizetype pos = 3;
        value.type = RegType::Binary;
        if (pos < data.size() && data[pos] == u'(') {
            const qsizetype close = data.indexOf(u')', pos);
            bool ok = false;
            const QStringView number =
                close > pos + 1 ? data.mid(pos + 1, close - pos - 1) : QStringView();
            const uint type = number.size() <= 8 ? number.toUInt(&ok, 16) : 0;
            if (!ok)
                throw ParseFailure{QStringLiteral("hex(N): needs a hex type number N")};
            value.type = static_cast<RegType>(type);
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != u':') {
            throw ParseFailure{
                QStringLiteral("unknown data form; expected \"text\", dword: or hex:")};
        }
        value.data = storedFormOfHex(value.type, parseHexBytes(data.mid(pos + 1)));
        return value;
    }
    throw ParseFailure{QStringLiteral("unknown data form; expected \"text\", dword:, hex: or -")};
}

}  // namespace

RegFileParse parseRegFile(const QByteArray& content) {
    RegFileParse result;
    if (content.size() > kMaxRegFileSize) {
        result.error = RegFileError{
            0, QStringLiteral("the file is larger than %1 bytes").arg(kMaxRegFileSize)};
        return result;
    }
    std::vector<Line> lines = splitLines(content, result.error);
    if (result.error)
        return result;

    std::size_t i = 0;
    while (i < lines.size() && lines[i].text.trimmed().isEmpty())
        ++i;
    if (i == lines.size() ||
        (lines[i].text.trimmed() != kHeader && lines[i].text.trimmed() != kHeader4)) {
        result.error =
            RegFileError{i < lines.size() ? lines[i].number : 1,
                         QStringLiteral("the file must begin with the line \"%1\"").arg(kHeader)};
        return result;
    }
    ++i;

    std::optional<QString> currentKey;  // nullopt: no key yet, or the key is being deleted
    bool keyDeleted = false;
    for (; i < lines.size(); ++i) {
        const int number = lines[i].number;
        try {
            QString text = lines[i].text;
            const QStringView trimmed = QStringView(text).trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(u';'))
                continue;

            if (trimmed.startsWith(u'[')) {
                const qsizetype close = trimmed.lastIndexOf(u']');
                if (close < 0)
                    throw ParseFailure{QStringLiteral("a key name has no closing ]")};
                expectEndOfLine(trimmed.mid(close + 1));
                QString name = trimmed.mid(1, close - 1).toString();
                const bool deletion = name.startsWith(u'-');
                if (deletion)
                    name.remove(0, 1);
                const auto key = keyBelowCurrentUser(name);
                if (!key) {
                    throw ParseFailure{
                        QStringLiteral("only keys under HKEY_CURRENT_USER can be imported: %1")
                            .arg(name.left(80))};
                }
                if (deletion && key->isEmpty()) {
                    throw ParseFailure{
                        QStringLiteral("HKEY_CURRENT_USER itself cannot be deleted")};
                }
                currentKey = *key;
                keyDeleted = deletion;
                result.changes.push_back(RegFileChange{
                    deletion ? RegFileChange::Kind::DeleteKey : RegFileChange::Kind::CreateKey,
                    *key, RegValue{}, number});
                continue;
            }

            if (!currentKey)
                throw ParseFailure{QStringLiteral("a value comes before any [key] line")};
            if (keyDeleted)
                throw ParseFailure{QStringLiteral("a value follows a key that is deleted")};

            QString name;
            qsizetype pos = 0;
            const QStringView lineView(text);
            while (pos < lineView.size() && lineView[pos].isSpace())
                ++pos;
            if (lineView.mid(pos).startsWith(u'@')) {
                ++pos;
            } else if (lineView.mid(pos).startsWith(u'"')) {
                name = readQuoted(lineView, pos);
            } else {
                throw ParseFailure{
                    QStringLiteral("expected a [key], a \"name\"=value or @=value line")};
            }
            while (pos < lineView.size() && lineView[pos].isSpace())
                ++pos;
            if (pos >= lineView.size() || lineView[pos] != u'=') {
                throw ParseFailure{QStringLiteral("expected = after the value name")};
            }
            ++pos;
            QString data = lineView.mid(pos).trimmed().toString();

            // Hex data may go on over lines that end with a backslash.
            if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
                while (data.endsWith(u'\\')) {
                    data.chop(1);
                    if (++i == lines.size()) {
                        throw ParseFailure{QStringLiteral("the file ends inside hex data")};
                    }
                    data += lines[i].text.trimmed();
                    if (data.size() > 4 * RegistryStore::kMaxValueSize) {
                        throw ParseFailure{QStringLiteral("the value is too large")};
                    }
                }
            }

            if (data == QLatin1String("-")) {
                RegFileChange change{RegFileChange::Kind::DeleteValue, *currentKey, RegValue{},
                                     number};
                change.value.name = name;
                result.changes.push_back(std::move(change));
                continue;
            }
            result.changes.push_back(RegFileChange{RegFileChange::Kind::SetValue, *currentKey,
                                                   parseData(name, data), number});
        } catch (const ParseFailure& failure) {
            result.changes.clear();
            result.error = RegFileError{number, failure.reason};
            return result;
        }
    }
    return result;
}

std::optional<RegFileError> applyRegFile(RegistryStore& store,
                                         const std::vector<RegFileChange>& changes) {
    int line = 0;
    try {
        RegistryStore::Transaction transaction(store);
        for (const RegFileChange& change : changes) {
            line = change.line;
            switch (change.kind) {
                case RegFileChange::Kind::CreateKey:
                    store.createKey(change.key);
                    break;
                case RegFileChange::Kind::DeleteKey:
                    store.deleteKey(change.key);
                    break;
                case RegFileChange::Kind::SetValue:
                    store.setValue(change.key, change.value);
                    break;
                case RegFileChange::Kind::DeleteValue:
                    store.deleteValue(change.key, change.value.name);
                    break;
            }
        }
        line = 0;
        transaction.commit();
    } catch (const StoreError& e) {
        return RegFileError{line, e.message()};
    }
    return std::nullopt;
}

namespace {

QString quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QLatin1String("\\\\"));
    escaped.replace(u'"', QLatin1String("\\\""));
    escaped.replace(u'\n', QLatin1String("\\n"));
    escaped.replace(u'\r', QLatin1String("\\r"));
    return u'"' + escaped + u'"';
}

// A key whose name has a line break: a [key] line has no escapes, its backslashes divide
// the path.
struct UnwritableKey {
    QString name;
};

QByteArray utf16Bytes(const QString& text) {
    QByteArray bytes(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        qToLittleEndian<char16_t>(text[i].unicode(), bytes.data() + 2 * i);
    }
    return bytes;
}

// Regedit's layout of hex data: lines of about 80 characters continued with a backslash.
QString hexData(const QString& prefix, const QByteArray& bytes) {
    QString out = prefix;
    qsizetype lineLength = prefix.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out +=
            QStringLiteral("%1").arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'));
        lineLength += 2;
        if (i + 1 < bytes.size()) {
            out += u',';
            ++lineLength;
            if (lineLength > 76) {
                out += QLatin1String("\\\r\n  ");
                lineLength = 2;
            }
        }
    }
    return out;
}

QString valueLine(const RegValue& value) {
    const QString name = value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
    const QString prefix = name + u'=';
    const auto hexType = [&](RegType type) {
        return QStringLiteral("hex(%1):").arg(static_cast<std::uint32_t>(type), 0, 16);
    };
    switch (value.type) {
        case RegType::Sz: {
            const QString text = value.toText();
            if (!text.contains(QChar(0)) && !text.contains(u'\n') && !text.contains(u'\r')) {
                return prefix + quoted(text);
            }
            return hexData(prefix + hexType(value.type), utf16Bytes(text + QChar(0)));
        }
        case RegType::ExpandSz:
            return hexData(prefix + hexType(value.type), utf16Bytes(value.toText() + QChar(0)));
        case RegType::MultiSz: {
            QString text = value.toText();
            if (!text.isEmpty())
                text += QChar(0);
            return hexData(prefix + hexType(value.type), utf16Bytes(text + QChar(0)));
        }
        case RegType::Dword:
            if (value.data.size() == 4) {
                return prefix +
                       QStringLiteral("dword:%1").arg(*value.toDword(), 8, 16, QLatin1Char('0'));
            }
            return hexData(prefix + hexType(value.type), value.data);
        case RegType::Binary:
            return hexData(prefix + QStringLiteral("hex:"), value.data);
        default:
            return hexData(prefix + hexType(value.type), value.data);
    }
}

void exportKey(const RegistryStore& store, const QString& key, QString& out) {
    const auto stored = store.storedKeyPath(key);
    const auto values = store.values(key);
    const auto subkeys = store.subkeyNames(key);
    if (!stored || !values || !subkeys)
        return;  // deleted meanwhile
    const QString name = currentUserKeyName(*stored);
    if (name.contains(u'\n') || name.contains(u'\r'))
        throw UnwritableKey{name};
    out += u'[' + name + QLatin1String("]\r\n");
    for (const RegValue& value : *values)
        out += valueLine(value) + QLatin1String("\r\n");
    out += QLatin1String("\r\n");
    for (const QString& subkey : *subkeys) {
        exportKey(store, key.isEmpty() ? subkey : key + u'\\' + subkey, out);
    }
}

}  // namespace

RegFileExport exportRegFile(const RegistryStore& store, const QString& key) {
    QString out = kHeader + QLatin1String("\r\n\r\n");
    RegistryStore::Snapshot snapshot(store);
    try {
        exportKey(store, key, out);
    } catch (const UnwritableKey& unwritable) {
        QString shown = unwritable.name;
        shown.replace(u'\n', QLatin1String("<LF>")).replace(u'\r', QLatin1String("<CR>"));
        return RegFileExport{
            {},
            QStringLiteral("the name of the key %1 holds a line break, which a .reg file "
                           "cannot hold")
                .arg(shown)};
    }
    return RegFileExport{out.toUtf8(), std::nullopt};
}

}  // namespace tesselvane
