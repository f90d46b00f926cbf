#pragma once

#include "platform/UserError.h"

namespace tesselvane {

// A picture that a built-in reader could not read: damaged, too large, or memory short.
// The message names the file and says what is wrong.
class PictureError : public UserError {
public:
    using UserError::UserError;
};

}  // namespace tesselvane
