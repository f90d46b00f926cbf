"""Drives the installed Tesselvane through the accessibility tree (AT-SPI), as a screen reader or
a GUI test tool sees it.

Each test gets a session of its own: fresh XDG folders, a private Xvfb, a private D-Bus session
bus with the AT-SPI bus launcher on it, and openbox, so that windows get real frames and focus.
A test script is a set of functions taking a session:

    import tesselvane_session

    def test_something(session):
        session.launch()
        toolbar = session.wait_for_window("Tesselvane")
        session.press(session.find(toolbar, "push button", "終了"))
        session.wait_for_exit()

    if __name__ == "__main__":
        tesselvane_session.main(test_something)

CMake runs it with --build and --prefix (tesselvane_add_atspi_test in tests/e2e/CMakeLists.txt).
Everything waits for a condition with a timeout and fails with a message naming what it waited
for; the session is torn down whatever happens. A failed test keeps its folder (screenshot, the
program's output, the accessible tree) and names it.
"""

import argparse
import ctypes
import json
import os
import re
import select
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib

try:
    import gi
    from gi.repository import Gio, GLib
except ImportError:
    sys.exit("tesselvane_session needs Debian's /usr/bin/python3 with python3-pyatspi "
             "(scripts/install-deps.sh)")

# Slow builds (sanitizers) and a busy machine stretch every wait alike.
TIMEOUT_SCALE = float(os.environ.get("TESSELVANE_TIMEOUT_SCALE", "1"))
# Only a safety net: every wait ends as soon as what it waits for happens.
DEFAULT_TIMEOUT = 30.0 * TIMEOUT_SCALE

AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PR_SET_CHILD_SUBREAPER = 36

# The AT-SPI library binds itself to the bus the environment names when first used, so it is
# imported once the session's buses run.
pyatspi = Atspi = None


class HarnessError(AssertionError):
    """A wait that timed out or a control that cannot do what was asked."""


BARE_SESSION_BUS = """<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def wait_until(predicate, what, timeout=None, interval=0.05):
    """Calls predicate until it returns something true, and returns that; fails after timeout
    seconds with a message naming `what` (a text, or a function giving one then) and the last
    error the predicate raised."""
    timeout = DEFAULT_TIMEOUT if timeout is None else timeout
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            if value:
                return value
        except HarnessError:
            raise
        except Exception as error:  # a D-Bus call into a window that is going away
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            what = what() if callable(what) else what
            raise HarnessError(f"timed out after {timeout:g} s waiting for {what}{detail}")
        time.sleep(interval)


def _read_line(fd, what, timeout):
    """A line a child writes to a pipe (Xvfb's display, dbus-daemon's address)."""
    data = b""
    deadline = time.monotonic() + timeout
    try:
        while b"\n" not in data:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise HarnessError(f"timed out after {timeout:g} s waiting for {what}")
            chunk = os.read(fd, 4096)
            if not chunk:
                raise HarnessError(f"{what}: the process ended without writing it")
            data += chunk
    finally:
        os.close(fd)
    return data.decode().strip()


def _describe(accessible):
    try:
        return f"[{accessible.getRoleName()}] {accessible.name!r}"
    except Exception as error:
        return f"[gone: {error}]"


def _children(accessible):
    try:
        count = accessible.childCount
    except Exception:
        return []
    result = []
    for i in range(count):
        try:
            child = accessible.getChildAtIndex(i)
        except Exception:
            continue
        if child is not None:
            result.append(child)
    return result


def _role_matches(accessible, role):
    if role is None:
        return True
    if isinstance(role, str):
        return accessible.getRoleName() == role
    return accessible.getRoleName() in role


def _name_matches(accessible, name):
    if name is None:
        return True
    if isinstance(name, re.Pattern):
        return name.fullmatch(accessible.name or "") is not None
    return accessible.name == name


def inside(inner, outer):
    """Whether the box (x, y, width, height) `inner` lies within `outer`."""
    x, y, width, height = inner
    ox, oy, owidth, oheight = outer
    return (width > 0 and height > 0 and ox <= x and oy <= y and x + width <= ox + owidth and
            y + height <= oy + oheight)


def _png(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def xwd_to_rgb(xwd):
    """(width, height, rows of RGB bytes) of an xwd dump of a true-colour screen of 24 or 32
    bits (what Xvfb has)."""
    header = struct.unpack(">25I", xwd[:100])
    header_size, pixmap_format, width, height = header[0], header[2], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line, visual_class = header[7], *header[11:14]
    masks, ncolors = header[14:17], header[19]
    step = bits_per_pixel // 8
    shifts = [(mask & -mask).bit_length() - 1 for mask in masks]
    if (pixmap_format != 2 or visual_class not in (4, 5) or step not in (3, 4) or
            any(mask != 0xFF << shift or shift % 8 for mask, shift in zip(masks, shifts))):
        raise HarnessError("screenshot: only true-colour screens of 24 or 32 bits are read")
    # Where each of red, green and blue sits in a pixel's bytes.
    offsets = [shift // 8 if byte_order == 0 else step - 1 - shift // 8 for shift in shifts]
    pixels = xwd[header_size + 12 * ncolors:]
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        row = bytearray(width * 3)
        for channel, offset in enumerate(offsets):
            row[channel::3] = line[offset::step]
        rows.append(bytes(row))
    return width, height, rows


def write_bmp(path, width, height, colour_at):
    """A 24-bit BMP whose pixel (x, y) is colour_at(x, y), an (r, g, b)."""
    padding = b"\0" * ((4 - width * 3 % 4) % 4)
    pixels = b"".join(b"".join(bytes(colour_at(x, y)[::-1]) for x in range(width)) + padding
                      for y in reversed(range(height)))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(header + info + pixels)


def solid_bmp(path, colour, size=8):
    """A 24-bit BMP of one colour: which picture is the wallpaper shows on the screen."""
    write_bmp(path, size, size, lambda x, y: colour)


class Session:
    """One private desktop with the installed program on it."""

    def __init__(self, build_dir, prefix, name="test", screen="1024x768x24", lang="C.UTF-8"):
        self.build_dir = os.path.abspath(build_dir)
        self.prefix = os.path.abspath(prefix)
        self.program_path = os.path.join(self.prefix, "bin", "tesselvane")
        self.program_folder = os.path.join(self.prefix, "lib", "tesselvane") + "/"
        self.reg_path = os.path.join(self.build_dir, "bin", "tesselvane-reg")
        self.name = name
        self.screen = screen
        self.lang = lang
        self.folder = None
        self.env = None
        self.display = None
        self.program = None
        self._helpers = []  # (what, Popen), in the order they started
        self._group = None
        self._application = None
        self._session_bus = self._a11y_bus = None

    # --- setting up and tearing down --------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, kind, value, tb):
        self.close()
        return False

    def start(self):
        for path in (self.program_path, self.reg_path):
            if not os.access(path, os.X_OK):
                raise HarnessError(f"{path} is missing: build, and run the install fixture")
        # What the helpers start themselves (the accessibility bus, its registry) comes back
        # to this process when its parent ends, to be ended and reaped here.
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
        # Short enough for a socket's path in it (at most 107 bytes).
        self.folder = tempfile.mkdtemp(prefix=f"tesselvane-atspi-{self.name[:24]}-")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "AT_SPI_", "XDG_", "WAYLAND_", "QT_", "GTK_"))}
        for var, sub in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                         ("XDG_CACHE_HOME", "cache"), ("XDG_RUNTIME_DIR", "runtime"),
                         ("HOME", "home")):
            path = os.path.join(self.folder, sub)
            os.mkdir(path, 0o700)
            env[var] = path
        env["LANG"] = env["LC_ALL"] = self.lang
        env.pop("TESSELVANE_LANG", None)  # the locale chooses the language
        env["GSETTINGS_BACKEND"] = "memory"  # the launcher reads GSettings; no dconf here
        self.env = env

        read_end, write_end = os.pipe()
        self._spawn("Xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        self.display = ":" + _read_line(read_end, "Xvfb to report its display", DEFAULT_TIMEOUT)
        env["DISPLAY"] = self.display

        # A bus that starts no service by itself: what the test needs (a notification
        # service, a tray) it starts, and nothing installed on the machine answers instead.
        config = os.path.join(self.folder, "session-bus.conf")
        with open(config, "w", encoding="utf-8") as file:
            file.write(BARE_SESSION_BUS)
        read_end, write_end = os.pipe()
        self._spawn("dbus-daemon", ["dbus-daemon", f"--config-file={config}", "--nofork",
                                    "--nopidfile", f"--print-address={write_end}"],
                    pass_fds=(write_end,))
        os.close(write_end)
        env["DBUS_SESSION_BUS_ADDRESS"] = _read_line(read_end, "the session bus's address",
                                                     DEFAULT_TIMEOUT)
        self._session_bus = self._connect(env["DBUS_SESSION_BUS_ADDRESS"])

        self._spawn("at-spi-bus-launcher", [AT_SPI_BUS_LAUNCHER, "--launch-immediately",
                                            "--a11y=1"])
        # Asked only once the launcher owns its name: an earlier call would start another.
        wait_until(lambda: self._call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "NameHasOwner",
                                      GLib.Variant("(s)", ("org.a11y.Bus",))),
                   "the AT-SPI bus launcher to own org.a11y.Bus")
        env["AT_SPI_BUS_ADDRESS"] = self._call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                               "GetAddress")

        # openbox announces itself on the root window before it manages windows; what it runs
        # at --startup runs once it does.
        ready = os.path.join(self.folder, "openbox-ready")
        self._spawn("openbox", ["openbox", "--sm-disable", "--startup",
                                "touch " + shlex.quote(ready)])
        wait_until(lambda: os.path.exists(ready) and self._window_manager_running(),
                   "openbox to manage the screen")

        self._import_atspi()

    def _spawn(self, what, command, **kwargs):
        log = open(os.path.join(self.folder, f"{what}.log"), "wb")
        try:
            # One process group for the whole session, so that what the helpers start
            # themselves (the accessibility bus, its registry) goes with them.
            process = subprocess.Popen(command, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=subprocess.STDOUT,
                                       process_group=self._group or 0, **kwargs)
        except FileNotFoundError:
            raise HarnessError(f"{command[0]} is not installed (scripts/install-deps.sh)")
        finally:
            log.close()
        if self._group is None:
            self._group = process.pid
        self._helpers.append((what, process))
        return process

    @staticmethod
    def _connect(address):
        return Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def _call(self, destination, path, interface, method, arguments=None):
        """A method call on the session bus; its one result."""
        return self._session_bus.call_sync(destination, path, interface, method, arguments,
                                           None, Gio.DBusCallFlags.NONE,
                                           int(DEFAULT_TIMEOUT * 1000), None).unpack()[0]

    def _window_manager_running(self):
        result = subprocess.run(["xprop", "-root", "-display", self.display,
                                 "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                capture_output=True, text=True, timeout=DEFAULT_TIMEOUT)
        return "window id" in result.stdout

    def _import_atspi(self):
        global pyatspi, Atspi
        for var in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"):
            os.environ[var] = self.env[var]
        if pyatspi is None:
            gi.require_version("Atspi", "2.0")
            import pyatspi as imported
            from gi.repository import Atspi as atspi
            pyatspi, Atspi = imported, atspi
        # A call into the program may wait on its event loop; give it time on a slow build.
        Atspi.set_timeout(int(10000 * TIMEOUT_SCALE), int(30000 * TIMEOUT_SCALE))
        self._a11y_bus = self._connect(self.env["AT_SPI_BUS_ADDRESS"])

    def close(self):
        """Ends the program and every helper, newest first; safe to call twice."""
        for bus in (self._a11y_bus, self._session_bus):
            if bus is not None:
                bus.close_sync(None)
        self._a11y_bus = self._session_bus = None
        if self.program is not None and self.program.poll() is None:
            self._end(self.program)
        for _, process in reversed(self._helpers):
            if process.poll() is None:
                self._end(process)
        if self._group is not None:
            try:
                os.killpg(self._group, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self._group = None
            self._reap()
        self._helpers.clear()

    @staticmethod
    def _reap():
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                if os.waitpid(-1, os.WNOHANG)[0] == 0:
                    time.sleep(0.02)
            except ChildProcessError:
                return

    @staticmethod
    def _end(process):
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def remove_folder(self):
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)

    # --- the program ------------------------------------------------------------------------

    def start_tray(self):
        """Starts a notification area (trayer, at the top right of the screen) for the
        program's icon."""
        self._spawn("trayer", ["trayer", "--edge", "top", "--align", "right", "--widthtype",
                               "request", "--height", "32", "--SetDockType", "true",
                               "--transparent", "false", "--tint", "0xffffff"])
        wait_until(lambda: self._xdotool_quiet("search", "--onlyvisible", "--class",
                                               "trayer").split(), "trayer to show its panel")

    def start_notification_service(self):
        """Starts a desktop notification service (dunst) on the session bus."""
        self._spawn("dunst", ["dunst"])
        wait_until(lambda: self._call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "NameHasOwner",
                                      GLib.Variant("(s)", ("org.freedesktop.Notifications",))),
                   "dunst to own org.freedesktop.Notifications")

    def notifications_shown(self):
        """How many notifications the service shows now."""
        return int(subprocess.run(["dunstctl", "count", "displayed"], env=self.env,
                                  capture_output=True, text=True, check=True,
                                  timeout=DEFAULT_TIMEOUT).stdout)

    def dismiss_notifications(self):
        """Closes every notification shown, as a user does; returns the (summary, body) of
        each notification the service has shown so far."""
        subprocess.run(["dunstctl", "close-all"], env=self.env, check=True,
                       timeout=DEFAULT_TIMEOUT)
        wait_until(lambda: self.notifications_shown() == 0, "the notifications to close")
        history = json.loads(subprocess.run(["dunstctl", "history"], env=self.env,
                                            capture_output=True, text=True, check=True,
                                            timeout=DEFAULT_TIMEOUT).stdout)
        return [(entry["summary"]["data"], entry["body"]["data"])
                for entry in history["data"][0]]

    def tray_menu(self, timeout=None):
        """Opens the menu of the program's icon in the notification area with the right
        mouse button, as a user does, and waits until it is on the screen. Qt leaves a popup
        menu out of the accessible tree: choose its commands by their underlined letters
        (keys())."""
        panel = wait_until(lambda: (self._xdotool_quiet("search", "--onlyvisible", "--class",
                                                        "trayer").split() or [None])[0],
                           "the notification area", timeout)

        def icon_area():
            geometry = self._xdotool("getwindowgeometry", "--shell", panel)
            values = dict(line.split("=") for line in geometry.split())
            width, height = int(values["WIDTH"]), int(values["HEIGHT"])
            return (int(values["X"]), int(values["Y"]), width, height) if width > 8 else None

        x, y, width, height = wait_until(icon_area, "the program's icon in the tray", timeout)
        # The icon may miss a click while the tray still settles a window that has just
        # closed: the pointer comes in afresh and clicks again, as a user would.
        for _ in range(4):
            self._xdotool("mousemove", "--sync", str(x - 40), str(y + height + 40))
            if self.context_menu(x + width // 2, y + height // 2, timeout=3, missing_ok=True):
                return
        self.context_menu(x + width // 2, y + height // 2, timeout)

    def _shown_menus(self):
        """The program's windows on the screen but its tooltips: what a click or a key adds is
        its menu. (Qt 6.4 gives a menu the normal window type.)"""
        menus = set()
        for window in self._xdotool_quiet("search", "--all", "--onlyvisible", "--pid",
                                          str(self.program.pid), "--name", "").split():
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], env=self.env,
                                  capture_output=True, text=True,
                                  timeout=DEFAULT_TIMEOUT).stdout
            if "TOOLTIP" not in kind:
                menus.add(window)
        return menus

    def context_menu(self, x, y, timeout=None, missing_ok=False):
        """Clicks the right mouse button at (x, y) and waits until a menu of the program is on
        the screen; True when one came (False only with missing_ok). Qt leaves a popup menu out
        of the accessible tree: choose its commands by their underlined letters (keys())."""
        before = self._shown_menus()
        # Not --sync: with the pointer there already, xdotool would wait for ever for a move.
        self._xdotool("mousemove", str(x), str(y), "click", "3")
        try:
            wait_until(lambda: self._shown_menus() - before, "a menu to open", timeout)
        except HarnessError:
            if missing_ok:
                return False
            raise
        return True

    def menu_by_keys(self, *keys, timeout=None):
        """Presses keys that open a menu of the program (Menu, shift+F10) and waits until it is
        on the screen."""
        before = self._shown_menus()
        self.keys(*keys)
        wait_until(lambda: self._shown_menus() - before, "a menu to open", timeout)

    def launch(self, *arguments, env=None):
        """Starts the installed tesselvane on the session's display, with its accessibility
        bridge on; `env` adds or overrides variables. Returns the Popen."""
        if self.program is not None and self.program.poll() is None:
            raise HarnessError("the program is already running")
        program_env = self._program_env(env)
        self._output = os.path.join(self.folder, "tesselvane.log")
        with open(self._output, "ab") as log:
            self.program = subprocess.Popen([self.program_path, *arguments], env=program_env,
                                            stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, process_group=self._group)
        self._application = None
        return self.program

    def start_again(self, *arguments, timeout=None):
        """Starts the installed tesselvane once more beside the running copy, as a user does
        from a launcher; returns its CompletedProcess once it has ended."""
        return subprocess.run([self.program_path, *arguments], env=self._program_env(None),
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=DEFAULT_TIMEOUT if timeout is None else timeout)

    def _program_env(self, env):
        program_env = dict(self.env)
        program_env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "QT_QPA_PLATFORM": "xcb",
            "TESSELVANE_DESKTOP": "x11",
        })
        program_env.pop("NO_AT_BRIDGE", None)
        # Qt 6.4 given the address directly connects but never turns its bridge on (the signal
        # goes out before anyone listens); asked through the session bus, it does.
        program_env.pop("AT_SPI_BUS_ADDRESS", None)
        program_env.update(env or {})
        return program_env

    def output(self):
        """What the program wrote to standard output and error so far."""
        try:
            with open(self._output, encoding="utf-8", errors="replace") as log:
                return log.read()
        except (AttributeError, OSError):
            return ""

    def wait_for_exit(self, timeout=None):
        """Waits for the program to end and returns its exit status."""
        timeout = DEFAULT_TIMEOUT if timeout is None else timeout
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the program did not end within {timeout:g} s") from None

    def mapped_files(self, pid=None):
        """The files a process (the running program by default) has mapped: its executable,
        modules, plug-ins."""
        with open(f"/proc/{pid or self.program.pid}/maps") as maps:
            fields = [line.split(None, 5) for line in maps]
        return {f[5].strip() for f in fields if len(f) == 6 and f[5].startswith("/")}

    def child_processes(self):
        """The process ids of the running program's children (its plug-in helper)."""
        children = []
        for task in os.listdir(f"/proc/{self.program.pid}/task"):
            try:
                with open(f"/proc/{self.program.pid}/task/{task}/children") as listed:
                    children += [int(pid) for pid in listed.read().split()]
            except FileNotFoundError:
                pass  # a thread that ended meanwhile
        return children

    # --- the accessibility tree -------------------------------------------------------------

    def application(self, timeout=None):
        """The program's application object in the AT-SPI desktop, found by its process id."""
        if self._application is not None:
            return self._application
        if self.program is None:
            raise HarnessError("launch the program first")
        pid = self.program.pid

        def find():
            if self.program.poll() is not None:
                raise HarnessError(f"the program ended with status {self.program.returncode} "
                                   f"before it showed in the accessibility tree:\n{self.output()}")
            desktop = pyatspi.Registry.getDesktop(0)
            desktop.clear_cache()
            for app in _children(desktop):
                if app.get_process_id() == pid:
                    return app
            return None

        self._application = wait_until(find, f"the program (pid {pid}) in the AT-SPI desktop",
                                       timeout)
        return self._application

    def windows(self):
        """The program's top-level windows."""
        app = self.application()
        app.clear_cache()
        return _children(app)

    def windows_of_role(self, role):
        """The program's showing top-level windows of `role` ("alert" for message boxes)."""
        return [window for window in self.windows()
                if _role_matches(window, role) and "showing" in self.states(window)]

    def wait_for_window(self, name, role=None, active=False, timeout=None):
        """The program's showing top-level window named `name` (a string or a compiled
        pattern). Qt gives a dialog the role "dialog", a message box "alert", a plain top-level
        widget "filler". active=True waits also until the window manager has given it the
        focus, as keys() needs. Showing here may come a moment before the pixels do."""
        wanted = {"showing", "active"} if active else {"showing"}

        def find():
            for window in self.windows():
                if (_role_matches(window, role) and _name_matches(window, name) and
                        wanted <= self.states(window)):
                    return window
            return None

        return wait_until(find, lambda: f"a window named {name!r}; the program has "
                          f"{self._window_list()}", timeout)

    def wait_for_window_gone(self, window, timeout=None):
        """Waits until `window` is no longer showing (closed or hidden)."""
        def gone():
            try:
                return window not in self.windows() or "showing" not in self.states(window)
            except Exception:
                return True

        wait_until(gone, f"{_describe(window)} to close", timeout)

    def _window_list(self):
        try:
            return ", ".join(f"{_describe(w)} {sorted(self.states(w))}"
                             for w in self.windows()) or "no windows"
        except Exception as error:
            return f"no windows ({error})"

    def find_all(self, root, role=None, name=None, showing_only=False):
        """Every descendant of `root` of that role ("push button", "check box", ...; a tuple of
        them; None: any) and accessible name (string, compiled pattern, or None: any), in tree
        order. Qt makes a checkable button a "check box"."""
        found = []
        pending = [root]
        root.clear_cache()
        while pending:
            node = pending.pop(0)
            for child in _children(node):
                if (_role_matches(child, role) and _name_matches(child, name) and
                        (not showing_only or "showing" in self.states(child))):
                    found.append(child)
                pending.append(child)
        return found

    def find(self, root, role=None, name=None, timeout=None):
        """The one descendant of `root` with that role and name, waited for; fails when there
        is none or more than one."""
        def one():
            matches = self.find_all(root, role, name)
            if len(matches) > 1:
                raise HarnessError(f"{len(matches)} controls [{role}] {name!r} under "
                                   f"{_describe(root)}: name the one you mean")
            return matches[0] if matches else None

        try:
            return wait_until(one, f"[{role}] {name!r} under {_describe(root)}", timeout)
        except HarnessError as error:
            raise HarnessError(f"{error}\nwhat there is:\n{self.tree(root)}") from None

    def unnamed_controls(self, window):
        """The controls of `window` a screen reader could not name: buttons, boxes, fields and
        lists without an accessible name."""
        roles = ("push button", "check box", "radio button", "text", "list", "combo box")
        return [_describe(node) for node in self.find_all(window, roles)
                if not node.name and "showing" in self.states(node)]

    def tree(self, root=None, depth=0):
        """The subtree as indented text, for failure messages."""
        root = root if root is not None else self.application()
        try:
            states = sorted(self.states(root))
        except Exception as error:  # gone meanwhile
            states = f"({error})"
        lines = [f"{'  ' * depth}{_describe(root)} {states}"]
        for child in _children(root):
            lines.append(self.tree(child, depth + 1))
        return "\n".join(lines)

    @staticmethod
    def states(accessible):
        """The accessible's states as names: {"focusable", "showing", "checked", ...}."""
        accessible.clear_cache()
        return {state.value_nick for state in accessible.get_state_set().get_states()}

    def wait_for_state(self, accessible, state, present=True, timeout=None):
        """Waits until `state` ("checked", "focused", ...) is set (or, present=False, clear)."""
        wait_until(lambda: (state in self.states(accessible)) == present,
                   f"{_describe(accessible)} to be {'' if present else 'not '}{state}", timeout)

    @staticmethod
    def extents(accessible):
        """(x, y, width, height) on the screen."""
        box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height

    @staticmethod
    def actions(accessible):
        action = accessible.queryAction()
        return [action.getName(i) for i in range(action.nActions)]

    def press(self, accessible):
        """Presses a button (or opens a combo box) through its first action, as a screen
        reader does. Returns at once: a button that opens a modal dialog answers only when the
        dialog closes. A checkable button's first action is Toggle, which Qt carries out
        without the clicked signal: set_checked() or click() are what a user does."""
        self.do_action(accessible, 0)

    def do_action(self, accessible, index):
        """Starts action `index` of `accessible` (see actions()) without waiting for it."""
        try:
            count = accessible.queryAction().nActions
        except NotImplementedError:
            count = 0
        if index >= count:
            raise HarnessError(f"{_describe(accessible)} has no action {index}")
        call = Gio.DBusMessage.new_method_call(accessible.app.bus_name, accessible.path,
                                               "org.a11y.atspi.Action", "DoAction")
        call.set_body(GLib.Variant("(i)", (index,)))
        call.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
        self._a11y_bus.send_message(call, Gio.DBusSendMessageFlags.NONE)
        self._a11y_bus.flush_sync(None)

    def focus(self, accessible, timeout=None):
        """Gives `accessible` the keyboard focus and waits until it has it."""
        if "focusable" not in self.states(accessible):
            raise HarnessError(f"{_describe(accessible)} cannot take the focus")
        if not accessible.queryComponent().grabFocus():
            raise HarnessError(f"{_describe(accessible)} refused the focus")
        self.wait_for_state(accessible, "focused", timeout=timeout)

    def focused(self, root=None):
        """The control in `root` (default: any of the program's windows) that has the keyboard
        focus, or None."""
        for window in [root] if root is not None else self.windows():
            for node in [window] + self.find_all(window):
                if "focused" in self.states(node):
                    return node
        return None

    def set_text(self, accessible, text, timeout=None):
        """Replaces the text of an editable field, as a screen reader's editing does (Qt emits
        textChanged, not textEdited), and waits until the field holds `text`."""
        try:
            editable = accessible.queryEditableText()
        except NotImplementedError:
            raise HarnessError(f"{_describe(accessible)} is not editable") from None
        editable.setTextContents(text)
        wait_until(lambda: self.text(accessible) == text,
                   lambda: f"{_describe(accessible)} to hold {text!r} (it holds "
                   f"{self.text(accessible)!r})", timeout)

    @staticmethod
    def text(accessible):
        """The text a field shows; for a control without text of its own (Qt's labels), its
        name."""
        accessible.clear_cache()
        try:
            return accessible.queryText().getText(0, -1)
        except NotImplementedError:
            return accessible.name

    def set_checked(self, accessible, checked=True, timeout=None):
        """Ticks (or clears) a check box, or selects a radio button, as a user does: the focus
        and the space bar, so that the program sees a click. Waits for the state."""
        if ("checked" in self.states(accessible)) != checked:
            self.focus(accessible, timeout)
            self.keys("space")
        self.wait_for_state(accessible, "checked", checked, timeout)

    def choose(self, accessible, item, timeout=None):
        """Chooses the item named `item` in a combo box or a list by clicking it, as a user
        does (a combo box is opened first), and waits until it is chosen. The item must be in
        view: scroll with keys() first where a list is long."""
        if accessible.getRoleName() == "combo box":
            if self.chosen(accessible) == item:
                return
            popup = self.find(accessible, "list", timeout=timeout)
            self.press(accessible)  # opens the list
            self.wait_for_state(popup, "showing", timeout=timeout)
            self.click(self.find(popup, "list item", item, timeout))
            wait_until(lambda: self.chosen(accessible) == item,
                       lambda: f"{_describe(accessible)} to show {item!r}", timeout)
            return
        entry = self.find(accessible, None, item, timeout)
        x, y, width, height = self.extents(entry)
        if not inside((x + width // 2, y + height // 2, 1, 1), self.extents(accessible)):
            raise HarnessError(f"{_describe(entry)} is out of view in {_describe(accessible)}")
        self.click(entry)
        self.wait_for_state(entry, "selected", timeout=timeout)

    def chosen(self, combo):
        """The item a combo box shows, or None. Qt on Linux names a combo box by its current
        text, and by its accessible name only while it shows nothing."""
        combo.clear_cache()
        items = {entry.name for entry in self.find_all(combo, "list item")}
        return combo.name if combo.name in items else None

    # --- the keyboard, the mouse and the screen ---------------------------------------------

    def _xdotool(self, *arguments):
        result = subprocess.run(["xdotool", *arguments], env=self.env, capture_output=True,
                                text=True, timeout=DEFAULT_TIMEOUT)
        if result.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(arguments)}: {result.stderr.strip()}")
        return result.stdout

    def _xdotool_quiet(self, *arguments):
        """xdotool where finding nothing is an answer (search ends with 1 then)."""
        return subprocess.run(["xdotool", *arguments], env=self.env, capture_output=True,
                              text=True, timeout=DEFAULT_TIMEOUT).stdout

    def keys(self, *keys):
        """Presses keys on the focused window, as xdotool names them ("Tab", "ctrl+a",
        "Return", "F1")."""
        self._xdotool("key", "--clearmodifiers", "--delay", "30", *keys)

    def type_text(self, text):
        """Types `text` into the focused window."""
        self._xdotool("type", "--clearmodifiers", "--delay", "30", text)

    def click(self, accessible, button=1):
        """Clicks the middle of `accessible` with the mouse."""
        x, y, width, height = self.extents(accessible)
        if width <= 0 or height <= 0:
            raise HarnessError(f"{_describe(accessible)} has no place on the screen to click")
        self._xdotool("mousemove", "--sync", str(x + width // 2), str(y + height // 2),
                      "click", str(button))

    def click_at(self, x, y, button=1):
        """Clicks at (x, y) on the screen."""
        self._xdotool("mousemove", str(x), str(y), "click", str(button))

    def x_window(self, name, timeout=None):
        """The X window id of the program's mapped top-level window titled `name`."""
        def find():
            # --all: without it xdotool matches the pid or the name.
            found = self._xdotool_quiet("search", "--all", "--onlyvisible", "--pid",
                                        str(self.program.pid), "--name",
                                        "^" + re.escape(name) + "$").split()
            return found[0] if len(found) == 1 else None

        return wait_until(find, f"one X window titled {name!r}", timeout)

    def window_state(self, name):
        """What the window manager made of the program's top-level window titled `name`:
        "Normal", "Iconic", or None while it is withdrawn (not mapped, or not managed)."""
        found = self._xdotool_quiet("search", "--all", "--pid", str(self.program.pid), "--name",
                                    "^" + re.escape(name) + "$").split()
        states = set()
        for window in found:
            answer = subprocess.run(["xprop", "-id", window, "WM_STATE"], env=self.env,
                                    capture_output=True, text=True,
                                    timeout=DEFAULT_TIMEOUT).stdout
            match = re.search(r"window state: (\w+)", answer)
            if match and match.group(1) != "Withdrawn":
                states.add(match.group(1))
        if len(states) > 1:
            raise HarnessError(f"several windows titled {name!r}: {states}")
        return states.pop() if states else None

    def minimise(self, name, timeout=None):
        """Asks the window manager to iconify the window titled `name`, as its minimise box
        does."""
        self._xdotool("windowminimize", self.x_window(name, timeout))

    def move_window(self, name, x, y, timeout=None):
        """Moves the window titled `name` so that its frame's top-left corner is at (x, y), as
        a user dragging it does, and waits until the window manager has placed it there."""
        window = self.x_window(name, timeout)
        self._xdotool("windowmove", "--sync", window, str(x), str(y))
        wait_until(lambda: self.frame_origin(name) == (x, y),
                   lambda: f"{name!r} to move to {(x, y)} (it is at {self.frame_origin(name)})",
                   timeout)

    def frame_origin(self, name):
        """The top-left corner of the window manager's frame around the window titled `name`."""
        return self.window_geometry(name)[:2]

    def window_geometry(self, name):
        """(x, y, width, height) of the window titled `name`, its frame's corner and its own
        size."""
        x, y, width, height, _, _ = self.frame_of(self.x_window(name))
        return x, y, width, height

    def frame_of(self, window):
        """(x, y, width, height, left, top) of the X window `window`: its frame's corner, its
        own size, and where it sits in its frame."""
        info = subprocess.run(["xwininfo", "-id", window], env=self.env, capture_output=True,
                              text=True, timeout=DEFAULT_TIMEOUT).stdout
        value = {key: int(number) for key, number in
                 re.findall(r"(Absolute upper-left [XY]|Relative upper-left [XY]|Width|Height):"
                            r"\s+(-?\d+)", info)}
        left, top = value["Relative upper-left X"], value["Relative upper-left Y"]
        return (value["Absolute upper-left X"] - left, value["Absolute upper-left Y"] - top,
                value["Width"], value["Height"], left, top)

    def drag(self, start, end, done, what):
        """Drags with the left button from `start` to `end` (screen points) until `done()`, as
        a hand does: a window manager that takes a drag over sees only the moves after its
        grab, so the pointer goes on moving about `end` until the window follows."""
        self._xdotool("mousemove", "--sync", *map(str, start), "mousedown", "1")
        x, y = end

        def followed():
            self._xdotool("mousemove", "--sync", str(x - 1), str(y - 1),
                          "mousemove", "--sync", str(x), str(y))
            return done()

        try:
            wait_until(followed, what)
        finally:
            self._xdotool("mouseup", "1")

    def _grab(self):
        # xwd fails (BadMatch) when the root window's picture is replaced while it reads, as a
        # wallpaper changing every second does: it is asked again.
        def dump():
            result = subprocess.run(["xwd", "-root", "-silent", "-display", self.display],
                                    env=self.env, capture_output=True, timeout=DEFAULT_TIMEOUT)
            if result.returncode != 0:
                raise RuntimeError(f"xwd: {result.stderr.decode(errors='replace').strip()}")
            return result.stdout
        return xwd_to_rgb(wait_until(dump, "a screenshot"))

    def screenshot(self, path=None):
        """The whole screen as a PNG file; returns its path."""
        path = path or os.path.join(self.folder, f"screen-{time.monotonic_ns()}.png")
        with open(path, "wb") as file:
            file.write(_png(*self._grab()))
        return path

    def pixel(self, x, y):
        """The colour (r, g, b) on the screen at (x, y): wait_until it is what you expect."""
        _, _, rows = self._grab()
        return tuple(rows[y][3 * x:3 * x + 3])

    # --- the store --------------------------------------------------------------------------

    def reg(self, *arguments, check=True):
        """Runs the built tesselvane-reg on the session's store; returns the CompletedProcess."""
        result = subprocess.run([self.reg_path, *arguments], env=self.env, capture_output=True,
                                text=True, timeout=DEFAULT_TIMEOUT)
        if check and result.returncode != 0:
            raise HarnessError(f"tesselvane-reg {' '.join(arguments)} failed "
                               f"({result.returncode}): {result.stderr.strip()}")
        return result

    def reg_query(self, key, name):
        """The data of value `name` in `key` ("HKCU\\..."), or None when it is not there."""
        result = self.reg("query", key, "/v", name, check=False)
        if result.returncode == 1 and "unable to find" in result.stderr:
            return None
        if result.returncode != 0:
            raise HarnessError(f"tesselvane-reg query {key} /v {name}: {result.stderr.strip()}")
        for line in result.stdout.splitlines():
            match = re.fullmatch(r"    (.+?)    (REG_\w+)    ?(.*)", line)
            if match and match.group(1).casefold() == name.casefold():
                return match.group(3)
        raise HarnessError(f"cannot read tesselvane-reg's answer:\n{result.stdout}")

    def reg_add(self, key, name, data):
        """Stores `data` as REG_SZ value `name` in `key`."""
        self.reg("add", key, "/v", name, "/d", str(data), "/f")


def _report_failure(session):
    print(f"\nthe test's folder is kept: {session.folder}", file=sys.stderr)
    if session.program is not None:
        print(f"the program's output:\n{session.output()}", file=sys.stderr)
    try:
        if session._application is not None:
            print(f"the program's accessible tree:\n{session.tree()}", file=sys.stderr)
    except Exception as error:
        print(f"(no accessible tree: {error})", file=sys.stderr)
    try:
        print(f"the screen: {session.screenshot(os.path.join(session.folder, 'failure.png'))}",
              file=sys.stderr)
    except Exception as error:
        print(f"(no screenshot: {error})", file=sys.stderr)
    try:
        # What the X server and the window manager made of the windows.
        with open(os.path.join(session.folder, "windows.txt"), "w") as file:
            for command in (["xprop", "-root", "_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW"],
                            ["xwininfo", "-root", "-tree"]):
                file.write(subprocess.run(command, env=session.env, capture_output=True,
                                          text=True, timeout=DEFAULT_TIMEOUT).stdout)
    except Exception as error:
        print(f"(no window list: {error})", file=sys.stderr)


def _run(test, args):
    """One test in a session of its own; True when it passed."""
    started = time.monotonic()
    session = Session(args.build, args.prefix, name=test.__name__)
    try:
        with session:
            try:
                test(session)
            except BaseException:
                _report_failure(session)
                raise
    except BaseException:
        traceback.print_exc()
        print(f"FAILED {test.__name__} ({time.monotonic() - started:.1f} s)", flush=True)
        return False
    session.remove_folder()
    print(f"passed {test.__name__} ({time.monotonic() - started:.1f} s)", flush=True)
    return True


def main(*tests):
    """Runs each test function in a session of its own, each in a child process (the AT-SPI
    library stays bound to the first bus it meets); exits 1 when any fails."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the build folder (tesselvane-reg)")
    parser.add_argument("--prefix", required=True, help="where the program is installed")
    parser.add_argument("-k", dest="only", help="run only the tests whose name holds this")
    args = parser.parse_args()

    child = None
    stopped = False

    def interrupted(signum, frame):
        nonlocal stopped
        if child == 0:  # the test: tear down on the way out
            raise KeyboardInterrupt(f"signal {signum}")
        stopped = True
        if child:
            os.kill(child, signal.SIGTERM)

    # CTest's timeout ends the test with a signal.
    signal.signal(signal.SIGTERM, interrupted)
    failures = 0
    for test in tests:
        if stopped:
            break
        if args.only and args.only not in test.__name__:
            continue
        sys.stdout.flush()
        sys.stderr.flush()
        child = os.fork()
        if child == 0:
            code = 0 if _run(test, args) else 1
            sys.stdout.flush()
            sys.stderr.flush()
            os._exit(code)
        _, status = os.waitpid(child, 0)
        child = None
        if os.waitstatus_to_exitcode(status) != 0:
            failures += 1
    sys.exit(1 if failures or stopped else 0)
