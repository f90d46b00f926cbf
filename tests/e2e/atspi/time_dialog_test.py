"""The schedule dialog of the installed program as a user drives it through the accessibility
tree: the interval mode with its interval and unit, a value typed past the range, and a
cancelled change that does not survive. What OK keeps drives the scheduler at the next start
command, and reaches the store when the program ends."""

import os
import signal

import tesselvane_session
from tesselvane_session import solid_bmp, wait_until

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"
TIME = KEY + r"\Time"
RED, BLUE = (255, 0, 0), (0, 0, 255)


def open_dialog(session, toolbar):
    session.press(session.find(toolbar, "push button", "時間の設定"))
    return session.wait_for_window("時間の設定", active=True)


def test_time_dialog(session):
    pictures = os.path.join(session.folder, "pictures")
    os.makedirs(pictures)
    for name, colour in (("red.bmp", RED), ("blue.bmp", BLUE)):
        solid_bmp(os.path.join(pictures, name), colour)
    session.reg_add(KEY + r"\GroupName", "Group0", "colours")
    session.reg_add(KEY + r"\Files\colours", "Type", "1")
    session.reg_add(KEY + r"\Files\colours", "Folder", pictures)
    session.reg_add(r"HKCU\Control Panel\Desktop", "TileWallpaper", "1")  # fills the screen
    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    dialog = open_dialog(session, toolbar)
    interval = session.find(dialog, "text", "変更の間隔")
    assert "enabled" not in session.states(interval), "the interval needs the interval mode"

    session.set_checked(session.find(dialog, "radio button", "一定時間が経過したら変更する"))
    session.wait_for_state(interval, "enabled")
    session.focus(interval)
    session.keys("ctrl+a")
    session.type_text("75")  # brought into range when the 5 is released
    wait_until(lambda: session.text(interval) == "60",
               lambda: f"the interval to become 60 (it is {session.text(interval)!r})")
    session.set_checked(session.find(dialog, "radio button", "分"))
    session.set_checked(session.find(dialog, "check box", "起動時にも変更"))
    session.press(session.find(dialog, "push button", "OK"))
    session.wait_for_window_gone(dialog)

    # A change that is cancelled is gone at the next opening.
    dialog = open_dialog(session, toolbar)
    session.set_checked(session.find(dialog, "radio button", "月別に変更する"))
    assert "enabled" not in session.states(session.find(dialog, "text", "変更の間隔"))
    session.keys("Escape")
    session.wait_for_window_gone(dialog)
    dialog = open_dialog(session, toolbar)
    session.wait_for_state(session.find(dialog, "radio button", "一定時間が経過したら変更する"),
                           "checked")
    assert session.text(session.find(dialog, "text", "変更の間隔")) == "60"
    session.press(session.find(dialog, "push button", "Cancel"))
    session.wait_for_window_gone(dialog)

    # Every second, then the start command: the wallpaper takes the group's pictures in turn.
    dialog = open_dialog(session, toolbar)
    interval = session.find(dialog, "text", "変更の間隔")
    session.focus(interval)
    session.keys("ctrl+a")
    session.type_text("1")
    session.set_checked(session.find(dialog, "radio button", "秒"))
    session.press(session.find(dialog, "push button", "OK"))
    session.wait_for_window_gone(dialog)
    session.choose(session.find(toolbar, "combo box"), "colours")
    session.press(session.find(toolbar, "push button", "開始"))
    corner = (1000, 740)  # far from any window
    seen = set()
    wait_until(lambda: seen.add(session.pixel(*corner)) or {RED, BLUE} <= seen,
               lambda: f"the wallpaper to show both pictures in turn (seen {seen})")

    # Resident, with no notification area to come back from: ended as a session ends it.
    session.program.send_signal(signal.SIGTERM)
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    stored = {name: session.reg_query(TIME, name)
              for name in ("Option", "Value", "Scale", "TimeBoot", "Left", "Top")}
    assert stored["Option"] == "1" and stored["Value"] == "1", stored
    assert stored["Scale"] == "2" and stored["TimeBoot"] == "1", stored
    assert stored["Left"] is not None and stored["Top"] is not None, stored


if __name__ == "__main__":
    tesselvane_session.main(test_time_dialog)
