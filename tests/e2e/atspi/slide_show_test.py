"""The slide show of the installed program, run from the toolbar as a user runs it: the
pictures of the chosen group full screen, stepping by itself and by a click, paused from its
menu, one of them made the wallpaper, and the show left for the toolbar again."""

import os
import subprocess
import time

import tesselvane_session
from tesselvane_session import solid_bmp, wait_until

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
CENTRE = (512, 384)


def test_slide_show(session):
    for i, (name, colour) in enumerate((("red", RED), ("green", GREEN), ("blue", BLUE))):
        path = os.path.join(session.folder, name + ".bmp")
        solid_bmp(path, colour, size=200)
        session.reg_add(KEY + r"\Files\Colours", "File%04d" % i, path)
    session.reg_add(KEY + r"\GroupName", "Group0", "Colours")
    session.reg_add(KEY + r"\Option", "SlideTime", "1")
    session.reg_add(KEY + r"\Option", "SlideMode", "0")  # stepping by itself

    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    session.choose(session.find(toolbar, "combo box"), "Colours")
    session.press(session.find(toolbar, "push button", "ｽﾗｲﾄﾞ"))
    wait_until(lambda: session.pixel(*CENTRE) == RED, "the first picture, full screen")
    assert session.pixel(5, 5) == (0, 0, 0), "the show covers the screen in black"
    # A full-screen window as the window manager knows one: panels go below it.
    active = subprocess.run(["xdotool", "getactivewindow"], env=session.env, check=True,
                            capture_output=True, text=True).stdout.strip()
    state = subprocess.run(["xprop", "-display", session.display, "-id", active,
                            "_NET_WM_STATE"], env=session.env, check=True, capture_output=True,
                           text=True).stdout
    assert "_NET_WM_STATE_FULLSCREEN" in state, f"the show's window state: {state}"
    wait_until(lambda: session.pixel(*CENTRE) == GREEN, "the show to step by itself")

    session.context_menu(*CENTRE)
    session.keys("c")  # 一時停止
    # Paused, the show stands still: two looks two intervals and a half apart agree. A step
    # under way when the pause came may still reach the screen once, so a second try is
    # allowed; a show that went on would differ at both.
    for _ in range(2):
        paused = session.pixel(*CENTRE)
        time.sleep(2.5)
        if session.pixel(*CENTRE) == paused:
            break
    else:
        raise AssertionError("paused: the show stands still")
    assert paused in (GREEN, BLUE), f"the picture shown when paused: {paused}"
    session.click_at(*CENTRE)
    following = {GREEN: BLUE, BLUE: RED}[paused]
    wait_until(lambda: session.pixel(*CENTRE) == following, "a click to step on")

    session.context_menu(*CENTRE)
    session.keys("w")  # 壁紙として設定
    wallpaper = os.path.join(session.env["XDG_DATA_HOME"], "tesselvane", "system", "$tessel.bmp")
    wait_until(lambda: os.path.exists(wallpaper), "the shown picture written as the wallpaper")
    wait_until(lambda: session.reg_query(r"HKCU\Control Panel\Desktop", "Wallpaper") ==
               wallpaper, "the wallpaper setting to name it")

    session.context_menu(*CENTRE)
    session.keys("x")  # 終了
    wait_until(lambda: session.pixel(*CENTRE) == following,
               "the desktop to show the picture set as the wallpaper")
    session.press(session.find(toolbar, "push button", "終了"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"


if __name__ == "__main__":
    tesselvane_session.main(test_slide_show)
