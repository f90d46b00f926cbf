"""The installed program under an English locale, as a screen reader meets it: the toolbar's
controls and a dialog speak English."""

import tesselvane_session

ENGLISH = {"LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"}
BUTTONS = ["Exit", "Start", "Edit groups", "Schedule", "Tile", "Centre", "Slide show", "Options",
           "Help"]


def test_english(session):
    session.launch(env=ENGLISH)
    toolbar = session.wait_for_window("Tesselvane")
    for name in BUTTONS:
        session.find(toolbar, ("push button", "check box"), name)
    session.find(toolbar, "combo box", "Group")

    session.press(session.find(toolbar, "push button", "Options"))
    dialog = session.wait_for_window("Options", active=True)
    for tab in ("General", "Slide show", "Susie Plug-in", "Sound", "Plug-ins"):
        session.find(dialog, "page tab", tab)
    session.find(dialog, "check box", "Random")
    session.press(session.find(dialog, "push button", "Cancel"))
    session.wait_for_window_gone(dialog)

    session.press(session.find(toolbar, "push button", "Exit"))
    status = session.wait_for_exit()
    assert status == 0, f"exit status {status}:\n{session.output()}"


if __name__ == "__main__":
    tesselvane_session.main(test_english)
