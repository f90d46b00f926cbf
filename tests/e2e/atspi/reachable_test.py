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


def test_without_a_tray_the_toolbar_waits_in_the_taskbar(session):
    damaged = os.path.join(session.folder, "damaged.bmp")
    with open(damaged, "wb") as file:
        file.write(b"BM not a bitmap")
    red = os.path.join(session.folder, "red.bmp")
    solid_bmp(red, RED)
    one_group(session, damaged, red)

    # A group is chosen: the change at start, then resident. The change fails, and says so.
    session.launch()
    box = session.wait_for_window("Tesselvane", role="alert", active=True)
    assert session.find(box, "label", "ビットマップ画像 " + damaged + " は不正です。")
    session.press(session.find(box, "push button", "OK"))
    session.wait_for_window_gone(box)

    # The start goes on: no notification area, so the toolbar waits iconified.
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


if __name__ == "__main__":
    tesselvane_session.main(test_without_a_tray_the_toolbar_waits_in_the_taskbar,
                            test_a_tray_that_appears_later_takes_the_toolbars_place)
