"""The program among the desktop's: a later start hands its URLs to the running copy, and a
start through the menu entry's command keeps its files in the user's data folder."""
import os
import shlex
import stat
import subprocess

from e2e_world import Failed, check

ENTRY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "desktop",
                     "org.larkspur.Larkspur.desktop")


def handover(s):
    s.prepare([s.url("plain", "a.bin")])
    s.start_app()
    added = s.url("plain", "added.bin")
    second = subprocess.run([s.larkspur, added], cwd=s.home, env=s.app_env(), capture_output=True,
                            text=True, timeout=20)
    check(second.returncode == 0, f"the second start ended with {second.returncode}: {second.stderr}")
    check(s.error_boxes() == [], "an error box came up")
    s.shot("handed-over")
    s.exit_app()  # Exit saves the list
    check(s.url_list() == [s.url("plain", "a.bin"), added], f"the list reads {s.url_list()}")
    return "the URL went to the end of the running copy's list"


def entry_command(url):
    """The menu entry's Exec line as a launcher runs it: %U becomes the URLs."""
    with open(ENTRY) as f:
        exec_line = next(line for line in f if line.startswith("Exec="))[len("Exec="):]
    words = shlex.split(exec_line)
    check(words[0] == "larkspur" and "%U" in words, f"the entry runs {exec_line.strip()}")
    return [url if word == "%U" else word for word in words[1:]]


def menustart(s):
    s.prepare([s.url("plain", "a.bin")])  # what earlier menu starts left in the home folder
    before = {name: open(os.path.join(s.home, name), "rb").read() for name in ("1.pwl", "1.txt")}
    added = s.url("plain", "added.bin")
    s.start_app(arguments=entry_command(added))
    s.exit_app()
    data = os.path.join(s.home, ".local", "share", "larkspur")
    check(stat.S_IMODE(os.stat(data).st_mode) == 0o700, "the data folder is not the user's alone")
    kept = sorted(os.listdir(data))
    check({"1.pwl", "1.txt", ".larkspur.lock"} <= set(kept), f"the data folder holds {kept}")
    with open(os.path.join(data, "1.txt"), "rb") as f:
        check(f.read().decode("cp1251").split("\r\n")[:2] == [s.url("plain", "a.bin"), added],
              "the list did not come along with the added URL")
    home = sorted(entry for entry in os.listdir(s.home) if entry not in (".local", "Downloads"))
    check(home == ["1.pwl", "1.txt"], f"the home folder holds {home}")
    for name, data_before in before.items():
        with open(os.path.join(s.home, name), "rb") as f:
            check(f.read() == data_before, f"{name} in the home folder changed")
    return f"the data folder holds {kept}; the home folder only what was there"


SCENARIOS = {"handover": handover, "menustart": menustart}
