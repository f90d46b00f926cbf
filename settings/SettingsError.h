#pragma once

#include "platform/UserError.h"

namespace tesselvane {

// An error of the settings store as the user sees it: one of the store's fixed Japanese
// texts naming the key or value.
class SettingsError : public UserError {
public:
    using UserError::UserError;
};

}  // namespace tesselvane
