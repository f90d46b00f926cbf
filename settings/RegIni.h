#pragma once

#include "settings/SettingsError.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tesselvane {

class RegistryStore;

// Ini-file style access to one key of the per-user store: a section is a subkey path
// relative to that key (such as "Time\Sunday"), an ident a value in it, every value text.
//
// Reading rules: text gives the default only when the section or value is absent; an integer
// gives the default also for empty or non-numeric text; a boolean is an integer (default 1 or
// 0) that is true when not 0. A stored value of a type other than text raises the data-type
// error. Writing creates the section with its parents. Every store failure is raised as an
// SettingsError with the store's fixed message.
class RegIni {
public:
    // The program's key.
    static inline const QString kProgramKey = QStringLiteral("SOFTWARE\\Morvanti\\TESSEL");

    // Opens `key` in `store`, creating it and its parents when missing.
    RegIni(RegistryStore& store, const QString& key = kProgramKey);

    QString ReadString(const QString& section, const QString& ident,
                       const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    std::int32_t ReadInteger(const QString& section, const QString& ident,
                             std::int32_t defaultValue) const;
    void WriteInteger(const QString& section, const QString& ident, std::int32_t value);
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& ident, bool value);

    // Replaces `names` with the section's value names in enumeration order; a missing section
    // leaves `names` as it was.
    void ReadSection(const QString& section, QStringList& names) const;
    // Every value of the section as (name, text), in enumeration order, read at one moment;
    // empty for a missing section. A value that is not text raises the data-type error.
    std::vector<std::pair<QString, QString>> readSectionValues(const QString& section) const;
    // Deletes the section with everything below it; a missing section is no error.
    void EraseSection(const QString& section);
    // Deletes one value; a missing section or value is no error.
    void DeleteKey(const QString& section, const QString& ident);

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& ident) const;

    // The key as the plug-ins and messages name it: "\SOFTWARE\Morvanti\TESSEL".
    QString keyName() const { return QLatin1Char('\\') + key_; }
    RegistryStore& store() const { return store_; }

    // Full store path of a section.
    QString sectionPath(const QString& section) const;

    // Groups writes into one atomic commit: all of them are stored, or none. A failure to
    // begin or commit raises the "cannot set" error naming `what`.
    class Batch {
    public:
        Batch(RegIni& ini, const QString& what);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

    private:
        struct State;
        std::unique_ptr<State> state_;
        QString what_;
    };

private:
    RegistryStore& store_;
    QString key_;
};

// Parses registry text as an integer the way the store's readers do: optional blanks, an
// optional sign, decimal digits, within 32 bits. nullopt for anything else.
std::optional<std::int32_t> parseStoredInteger(const QString& text);

}  // namespace tesselvane
