#include "settings/RegIni.h"

#include "platform/InterfaceLanguage.h"
#include "platform/RegistryStore.h"

namespace tesselvane {

namespace {

[[noreturn]] void raiseCreateFailed(const QString& key) {
    throw SettingsError(interfaceText("RegIni", "キー %1 の作成に失敗しました").arg(key));
}
[[noreturn]] void raiseSetFailed(const QString& name) {
    throw SettingsError(interfaceText("RegIni", "'%1' の設定に失敗しました").arg(name));
}
[[noreturn]] void raiseGetFailed(const QString& name) {
    throw SettingsError(interfaceText("RegIni", "'%1' の取得に失敗しました").arg(name));
}
[[noreturn]] void raiseBadType(const QString& name) {
    throw SettingsError(interfaceText("RegIni", "'%1' のデータ型が不正です").arg(name));
}
[[noreturn]] void raiseDeleteFailed(const QString& name) {
    throw SettingsError(interfaceText("RegIni", "'%1' の削除に失敗しました").arg(name));
}

}  // namespace

std::optional<std::int32_t> parseStoredInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > std::int64_t{1} << 31)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

RegIni::RegIni(RegistryStore& store, const QString& key) : store_(store), key_(key) {
    try {
        store_.createKey(key_);
    } catch (const StoreError&) {
        raiseCreateFailed(keyName());
    }
}

QString RegIni::sectionPath(const QString& section) const {
    if (section.isEmpty())
        return key_;
    return key_ + QLatin1Char('\\') + section;
}

QString RegIni::ReadString(const QString& section, const QString& ident,
                           const QString& defaultValue) const {
    std::optional<RegValue> value;
    try {
        value = store_.value(sectionPath(section), ident);
    } catch (const StoreError&) {
        raiseGetFailed(ident);
    }
    if (!value)
        return defaultValue;
    if (!value->isText())
        raiseBadType(ident);
    return value->toText();
}

void RegIni::WriteString(const QString& section, const QString& ident, const QString& value) {
    const QString path = sectionPath(section);
    Batch batch(*this, ident);
    try {
        store_.createKey(path);
    } catch (const StoreError&) {
        raiseCreateFailed(section.isEmpty() ? keyName() : section);
    }
    try {
        store_.setValue(path, RegValue::text(ident, value));
    } catch (const StoreError&) {
        raiseSetFailed(ident);
    }
    batch.commit();
}

std::int32_t RegIni::ReadInteger(const QString& section, const QString& ident,
                                 std::int32_t defaultValue) const {
    const QString text = ReadString(section, ident, QString());
    return parseStoredInteger(text).value_or(defaultValue);
}

void RegIni::WriteInteger(const QString& section, const QString& ident, std::int32_t value) {
    WriteString(section, ident, QString::number(value));
}

bool RegIni::ReadBool(const QString& section, const QString& ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void RegIni::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void RegIni::ReadSection(const QString& section, QStringList& names) const {
    std::optional<QStringList> found;
    try {
        found = store_.valueNames(sectionPath(section));
    } catch (const StoreError&) {
        raiseGetFailed(section);
    }
    if (found)
        names = std::move(*found);
}

std::vector<std::pair<QString, QString>> RegIni::readSectionValues(const QString& section) const {
    std::optional<std::vector<RegValue>> values;
    try {
        values = store_.values(sectionPath(section));
    } catch (const StoreError&) {
        raiseGetFailed(section);
    }
    std::vector<std::pair<QString, QString>> result;
    if (!values)
        return result;
    result.reserve(values->size());
    for (RegValue& value : *values) {
        if (!value.isText())
            raiseBadType(value.name);
        result.emplace_back(std::move(value.name), value.toText());
    }
    return result;
}

void RegIni::EraseSection(const QString& section) {
    try {
        store_.deleteKey(sectionPath(section));
    } catch (const StoreError&) {
        raiseDeleteFailed(section);
    }
}

void RegIni::DeleteKey(const QString& section, const QString& ident) {
    try {
        store_.deleteValue(sectionPath(section), ident);
    } catch (const StoreError&) {
        raiseDeleteFailed(ident);
    }
}

bool RegIni::sectionExists(const QString& section) const {
    try {
        return store_.keyExists(sectionPath(section));
    } catch (const StoreError&) {
        raiseGetFailed(section);
    }
}

bool RegIni::valueExists(const QString& section, const QString& ident) const {
    try {
        return store_.value(sectionPath(section), ident).has_value();
    } catch (const StoreError&) {
        raiseGetFailed(ident);
    }
}

struct RegIni::Batch::State {
    explicit State(RegistryStore& store) : transaction(store) {}
    RegistryStore::Transaction transaction;
};

RegIni::Batch::Batch(RegIni& ini, const QString& what) : what_(what) {
    try {
        state_ = std::make_unique<State>(ini.store_);
    } catch (const StoreError&) {
        raiseSetFailed(what_);
    }
}

RegIni::Batch::~Batch() = default;

void RegIni::Batch::commit() {
    try {
        state_->transaction.commit();
    } catch (const StoreError&) {
        raiseSetFailed(what_);
    }
}

}  // namespace tesselvane
