"""The options dialog of the installed program, driven through the accessibility tree: the
tabs, the seconds enabled only for automatic switching and typed past their range, the sound
switch enabling its controls, "更新(A)" followed by Cancel keeping what was applied, and OK."""

import os

import tesselvane_session
from tesselvane_session import wait_until

OPTION = r"HKCU\SOFTWARE\Morvanti\TESSEL\Option"


def open_dialog(session, toolbar):
    session.press(session.find(toolbar, "push button", "ｵﾌﾟｼｮﾝ"))
    return session.wait_for_window("オプション", active=True)


def show_tab(session, dialog, name, control):
    """Clicks the tab and waits for one of its controls to show (Qt marks no tab selected)."""
    session.click(session.find(dialog, "page tab", name))
    session.wait_for_state(control, "showing")


def test_option_dialog(session):
    session.reg_add(OPTION, "SlideMode", "1")
    session.launch()
    toolbar = session.wait_for_window("Tesselvane")
    dialog = open_dialog(session, toolbar)

    random = session.find(dialog, "check box", "ランダム")
    show_tab(session, dialog, "基本", random)
    session.set_checked(random)
    # How to fit is chosen once fitting is on. (Qt names a drop-down by its choice here.)
    fit_style = session.find(dialog, "combo box", "引き伸ばす")
    assert "enabled" not in session.states(fit_style)
    session.set_checked(session.find(dialog, "check box",
                                     "画面サイズに合わせて壁紙を拡大・縮小表示する"))
    session.wait_for_state(fit_style, "enabled")
    session.choose(fit_style, "画面を埋める")
    session.screenshot(os.path.join(session.folder, "fit-style.png"))
    seconds = session.find(dialog, "text", "秒毎に切り替える")
    show_tab(session, dialog, "スライド", seconds)
    assert "enabled" not in session.states(seconds), "manual switching has no seconds"
    session.set_checked(session.find(dialog, "radio button", "自動切替"))
    session.wait_for_state(seconds, "enabled")
    session.focus(seconds)
    session.keys("ctrl+a")
    session.type_text("90")
    wait_until(lambda: session.text(seconds) == "60",
               lambda: f"the seconds to become 60 (they are {session.text(seconds)!r})")
    # Applied, then cancelled: what was applied stays.
    session.press(session.find(dialog, "push button", "更新(A)"))
    session.press(session.find(dialog, "push button", "ｷｬﾝｾﾙ"))
    session.wait_for_window_gone(dialog)

    dialog = open_dialog(session, toolbar)
    seconds = session.find(dialog, "text", "秒毎に切り替える")
    assert "showing" in session.states(seconds), "it reopens on the tab last shown"
    chooser = session.find(dialog, "push button", "サウンドファイルの参照")
    show_tab(session, dialog, "サウンド", chooser)
    assert "enabled" not in session.states(chooser)
    session.set_checked(session.find(dialog, "check box", "壁紙変更時にサウンドを鳴らす"))
    session.wait_for_state(chooser, "enabled")
    session.set_checked(session.find(dialog, "radio button", "変更終了時"))
    session.keys("Escape")  # bound to no button here
    assert "showing" in session.states(dialog)
    session.press(session.find(dialog, "push button", "OK"))
    session.wait_for_window_gone(dialog)

    session.press(session.find(toolbar, "push button", "終了"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"
    stored = {name: session.reg_query(OPTION, name)
              for name in ("Random", "FitScreen", "FitStyle", "SlideMode", "SlideTime",
                           "UseSound", "SoundPos")}
    assert stored == {"Random": "1", "FitScreen": "1", "FitStyle": "2", "SlideMode": "0",
                      "SlideTime": "60", "UseSound": "1", "SoundPos": "1"}, stored


if __name__ == "__main__":
    tesselvane_session.main(test_option_dialog)
