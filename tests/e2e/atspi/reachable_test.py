"""The resident program stays within reach on a desktop without a notification area: its
toolbar waits iconified in the taskbar, a second start brings it back, and a notification area
that appears later takes its place. A start whose change fails says so and goes on."""

import os

import tesselvane_session
from tesselvane_session import solid_bmp, wait_until

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"
RED = (255, 0, 0)
CORNER = (600, 740)


def one_group(session, *files):
    session.reg_add(KEY + r"\GroupName", "Group0", "g")
    for index, path in enumerate(files):
        session.reg_add(KEY + r"\Files\g", f"File{index:04}", path)
    session.reg_add(KEY + r"\Task", "Default", "0")


def damaged_then_red(session):
    """One group of a damaged picture, then a red one; returns the damaged one's path."""
    damaged = os.path.join(session.folder, "damaged.bmp")
    with open(damaged, "wb") as file:
        file.write(b"BM not a bitmap")
    red = os.path.join(session.folder, "red.bmp")
    solid_bmp(red, RED)
    one_group(session, damaged, red)
    return damaged


def test_without_a_tray_the_toolbar_waits_in_the_taskbar(session):
    damaged = damaged_then_red(session)

    # A group is chosen: the change at start, then resident. The change fails, and says so
    # (no notification area, no notification service: in a box) without waiting for anyone:
    # the toolbar is already iconified, as the start goes on.
    session.launch()
    box = session.wait_for_window("Tesselvane", role="alert")
    assert session.find(box, "label", "ビットマップ画像 " + damaged + " は不正です。")
    # Said after the program went resident, and on stderr too.
    wait_until(lambda: damaged in session.output(), "the error on stderr")
    session.press(session.find(box, "push button", "OK"))
    session.wait_for_window_gone(box)
    wait_until(lambda: session.window_state("Tesselvane") == "Iconic",
               "the toolbar to be iconified")
    assert session.program.poll() is None

    # Changing once beside it changes nothing and brings nothing forward.
    second = session.start_again("-C")
    assert second.returncode == 0, second.stderr
    assert second.stderr == "", second.stderr
    assert session.window_state("Tesselvane") == "Iconic"
    assert session.pixel(*CORNER) != RED

    # A plain second start brings the toolbar back, and ends.
    second = session.start_again()
    assert second.returncode == 0, second.stderr
    wait_until(lambda: session.window_state("Tesselvane") == "Normal", "the toolbar to return")
    toolbar = session.wait_for_window("Tesselvane", active=True)
    session.press(session.find(toolbar, "push button", "終了"))
    assert session.wait_for_exit() == 0
    assert session.reg_query(KEY + r"\Task", "Index") == "0"


def test_every_command_is_a_right_click_away(session):
    red, green = (os.path.join(session.folder, name + ".bmp") for name in ("red", "green"))
    solid_bmp(red, RED)
    solid_bmp(green, (0, 255, 0))
    one_group(session, red, green)
    session.reg_add(r"HKCU\Control Panel\Desktop", "TileWallpaper", "1")
    session.launch()
    wait_until(lambda: session.window_state("Tesselvane") == "Iconic",
               "the toolbar to be iconified")
    session.start_again()
    wait_until(lambda: session.window_state("Tesselvane") == "Normal", "the toolbar to return")
    toolbar = session.wait_for_window("Tesselvane", active=True)

    # The icon's menu on the toolbar, by a right click on a button of it: 次へ.
    wait_until(lambda: session.pixel(*CORNER) == RED, "the picture of the change at start")
    x, y, width, height = session.extents(session.find(toolbar, "push button", "ｽﾗｲﾄﾞ"))
    session.context_menu(x + width // 2, y + height // 2)
    session.keys("n")
    wait_until(lambda: session.pixel(*CORNER) == (0, 255, 0), "the next picture")

    # Shift+F10 opens it too, with the about box in it; and the Menu key, with 終了.
    session.menu_by_keys("shift+F10")
    session.keys("i")
    about = session.wait_for_window("バージョン情報", active=True)
    session.keys("Escape")
    session.wait_for_window_gone(about)
    session.wait_for_window("Tesselvane", active=True)
    session.menu_by_keys("Menu")
    session.keys("z")
    assert session.wait_for_exit() == 0


def test_a_tray_that_appears_later_takes_the_toolbars_place(session):
    red = os.path.join(session.folder, "red.bmp")
    solid_bmp(red, RED)
    one_group(session, red)
    session.reg_add(KEY + r"\Time", "Option", "1")  # every N seconds, no change at start
    session.reg_add(KEY + r"\Time", "Scale", "2")
    session.reg_add(KEY + r"\Time", "Value", "3600")

    session.launch()
    wait_until(lambda: session.window_state("Tesselvane") == "Iconic",
               "the toolbar to be iconified")

    # The panel starts after the program, as it may at log-in: the icon goes into it and the
    # toolbar leaves the taskbar.
    session.start_tray()
    wait_until(lambda: session.window_state("Tesselvane") is None, "the toolbar to hide")

    # The icon's menu restores the toolbar; its minimise box sends it back to the icon.
    session.tray_menu()
    session.keys("r")
    wait_until(lambda: session.window_state("Tesselvane") == "Normal", "the toolbar to return")
    session.minimise("Tesselvane")
    wait_until(lambda: session.window_state("Tesselvane") is None, "the toolbar to hide again")
    session.tray_menu()
    session.keys("z")
    assert session.wait_for_exit() == 0


def test_with_a_notification_service_failing_changes_are_notifications(session):
    damaged = damaged_then_red(session)
    session.reg_add(KEY + r"\Time", "Option", "1")  # every second
    session.reg_add(KEY + r"\Time", "Scale", "2")
    session.reg_add(KEY + r"\Time", "Value", "1")
    session.reg_add(r"HKCU\Control Panel\Desktop", "TileWallpaper", "1")
    session.start_notification_service()

    # No notification area, but a notification service: each failed change is one of its
    # notifications, no box waits for anyone, and the changes go on.
    session.launch()
    # (The service shows repeats of one message as one.)
    wait_until(lambda: session.output().count(damaged) >= 2, "two failed changes")
    wait_until(lambda: session.notifications_shown() >= 1, "the failure notified")
    wait_until(lambda: session.pixel(*CORNER) == RED, "the next picture after the damaged one")
    assert not session.windows_of_role("alert")
    assert session.program.poll() is None
    # Ended first: its failures would go on making notifications while they are read.
    session.program.terminate()
    session.wait_for_exit()
    shown = session.dismiss_notifications()
    assert ("Tesselvane", "ビットマップ画像 " + damaged + " は不正です。") in shown, shown


if __name__ == "__main__":
    tesselvane_session.main(test_without_a_tray_the_toolbar_waits_in_the_taskbar,
                            test_every_command_is_a_right_click_away,
                            test_a_tray_that_appears_later_takes_the_toolbars_place,
                            test_with_a_notification_service_failing_changes_are_notifications)
