#!/usr/bin/python3
"""Takes the screenshots of the manual's first page, in Japanese and in English, by walking
through a first use on a private desktop: a group from the pictures folder, an interval, Start.

    scripts/manual-screenshots.py --build build --prefix build/e2e-install

(the prefix is the installed copy the tests use: `ctest --test-dir build -R e2e_install`).
The pictures are written to app/manual/images/, named after their step, ".en" for English.
Needs ImageMagick's convert to cut each window out of the screen, and root: the user's home
is /home/hanako on a /home of its own (a mount namespace), so no test folder shows."""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e", "atspi"))
sys.path.insert(0, os.path.join(ROOT, "i18n"))

import english  # noqa: E402
import tesselvane_session  # noqa: E402
from tesselvane_session import solid_bmp, wait_until  # noqa: E402

IMAGES = os.path.join(ROOT, "app", "manual", "images")
HOME = "/home/hanako"


def walk(session, lang):
    def text(japanese, context=None):
        if lang == "ja":
            return japanese
        return english.IN_CONTEXT.get((context, japanese)) or english.ENGLISH[japanese]

    def shoot(step):
        """The active window, with its frame, as images/<step>[.en].png."""
        window = session._xdotool("getactivewindow").strip()
        x, y, width, height, left, top = session.frame_of(window)
        width, height = width + 2 * left, height + top + left
        screen = session.screenshot()
        suffix = "" if lang == "ja" else ".en"
        subprocess.run(["convert", screen, "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                        "-strip", os.path.join(IMAGES, f"{step}{suffix}.png")], check=True)

    session.env["HOME"] = HOME
    pictures = os.path.join(HOME, "Pictures")
    for folder, colours in (("Travel", [(40, 110, 180), (200, 150, 60)]),
                            ("Family", [(60, 150, 80)])):
        os.makedirs(os.path.join(pictures, folder), exist_ok=True)
        for index, colour in enumerate(colours):
            solid_bmp(os.path.join(pictures, folder, f"{index + 1:03}.bmp"), colour, size=64)

    # The folder of the date modes, which would show the program's own folder in the build.
    session.reg_add(r"HKCU\SOFTWARE\Morvanti\TESSEL\Time", "Path", pictures + "/")
    env = {"LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"} if lang == "en" else None
    session.launch(env=env)
    toolbar = session.wait_for_window("Tesselvane", active=True)
    shoot("start-1-toolbar")

    session.press(session.find(toolbar, "push button", text("ｸﾞﾙｰﾌﾟの編集")))
    groups = session.wait_for_window(text("グループメンテナンス"), active=True)
    name = session.find(groups, "text", text("グループ名"))
    session.set_text(name, "Photos" if lang == "en" else "写真")
    session.press(session.find(groups, "push button", text("追加")))
    wait_until(lambda: session.text(name) == "", "the group to be added")
    group = session.reg_query(r"HKCU\SOFTWARE\Morvanti\TESSEL\GroupName", "Group0")
    edit = session.find(groups, "push button", text("設定...", "TfrmGroup"))
    session.wait_for_state(edit, "enabled")
    shoot("start-2-groups")

    session.press(edit)
    title = text("グループ「") + group + text("」の設定")
    contents = session.wait_for_window(title, active=True)
    session.set_checked(session.find(contents, "radio button", text("フォルダ指定")))
    session.press(session.find(contents, "push button", text("参照")))
    chooser = session.wait_for_window(text("フォルダの参照"), active=True)
    shoot("start-3-folder")
    session.keys("Return")
    session.wait_for_window_gone(chooser)
    folder = session.find(contents, "text", text("フォルダ"))
    wait_until(lambda: session.text(folder) == pictures,
               lambda: f"the folder chosen (it is {session.text(folder)!r})")
    shoot("start-4-contents")
    session.press(session.find(contents, "push button", "OK"))
    session.wait_for_window_gone(contents)
    session.press(session.find(groups, "push button", text("終了")))
    session.wait_for_window_gone(groups)

    session.choose(session.find(toolbar, "combo box"), group)
    session.press(session.find(toolbar, "push button", text("時間の設定")))
    schedule = session.wait_for_window(text("時間の設定"), active=True)
    session.set_checked(session.find(schedule, "radio button", text("一定時間が経過したら変更する")))
    interval = session.find(schedule, "text", text("変更の間隔"))
    session.wait_for_state(interval, "enabled")
    session.focus(interval)
    session.keys("ctrl+a")
    session.type_text("30")
    wait_until(lambda: session.text(interval) == "30", "the interval")
    session.set_checked(session.find(schedule, "radio button", text("分")))
    shoot("start-5-schedule")
    session.press(session.find(schedule, "push button", "OK"))
    session.wait_for_window_gone(schedule)

    session.press(session.find(toolbar, "push button", text("開始")))
    wait_until(lambda: session.window_state("Tesselvane") == "Iconic", "the program resident")
    session.program.terminate()
    session.wait_for_exit()


def japanese(session):
    walk(session, "ja")


def in_english(session):
    walk(session, "en")


if __name__ == "__main__":
    if os.environ.get("TESSELVANE_MANUAL_HOME") != HOME:
        os.environ["TESSELVANE_MANUAL_HOME"] = HOME
        os.execvp("unshare", ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                              'mount -t tmpfs tmpfs /home && exec "$@"', "sh",
                              sys.executable, "-B", *sys.argv])
    os.makedirs(IMAGES, exist_ok=True)
    tesselvane_session.main(japanese, in_english)
