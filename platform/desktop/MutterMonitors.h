#pragma once

// The monitors of GNOME's compositor, from its display configuration on the session bus
// (org.gnome.Mutter.DisplayConfig): what a Wayland client cannot learn from the protocol
// alone, and what a start without a window (tesselvane -C) has no other way to learn.

#include <QRect>

#include <vector>

using GVariant = struct _GVariant;  // NOLINT(bugprone-reserved-identifier): GLib's own name

namespace tesselvane {

// The GVariant type of GetCurrentState's answer.
inline constexpr const char* kDisplayStateType =
    "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})";

// Each logical monitor of `state` (of kDisplayStateType) as a rectangle of the layout, the
// primary one first, then as the compositor lists them. Empty when the answer holds no
// monitor, or one out of bounds (a size or position no screen has, more monitors than any
// desk), so that the caller falls back to placing the picture by the desktop's own rules.
std::vector<QRect> monitorsOfDisplayState(GVariant* state);

// The compositor's monitors, asked on the session bus; empty when it does not answer.
std::vector<QRect> mutterMonitors();

}  // namespace tesselvane
