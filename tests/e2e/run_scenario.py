#!/usr/bin/env python3
"""One end-to-end scenario: the real program under Xvfb, pressed with X events, against
the scripted server, judged by the files it leaves. Usage: run_scenario.py NAME LARKSPUR SERVER
Set E2E_SHOTS=DIR to keep screenshots of the start, the middle and the end."""
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

BUTTONS = {"Begin": (45, 160), "Stop": (121, 160), "Dial": (205, 160), "Exit": (529, 404)}
MB = 1024 * 1024


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def settings_record(folder, anytime, window):
    """The 299-byte settings record: no dial-up entry, the window, the download folder."""
    record = bytearray(299)
    record[124:128] = bytes(window)
    record[128] = 1 if anytime else 0
    name = folder.encode("cp1251")
    record[131] = len(name)
    record[132:132 + len(name)] = name
    return bytes(record)


class Scenario:
    def __init__(self, larkspur, server, name):
        self.larkspur, self.server_program = os.path.abspath(larkspur), os.path.abspath(server)
        self.name = name
        self.root = tempfile.mkdtemp(prefix="larkspur-e2e-")
        self.home = os.path.join(self.root, "home")
        self.downloads = os.path.join(self.home, "Downloads")
        self.www = os.path.join(self.root, "www")
        for folder in (self.home, self.downloads, self.www):
            os.makedirs(folder)
        self.processes = []
        self.requests = []
        self.shots = os.environ.get("E2E_SHOTS")
        self.app = None

    # --- the world around the program
    def start_display(self):
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        self.display = ":" + xvfb.stdout.readline().decode().strip()

    def start_server(self):
        server = subprocess.Popen([self.server_program, self.www], stdout=subprocess.PIPE, text=True)
        self.processes.append(server)
        self.base = server.stdout.readline().strip()
        check(self.base.startswith("http://127."), "the server did not start")
        self.server_started = time.monotonic()

        def collect():
            for line in server.stdout:
                self.requests.append((time.monotonic(), line.split()))
        threading.Thread(target=collect, daemon=True).start()

    def add_file(self, name, size):
        data = os.urandom(size)
        with open(os.path.join(self.www, name), "wb") as f:
            f.write(data)
        return name

    def prepare(self, urls, anytime=True, window=(2, 0, 9, 0)):
        with open(os.path.join(self.home, "1.pwl"), "wb") as f:
            f.write(settings_record(self.downloads, anytime, window))
        with open(os.path.join(self.home, "1.txt"), "wb") as f:
            f.write("\r\n".join(urls).encode("cp1251"))

    def url(self, mode, name):
        return f"{self.base}/{mode}/{name}"

    # --- the program
    def start_app(self, dialup="sim", faketime=None, fast_timers=False):
        """faketime moves the time of day; with fast_timers the program's timers and tick
        counter run at the same rate (the simulated modem's waits do not, so such runs
        use the machine's own line)."""
        env = dict(os.environ, DISPLAY=self.display, HOME=self.home, LARKSPUR_DIALUP=dialup,
                   XDG_RUNTIME_DIR=self.root, QT_QPA_PLATFORM="xcb")
        if not fast_timers:
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        command = [self.larkspur]
        if faketime:
            command = ["faketime", "-f", faketime] + command
        self.app = subprocess.Popen(command, cwd=self.home, env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(self.app)
        self.app_started = time.monotonic()
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "^Larkspur", timeout=20)
        self.window = found.split()[0]
        time.sleep(0.5)  # the fade-in

    def xdotool(self, *args, timeout=10):
        env = dict(os.environ, DISPLAY=self.display)
        return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True,
                              timeout=timeout, check=True).stdout

    def press(self, button):
        x, y = BUTTONS[button]
        self.xdotool("mousemove", "--window", self.window, str(x), str(y), "click", "1")

    def shot(self, label):
        if self.shots:
            os.makedirs(self.shots, exist_ok=True)
            subprocess.run(["import", "-display", self.display, "-window", "root",
                            os.path.join(self.shots, f"{self.name}-{label}.png")], check=False)

    def exit_app(self, within=10):
        self.press("Exit")
        try:
            self.app.wait(within)
        except subprocess.TimeoutExpired:
            raise Failed(f"the program was still running {within} s after Exit")

    def kill_app(self):
        self.app.send_signal(signal.SIGKILL)
        self.app.wait()

    # --- what it left
    def log(self):
        try:
            with open(os.path.join(self.downloads, "log.txt"), "rb") as f:
                return f.read().decode("cp1251").split("\r\n")[:-1]
        except FileNotFoundError:
            return []

    def url_list(self):
        with open(os.path.join(self.home, "1.txt"), "rb") as f:
            return [line for line in f.read().decode("cp1251").split("\r\n") if line]

    def downloaded(self, name):
        return os.path.join(self.downloads, name)

    def wait_for(self, condition, timeout, what):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.app.poll() is not None:
                raise Failed(f"the program ended while waiting for {what}")
            if condition():
                return
            time.sleep(0.2)
        raise Failed(f"no {what} within {timeout} s; log: {self.log()[-12:]}")

    def wait_for_log(self, line, timeout, count=1):
        self.wait_for(lambda: self.log().count(line) >= count, timeout, f'"{line}" in log.txt')

    def size_of(self, name):
        try:
            return os.path.getsize(self.downloaded(name))
        except FileNotFoundError:
            return 0

    def assert_whole(self, *names):
        for name in names:
            check(os.path.isfile(self.downloaded(name)), f"{name} was not downloaded")
            check(sha256(self.downloaded(name)) == sha256(os.path.join(self.www, name)),
                  f"{name} differs from its source")

    def assert_prefix(self, name):
        """A file that was given up holds only what its source holds, from the start."""
        if not os.path.exists(self.downloaded(name)):
            return
        with open(self.downloaded(name), "rb") as got, open(os.path.join(self.www, name), "rb") as source:
            data = got.read()
            check(data == source.read(len(data)), f"{name} holds bytes its source does not")

    def cleanup(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.root, ignore_errors=True)


def typical_entry(log, url, path, name, size):
    """The lines of one completed file, as the log shows them."""
    start = log.index("Start download: " + url)
    check(log[start + 1:start + 4] == ["  save to: " + path, "", f"Downloaded: {name} Size: {size}"],
          f"the log entry of {name} reads {log[start:start + 7]}")
    check(re.fullmatch(r"  Time: \d\d:\d\d:\d\d", log[start + 4]), f"no time line for {name}")


# --- the scenarios

def night(s):
    sizes = {"a1k.bin": 1024, "b100k.bin": 100 * 1024, "c1m.bin": MB, "d5m.bin": 5 * MB, "e30m.bin": 30 * MB}
    for name, size in sizes.items():
        s.add_file(name, size)
    urls = [s.url("plain", name) for name in sizes]
    s.prepare(urls)
    s.start_app()
    s.shot("start")
    s.press("Begin")
    s.wait_for(lambda: s.size_of("e30m.bin") > 0, 60, "the last file to start")
    s.shot("middle")
    s.wait_for_log("All files downloaded", 120)
    s.shot("end")
    log = s.log()
    s.assert_whole(*sizes)
    for url, (name, size) in zip(urls, sizes.items()):
        typical_entry(log, url, s.downloaded(name), name, size)
    check(log[0] == "Started" and "Успешное соединение" in log, "the log does not begin with the job")
    check(log[-2].startswith("Total time: ") and log[-1].startswith("Total downloaded: "), "no totals")
    check(s.url_list() == [], "1.txt still lists files")
    s.exit_app()
    return f"{sum(sizes.values())} bytes in 5 files"


def window(s):
    s.add_file("w1.bin", 200 * 1024)
    s.add_file("w2.bin", 300 * 1024)
    s.prepare([s.url("plain", "w1.bin"), s.url("plain", "w2.bin")], anytime=False, window=(2, 0, 2, 3))
    speed = 6
    s.start_app(faketime=f"@2026-12-08 01:59:50 x{speed}")
    s.press("Begin")
    s.wait_for_log("Время вышло.", 90)
    s.shot("end")
    first_request = s.requests[0][0]
    fake_seconds_to_request = (first_request - s.app_started) * speed
    check(fake_seconds_to_request >= 9, f"the dial came {fake_seconds_to_request:.0f} s after 01:59:50")
    log = s.log()
    check(log.index("Connecting. Attempt #1") > log.index("Started"), "no dial after Begin")
    check(log.index("Время вышло.") > log.index("All files downloaded"), "the end came before the files")
    s.assert_whole("w1.bin", "w2.bin")
    s.exit_app()
    return f"first request at 01:59:50 + {fake_seconds_to_request:.0f} s of the program's time"


def drops(s):
    s.add_file("big.bin", 30 * MB)
    s.prepare([s.url("drop5", "big.bin")])
    s.start_app(dialup="direct", faketime="+0 x5", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    log = s.log()
    s.assert_whole("big.bin")
    check(len([l for l in log if l.startswith("Downloaded:")]) == 1, "not exactly one Downloaded line")
    errors = len([l for l in log if l.startswith("Error while downloading!")])
    check(errors == 5, f"{errors} errors for five drops")
    resumes = len([l for l in log if l.startswith("Resume download:")])
    s.exit_app()
    return f"30 MiB, 5 drops, {resumes} resumes, {len(s.requests)} requests"


def faults(s):
    for name in ("a.bin", "b.bin", "e.bin", "f.bin"):
        s.add_file(name, MB)
    urls = [s.url("norange", "a.bin"), s.url("badrange", "b.bin"), s.url("status404", "c.html"),
            s.url("status500", "d.html"), s.url("stall", "e.bin"), s.url("plain", "f.bin")]
    s.prepare(urls)
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 180)
    log = s.log()
    s.assert_whole("a.bin", "e.bin", "f.bin")
    s.assert_prefix("b.bin")
    for page in ("c.html", "d.html"):
        check(not os.path.exists(s.downloaded(page)) or os.path.getsize(s.downloaded(page)) == 0,
              f"the error page {page} was saved")
    given_up = [l for l in log if l == "Error while downloading! (10 of 10)"]
    check(len(given_up) == 3, f"{len(given_up)} lines given up, expected b.bin, c.html and d.html")
    check(s.url_list() == [], "1.txt still lists files")
    s.exit_app()
    return f"{len(s.requests)} requests, {len([l for l in log if l.startswith('Error')])} failed passes"


def interrupted_transfer(s, interrupt, after_bytes):
    """A slow 30 MiB file cut off by `interrupt`, then resumed by a new start and Begin."""
    s.add_file("big.bin", 30 * MB)
    url = s.url("rate3000000", "big.bin")
    s.prepare([url])
    settings = open(os.path.join(s.home, "1.pwl"), "rb").read()
    s.start_app()
    s.press("Begin")
    s.wait_for(lambda: s.size_of("big.bin") > after_bytes, 60, f"{after_bytes} bytes of the file")
    s.shot("middle")
    started = time.monotonic()
    interrupt()
    took = time.monotonic() - started
    kept = s.size_of("big.bin")
    check(s.url_list() == [url], "1.txt does not list the unfinished file")
    check(open(os.path.join(s.home, "1.pwl"), "rb").read() == settings, "the settings changed")
    s.start_app()
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    s.assert_whole("big.bin")
    check("Resume download: " + url in s.log(), "the file was not resumed")
    s.exit_app()
    return f"ended in {took:.1f} s at {kept} bytes, resumed to the whole file"


def kill(s):
    return interrupted_transfer(s, s.kill_app, 6 * MB)


def exit_(s):
    return interrupted_transfer(s, lambda: s.exit_app(within=5), 3 * MB)


def dialfail(s):
    s.add_file("f.bin", 100 * 1024)
    s.prepare([s.url("plain", "f.bin")])
    s.start_app(dialup="sim:19,19/691;19,19/691;19,14,8192")
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    log = s.log()
    check(log.count("Пароль не подошел. Use PWLHack.") == 2, "not two password errors")
    check("Connecting. Attempt #3" in log and "Connecting. Attempt #4" not in log, "not three dials")
    waited = s.requests[0][0] - s.app_started
    check(waited >= 14, f"the redials took only {waited:.1f} s")
    s.assert_whole("f.bin")
    s.exit_app()
    return f"downloaded {waited:.1f} s after the start, after two failed dials"


SCENARIOS = {"night": night, "window": window, "drops": drops, "faults": faults,
             "kill": kill, "exit": exit_, "dialfail": dialfail}


def main():
    name, larkspur, server = sys.argv[1:4]
    scenario = Scenario(larkspur, server, name)
    started = time.monotonic()
    try:
        scenario.start_display()
        scenario.start_server()
        figures = SCENARIOS[name](scenario)
        print(f"e2e {name}: passed in {time.monotonic() - started:.1f} s: {figures}")
        return 0
    except (Failed, OSError, subprocess.SubprocessError) as failure:
        scenario.shot("failure")
        print(f"e2e {name}: FAILED after {time.monotonic() - started:.1f} s: {failure}")
        return 1
    finally:
        scenario.cleanup()


if __name__ == "__main__":
    sys.exit(main())
