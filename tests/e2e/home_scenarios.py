"""A night that survives a damaged home: a damaged settings file, a second copy on the same
folder, a download folder that cannot be written, a download folder the settings file cannot
hold, and the end of the window."""
import os
import subprocess
import time

from e2e_world import MB, Failed, check, typical_entry


def files_of(folder):
    return {entry.name: (entry.stat().st_size, entry.stat().st_mtime_ns) for entry in os.scandir(folder)
            if entry.is_file()}


def damagedhome(s):
    s.prepare([s.url("plain", "a.bin"), s.url("plain", "b.bin")])
    before = open(os.path.join(s.home, "1.txt"), "rb").read()
    open(os.path.join(s.home, "1.pwl"), "wb").write(os.urandom(120))  # short and random
    s.start_app(wait=False)
    s.dismiss_error_box()  # "Read beyond end of file."
    s.wait_for_window()
    s.exit_app()
    check(open(os.path.join(s.home, "1.txt"), "rb").read() == before, "Exit changed 1.txt")
    return f"1.txt kept its {len(before)} bytes"


def secondcopy(s):
    s.add_file("slow.bin", 5 * MB)
    s.prepare([s.url("rate1500000", "slow.bin")])
    s.start_app()
    s.press("Begin")
    s.wait_for(lambda: s.size_of("slow.bin") > 0, 30, "the transfer to start")
    home = files_of(s.home)
    second = subprocess.Popen([s.larkspur], cwd=s.home, env=s.app_env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
    s.processes.append(second)
    try:
        status = second.wait(10)
    except subprocess.TimeoutExpired:
        raise Failed("the second copy did not end")
    # It hands its (no) URLs to the first and ends, with no box.
    check(status == 0 and s.error_boxes() == [], f"the second copy ended with {status}: {second.stderr.read()}")
    check(files_of(s.home) == home, "the second copy touched the working folder")
    s.wait_for_log("All files downloaded", 60)
    s.assert_whole("slow.bin")
    check(not any(line.startswith("Error") for line in s.log()), "the first copy logged an error")
    s.exit_app()
    return f"the second copy ended with status {status}, the first finished the file whole"


def readonly(s):
    s.add_file("f.bin", 100 * 1024)
    s.prepare([s.url("plain", "f.bin")])
    record = bytearray(open(os.path.join(s.home, "1.pwl"), "rb").read())
    record[130] = 1  # Disconnect from the internet when done
    open(os.path.join(s.home, "1.pwl"), "wb").write(record)
    # Read-only in a mount namespace of the program's own, so that root cannot write there either.
    read_only = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                 'mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" "$0" && exec "$@"', s.downloads]
    s.start_app(prefix=read_only)  # the simulated modem, which hangs up, needs real timers
    s.press("Begin")
    s.wait_for(lambda: len(s.requests) >= 3, 60, "three tries of the file")
    time.sleep(10)  # the night has ended: no retry pause, no new dial, no fourth try
    check(len(s.requests) == 3, f"{len(s.requests)} tries of a file the folder cannot take")
    check(s.log() == [] and s.error_boxes() == [], "a log was written or an error box is up")
    subprocess.run(["nsenter", "--target", str(s.app.pid), "--mount", "mount", "-o", "remount,rw,bind",
                    s.downloads, s.downloads], check=True)
    s.press("Begin")  # the driver's next run saves the whole log
    s.wait_for(lambda: "Resume download: " + s.url("plain", "f.bin") in s.log()
               or "Start download: " + s.url("plain", "f.bin") in s.log()[5:], 30, "the log")
    log = s.log()
    failure = f'Cannot create file "{s.downloaded("log.txt")}". Read-only file system'
    reason = "The download folder cannot be written: Read-only file system. The list is kept."
    end = log.index(reason)
    check(log[end + 1].startswith("Total time: ") and log[end + 2].startswith("Total downloaded: ")
          and log[end + 3] == failure, f"the night ended with {log[end:end + 4]}")
    check(not any(line.startswith("Given up:") for line in log), "the line was given up")
    check("Connecting. Attempt #2" in log[end:], "the line was not hung up at the end of the job")
    check(s.error_boxes() == [], "an error box is up")
    s.exit_app()
    return f"3 tries, the night ended with the list kept, {log.count(failure)} failed log saves reported on screen"


def userdirs(s):
    """The desktop's download folder is ~/Téléchargements, which 1.pwl cannot hold."""
    os.makedirs(os.path.join(s.home, ".config"))
    with open(os.path.join(s.home, ".config", "user-dirs.dirs"), "w") as f:
        f.write('XDG_DOWNLOAD_DIR="$HOME/Téléchargements"\n')
    s.downloads = os.path.join(s.home, "Téléchargements")
    name = s.add_file(f"userdirs-{os.getpid()}.bin", 64 * 1024)
    list_file = os.path.join(s.home, "1.txt")
    open(list_file, "wb").write(s.url("plain", name).encode("cp1251") + b"\r\n")
    before = open(list_file, "rb").read()
    open(os.path.join(s.home, "1.pwl"), "wb").write(os.urandom(120))  # short and random
    s.start_app(wait=False)
    s.dismiss_error_box()  # "Read beyond end of file."
    s.wait_for_window()
    check(s.error_boxes() == [], "a second error box is up")
    s.exit_app()
    check(open(list_file, "rb").read() == before, "Exit lost the list")
    record = open(os.path.join(s.home, "1.pwl"), "rb").read()
    check(len(record) == 299 and record[131] == 0, "the folder was stored mangled in 1.pwl")

    # The record now holds the window's defaults, 02:00 to 09:00.
    s.start_app(dialup="direct", faketime="@2026-12-08 02:30:00")
    check(s.error_boxes() == [], "an error box is up at the second start")
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    s.assert_whole(name)
    as_logged = s.downloaded(name).encode("cp1251", "replace").decode("cp1251")  # "é" is "?"
    typical_entry(s.log(), s.url("plain", name), as_logged, name, 64 * 1024)
    check(not os.path.exists("/" + name) and os.listdir(os.path.join(s.home, "Downloads")) == [],
          "a file went elsewhere")
    s.exit_app()
    return f"{name} and log.txt in {s.downloads}, 1.txt kept its {len(before)} bytes"


SCENARIOS = {"damagedhome": damagedhome, "userdirs": userdirs, "secondcopy": secondcopy,
             "readonly": readonly}
