"""An extension plug-in's settings window, opened from the options dialog of the installed
program: it is shown by a helper process of its own, kept above the program's window, the
program answers meanwhile, and what the user accepts there is stored for the plug-in."""

import re
import subprocess

import tesselvane_session
from tesselvane_session import DEFAULT_TIMEOUT, wait_until

PLUGIN = r"HKCU\SOFTWARE\Morvanti\TESSEL\PlugIn\Calendar"


def x(session, *command):
    return subprocess.run(command, env=session.env, capture_output=True, text=True,
                          timeout=DEFAULT_TIMEOUT).stdout


def visible_windows(session, pid):
    return x(session, "xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
             "--name", ".").split()


def test_plugin_settings(session):
    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    session.press(session.find(toolbar, "push button", "ｵﾌﾟｼｮﾝ"))
    dialog = session.wait_for_window("オプション", active=True)
    plugins = session.find(dialog, "list", "インストールされているプラグイン")
    session.click(session.find(dialog, "page tab", "プラグイン"))
    session.wait_for_state(plugins, "showing")
    calendar = session.find(plugins, "list item", re.compile("カレンダー Ver.*"))
    session.click(calendar)
    session.press(session.find(dialog, "push button", "設定"))

    # The window belongs to a helper, not to the program.
    def settings_window():
        for pid in session.child_processes():
            for window in visible_windows(session, pid):
                if x(session, "xdotool", "getwindowname", window).strip() == "カレンダーの設定":
                    return pid, window
        return None
    wait_until(settings_window, lambda: "the calendar's settings shown by a helper process")
    helper, window = settings_window()
    assert helper != session.program.pid
    # Kept above the program's toolbar.
    transient = x(session, "xprop", "-id", window, "WM_TRANSIENT_FOR")
    owner = re.search(r"window id # (0x[0-9a-f]+)", transient)
    assert owner, transient
    owner_pid = x(session, "xprop", "-id", owner.group(1), "_NET_WM_PID")
    assert owner_pid.strip().endswith(f"= {session.program.pid}"), owner_pid
    session.screenshot(session.folder + "/settings.png")

    # The program answers while the window is open.
    assert "showing" in session.states(session.find(dialog, "push button", "OK"))
    assert session.program.poll() is None

    # Accepted with Enter, the plug-in's own choice is stored for it, and the helper goes.
    x(session, "xdotool", "windowactivate", "--sync", window)
    session.keys("Return")
    wait_until(lambda: helper not in session.child_processes(),
               lambda: "the settings helper to end")
    wait_until(lambda: session.reg_query(PLUGIN, "Enabled") is not None,
               lambda: "the calendar's settings to be stored")

    session.press(session.find(dialog, "push button", "OK"))
    session.wait_for_window_gone(dialog)
    session.press(session.find(toolbar, "push button", "終了"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"


if __name__ == "__main__":
    tesselvane_session.main(test_plugin_settings)
