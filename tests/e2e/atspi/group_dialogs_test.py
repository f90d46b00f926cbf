"""The group dialogs of the installed program, driven through the accessibility tree: groups
added and removed from their list, a picture added to one through the picture open dialog,
and the main window's group box reloaded afterwards."""

import os

import tesselvane_session
from tesselvane_session import solid_bmp, wait_until

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"


def test_group_dialogs(session):
    pictures = os.path.join(session.folder, "pictures")
    os.makedirs(pictures)
    lake = os.path.join(pictures, "lake.bmp")
    solid_bmp(lake, (0, 90, 200))

    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    session.press(session.find(toolbar, "push button", "ｸﾞﾙｰﾌﾟの編集"))
    groups = session.wait_for_window("グループメンテナンス", active=True)
    assert not session.unnamed_controls(groups), session.unnamed_controls(groups)
    name = session.find(groups, "text", "グループ名")
    add = session.find(groups, "push button", "追加")
    remove = session.find(groups, "push button", "削除")
    assert "enabled" not in session.states(add)
    assert "enabled" not in session.states(remove)

    # Qt presses a button with a short animation: an added name empties the edit after it.
    for typed in ("  Lakes ", "Hills"):
        session.set_text(name, typed)
        session.press(add)
        wait_until(lambda: session.text(name) == "", f"{typed!r} to be added")
    assert session.reg_query(KEY + r"\GroupName", "Group1") == "Hills"
    session.set_text(name, "lakes")
    session.press(add)
    warning = session.wait_for_window("警告", active=True)
    assert session.find(warning, "label", "二重登録です")
    session.press(session.find(warning, "push button", "OK"))
    session.wait_for_window_gone(warning)
    assert session.reg_query(KEY + r"\GroupName", "Group0") == "Lakes"
    assert session.reg_query(KEY + r"\GroupName", "Group2") is None

    group_list = session.find(groups, "list", "グループ")
    session.choose(group_list, "Hills")
    session.press(remove)
    wait_until(lambda: session.reg_query(KEY + r"\GroupName", "Group1") is None,
               "Hills to be removed")

    session.choose(group_list, "Lakes")
    session.press(session.find(groups, "push button", "設定..."))
    contents = session.wait_for_window("グループ「Lakes」の設定", active=True)
    assert not session.unnamed_controls(contents), session.unnamed_controls(contents)
    session.press(session.find(contents, "push button", "追加"))
    known = {w.name for w in session.windows()}
    opener = wait_until(lambda: next((w for w in session.windows() if w.name not in known
                                      and "active" in session.states(w)), None),
                        "the picture open dialog")
    session.keys("ctrl+a")
    session.type_text(lake)
    session.keys("Return")
    session.wait_for_window_gone(opener)
    wait_until(lambda: session.reg_query(KEY + r"\Files\Lakes", "File0000") == lake,
               "the picture to be stored in the group")
    assert session.reg_query(KEY + r"\Files\Lakes", "Type") == "0"
    assert session.reg_query(KEY + r"\Files", "Path") == pictures + "/"
    assert session.find(contents, "list item", "lake.bmp")

    session.press(session.find(contents, "push button", "OK"))
    session.wait_for_window_gone(contents)
    session.press(session.find(groups, "push button", "終了"))
    session.wait_for_window_gone(groups)

    # The toolbar offers the new group.
    box = session.find(toolbar, "combo box")
    session.choose(box, "Lakes")
    session.press(session.find(toolbar, "push button", "終了"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    assert session.reg_query(KEY + r"\Task", "Default") == "0"
    assert session.reg_query(KEY + r"\Group", "Left") is not None
    assert session.reg_query(KEY + r"\GroupSet", "Left") is not None


def test_the_preview_is_dragged_and_sized_beside_its_dialog(session):
    lake = os.path.join(session.folder, "lake.bmp")
    solid_bmp(lake, (0, 90, 200))
    session.reg_add(KEY + r"\GroupName", "Group0", "Lakes")
    session.reg_add(KEY + r"\Files\Lakes", "File0000", lake)
    session.reg_add(KEY + r"\Preview", "Left", "600")
    session.reg_add(KEY + r"\Preview", "Top", "100")
    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    session.press(session.find(toolbar, "push button", "ｸﾞﾙｰﾌﾟの編集"))
    groups = session.wait_for_window("グループメンテナンス", active=True)
    session.choose(session.find(groups, "list", "グループ"), "Lakes")
    session.press(session.find(groups, "push button", "設定..."))
    contents = session.wait_for_window("グループ「Lakes」の設定", active=True)
    session.choose(session.find(contents, "list", "ファイル"), "lake.bmp")
    preview_box = session.find(contents, "check box", "Preview")
    session.set_checked(preview_box)
    wait_until(lambda: session.window_geometry("Preview") == (600, 100, 128, 128),
               "the preview at its stored place")

    # Anywhere on the picture moves it; its bottom-right corner sizes it.
    def dragged(start, end, geometry):
        session.drag(start, end, lambda: session.window_geometry("Preview") == geometry,
                     lambda: f"the preview at {geometry} (it is at "
                     f"{session.window_geometry('Preview')})")

    dragged((664, 164), (714, 464), (650, 400, 128, 128))
    dragged((776, 526), (836, 566), (650, 400, 188, 168))

    # Hidden, it keeps its place.
    session.click(preview_box)
    wait_until(lambda: session.window_state("Preview") is None, "the preview to hide")
    assert [session.reg_query(KEY + r"\Preview", name) for name in
            ("Left", "Top", "Width", "Height")] == ["650", "400", "188", "168"]
    session.click(session.find(contents, "push button", "OK"))
    session.wait_for_window_gone(contents)


if __name__ == "__main__":
    tesselvane_session.main(test_group_dialogs,
                            test_the_preview_is_dragged_and_sized_beside_its_dialog)
