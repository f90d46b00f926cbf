"""The weekday groups from the schedule dialog of the installed program, driven through the
accessibility tree: the table is stored by its own OK at once, while the schedule dialog's
Cancel keeps its own switch as it was."""

import tesselvane_session
from tesselvane_session import wait_until

KEY = r"HKCU\SOFTWARE\Morvanti\TESSEL"


def test_weekday_dialog(session):
    session.reg_add(KEY + r"\GroupName", "Group0", "Sea")
    session.reg_add(KEY + r"\GroupName", "Group1", "Hills")
    session.reg_add(KEY + r"\Time\Friday", "GroupName", "sea")  # any letter case
    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    session.press(session.find(toolbar, "push button", "時間の設定"))
    schedule = session.wait_for_window("時間の設定", active=True)
    session.set_checked(session.find(schedule, "check box", "曜日毎にグループを切り替える"))

    session.press(session.find(schedule, "push button", "曜日別グループの設定"))
    weekday = session.wait_for_window("曜日別グループの設定", active=True)
    lists = session.find_all(weekday, "combo box")
    assert len(lists) == 7, [session.chosen(c) for c in lists]
    assert session.chosen(lists[5]) == "Sea", "Friday's group, found without regard to case"
    session.choose(session.find(weekday, "combo box", "月曜"), "Hills")
    session.press(session.find(weekday, "push button", "OK"))
    session.wait_for_window_gone(weekday)
    wait_until(lambda: session.reg_query(KEY + r"\Time\Monday", "GroupName") == "Hills",
               "Monday's group to be stored")
    assert session.reg_query(KEY + r"\Time\Sunday", "GroupName") == ""
    assert session.reg_query(KEY + r"\Time\Friday", "GroupName") == "Sea"

    session.press(session.find(schedule, "push button", "Cancel"))
    session.wait_for_window_gone(schedule)
    session.press(session.find(toolbar, "push button", "終了"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    assert session.reg_query(KEY + r"\Time", "SetWeekday") == "0"
    assert session.reg_query(KEY + r"\Time\Monday", "GroupName") == "Hills"
    assert session.reg_query(KEY + r"\SetWeekday", "Left") is not None


if __name__ == "__main__":
    tesselvane_session.main(test_weekday_dialog)
