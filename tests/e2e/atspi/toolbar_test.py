"""The toolbar of the installed program as a screen reader meets it: every control named and
reachable, a press that changes the desktop's arrangement, and the exit that stores the
window's place."""

import os

import tesselvane_session
from tesselvane_session import inside, wait_until

DESKTOP = r"HKCU\Control Panel\Desktop"
TASK = r"HKCU\SOFTWARE\Morvanti\TESSEL\Task"
OPTION = r"HKCU\SOFTWARE\Morvanti\TESSEL\Option"

# In the order Tab visits them.
BUTTONS = ["終了", "開始", "ｸﾞﾙｰﾌﾟの編集", "時間の設定", "画面全体に表示", "中央に表示", "ｽﾗｲﾄﾞ",
           "ｵﾌﾟｼｮﾝ", "ﾍﾙﾌﾟ"]


def test_toolbar(session):
    # Tiled beforehand, so that only the press can make it centred.
    session.reg_add(DESKTOP, "TileWallpaper", "1")
    assert session.reg_query(TASK, "Left") is None

    session.launch()
    toolbar = session.wait_for_window("Tesselvane")

    # The installed copy runs its own module, and its own plug-ins in its own helper process,
    # never the build's; no plug-in is loaded into the program itself.
    mapped = session.mapped_files()
    helpers = session.child_processes()
    assert len(helpers) == 1, helpers
    # The helper is asked about the plug-ins while the window is made: wait for its answers.
    def helper_files_once_plugins_loaded():
        files = session.mapped_files(helpers[0])
        loaded = all(session.program_folder + name in files
                     for name in ("calendar.bpi", "colorfilter.bpi"))
        return files if loaded else None
    in_helper = wait_until(helper_files_once_plugins_loaded,
                           "the helper to load the extension plug-ins")
    assert session.program_folder + "tesselvane-main.so" in mapped, sorted(mapped)
    assert session.program_folder + "tesselvane-plugin-host" in in_helper, sorted(in_helper)
    for name in ("calendar.bpi", "colorfilter.bpi"):
        assert session.program_folder + name in in_helper, f"{name} not loaded from the " \
            f"program folder: {sorted(in_helper)}"
        assert session.program_folder + name not in mapped, f"{name} loaded into the program"
    build_bin = os.path.join(session.build_dir, "bin") + "/"
    assert not [f for f in mapped | in_helper if f.startswith(build_bin)], sorted(mapped)

    buttons = {name: session.find(toolbar, ("push button", "check box"), name)
               for name in BUTTONS}
    group = session.find(toolbar, "combo box", "ｸﾞﾙｰﾌﾟ")
    window_box = session.extents(toolbar)
    for control in [*buttons.values(), group]:
        states = session.states(control)
        missing = {"showing", "visible", "enabled", "focusable"} - states
        assert not missing, f"{control.name}: not {missing}"
        assert inside(session.extents(control), window_box), \
            f"{control.name} lies outside the toolbar: {session.extents(control)} {window_box}"
    tile, center = buttons["画面全体に表示"], buttons["中央に表示"]
    assert "checked" in session.states(tile) and "checked" not in session.states(center)

    # Tab goes round every control; the tile/centre pair is one stop, at its pressed button,
    # as with radio buttons.
    session.focus(buttons["終了"])
    expected = [n for n in BUTTONS if n != "中央に表示"][1:] + ["ｸﾞﾙｰﾌﾟ", "終了"]
    visited = []
    for _ in expected:
        before = visited[-1] if visited else "終了"
        session.keys("Tab")
        now = wait_until(lambda: (f := session.focused(toolbar)) is not None and
                         f.name != before and f, f"Tab to move the focus on from {before}")
        visited.append(now.name)
    assert visited == expected, visited

    # The pair's only action, Toggle, as a screen reader offers it.
    session.press(center)
    wait_until(lambda: session.reg_query(DESKTOP, "TileWallpaper") == "0",
               "TileWallpaper to become 0")
    session.wait_for_state(center, "checked")
    session.wait_for_state(tile, "checked", present=False)

    session.move_window("Tesselvane", 300, 200)
    session.press(buttons["終了"])
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    assert (session.reg_query(TASK, "Left"), session.reg_query(TASK, "Top")) == ("300", "200")
    assert session.reg_query(OPTION, "PluginPath") == session.program_folder


if __name__ == "__main__":
    tesselvane_session.main(test_toolbar)
