#pragma once

#include "platform/UserError.h"

namespace tesselvane {

// Raised by the per-user store.
class StoreError : public UserError {
public:
    enum class Kind {
        Failed,    // the database refused or could not do the operation
        Busy,      // another process held the store longer than we were willing to wait
        Invalid,   // a key or value name, or data, that the store does not accept
        Damaged,   // the file is damaged, or is no settings store
        Newer,     // written by a newer version of the program
        ReadOnly,  // the file or its folder cannot be written
        Full,      // the disk is full
    };

    StoreError(Kind kind, const QString& message) : UserError(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace tesselvane
