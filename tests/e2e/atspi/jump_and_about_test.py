"""The jump dialog and the about box of the installed program, reached as a user reaches them:
from the menu of the program's icon in a notification area. A jump makes another group's
picture the wallpaper at once; the about box names the program and its version."""

import os

import tesselvane_session
from tesselvane_session import solid_bmp, wait_until, write_bmp

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
CORNER = (600, 740)  # far from the tray, its menu and the dialogs


def test_jump_and_about(session):
    paths = {}
    for name, colour in (("red", RED), ("green", GREEN), ("blue", BLUE)):
        paths[name] = os.path.join(session.folder, name + ".bmp")
        solid_bmp(paths[name], colour)
    session.reg_add(KEY + r"\GroupName", "Group0", "Warm")
    session.reg_add(KEY + r"\GroupName", "Group1", "Cool")
    session.reg_add(KEY + r"\Files\Warm", "File0000", paths["red"])
    session.reg_add(KEY + r"\Files\Cool", "File0000", paths["green"])
    session.reg_add(KEY + r"\Files\Cool", "File0001", paths["blue"])
    session.reg_add(KEY + r"\Task", "Default", "0")
    session.reg_add(r"HKCU\Control Panel\Desktop", "TileWallpaper", "1")

    session.start_tray()
    session.launch()  # a group is chosen: resident at once, after the change at start
    wait_until(lambda: session.pixel(*CORNER) == RED, "the first group's picture")

    session.tray_menu()
    session.keys("j")
    jump = session.wait_for_window("ジャンプ", active=True)
    assert not session.unnamed_controls(jump), session.unnamed_controls(jump)
    groups = session.find(jump, "combo box")
    assert session.chosen(groups) == "Warm"
    decide = session.find(jump, "push button", "決定")
    assert "enabled" in session.states(decide), "the current picture is selected"
    session.choose(groups, "Cool")
    files = session.find(jump, "list", "ファイル")
    wait_until(lambda: "enabled" not in session.states(decide), "決定 to wait for a picture")
    session.choose(files, "blue.bmp")
    session.wait_for_state(decide, "enabled")
    session.press(decide)
    session.wait_for_window_gone(jump)
    wait_until(lambda: session.pixel(*CORNER) == BLUE, "the jumped-to picture")

    session.tray_menu()
    session.keys("i")
    about = session.wait_for_window("バージョン情報", active=True)
    labels = {label.name for label in session.find_all(about, "label")}
    for expected in ("Tesselvane", "Version", "1.00", "Morvanti"):
        assert expected in labels, f"{expected!r} not among {sorted(labels)}"
    # The box holds the toolbar, not the icon: its menu opens beside the box, and works.
    session.tray_menu()
    session.keys("c")  # 壁紙を消す
    wait_until(lambda: session.pixel(*CORNER) != BLUE, "the wallpaper to go")
    session.press(session.find(about, "push button", "OK"))
    session.wait_for_window_gone(about)

    session.tray_menu()
    session.keys("z")
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    assert session.reg_query(KEY + r"\Task", "Default") == "1"
    assert session.reg_query(KEY + r"\Task", "Index") == "1"
    assert session.reg_query(KEY + r"\Jump", "Left") is not None


def stripes_on_screen(session):
    """How many screen pixels differ in colour from their neighbours on the left, red beside
    blue, in the screen's busiest row."""
    width, _, rows = session._grab()
    best = 0
    for row in rows:
        line = [tuple(row[x * 3:x * 3 + 3]) for x in range(width)]
        best = max(best, sum(1 for left, right in zip(line, line[1:])
                             if {left, right} == {RED, BLUE}))
    return best


def test_the_jump_preview_shows_every_screen_pixel_on_a_scaled_desktop(session):
    # The preview is 151×111 at a scale of 2: a picture of 302×222 fits it pixel for pixel.
    stripes = os.path.join(session.folder, "stripes.bmp")
    # Columns of red and blue, one pixel each: enlarged they blur or widen.
    write_bmp(stripes, 302, 222, lambda x, y: RED if x % 2 else BLUE)
    plain = os.path.join(session.folder, "plain.bmp")
    solid_bmp(plain, GREEN)
    for index, (group, path) in enumerate((("Plain", plain), ("Stripes", stripes))):
        session.reg_add(KEY + r"\GroupName", f"Group{index}", group)
        session.reg_add(KEY + r"\Files" + "\\" + group, "File0000", path)
    session.reg_add(KEY + r"\Task", "Default", "0")
    session.launch(env={"QT_SCALE_FACTOR": "2"})
    wait_until(lambda: session.window_state("Tesselvane") == "Iconic", "the program resident")
    session.start_again("--jump")
    jump = session.wait_for_window("ジャンプ", active=True)
    # By keys, from the group box, which has the focus: the accessible extents of a scaled
    # desktop are not the screen's.
    groups = session.find(jump, "combo box")
    session.keys("Down")
    wait_until(lambda: session.chosen(groups) == "Stripes", "the striped group")
    session.keys("Tab", "Down")
    wait_until(lambda: stripes_on_screen(session) > 290,
               lambda: f"the stripes one screen pixel wide ({stripes_on_screen(session)} seen)")
    session.press(session.find(jump, "push button", "ｷｬﾝｾﾙ"))
    session.wait_for_window_gone(jump)


if __name__ == "__main__":
    tesselvane_session.main(test_jump_and_about,
                            test_the_jump_preview_shows_every_screen_pixel_on_a_scaled_desktop)
