"""The world an end-to-end scenario runs in: a display, the scripted server, the real program
pressed with X events, and what it left on disk."""
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

BUTTONS = {"Begin": (45, 160), "Stop": (121, 160), "Dial": (205, 160), "Save": (445, 160),
           "Exit": (529, 404)}
# Debian's own interpreter, which has the dbusmock and dbus modules.
SYSTEM_PYTHON = "/usr/bin/python3"
MB = 1024 * 1024


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def settings_record(folder, anytime, window, turn_off=False, disconnect=False):
    """The 299-byte settings record: no dial-up entry, the window, the ticks, the download folder."""
    record = bytearray(299)
    record[124:128] = bytes(window)
    record[128:131] = bytes([anytime, turn_off, disconnect])
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
        self.bus = None
        self.mocks = {}

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
        """A file of random bytes; `name` may lead through folders ("a/x.bin")."""
        data = os.urandom(size)
        os.makedirs(os.path.dirname(os.path.join(self.www, name)), exist_ok=True)
        with open(os.path.join(self.www, name), "wb") as f:
            f.write(data)
        return name

    def prepare(self, urls, anytime=True, window=(2, 0, 9, 0), turn_off=False, disconnect=False):
        with open(os.path.join(self.home, "1.pwl"), "wb") as f:
            f.write(settings_record(self.downloads, anytime, window, turn_off, disconnect))
        with open(os.path.join(self.home, "1.txt"), "wb") as f:
            f.write("\r\n".join(urls).encode("cp1251"))

    def url(self, mode, name):
        return f"{self.base}/{mode}/{name}"

    # --- the desktop's services: python3-dbusmock templates on one private bus, which the
    # program takes for both its session and its system bus
    def start_bus(self):
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, text=True)
        self.processes.append(bus)
        self.bus = bus.stdout.readline().strip()
        check(self.bus, "the private bus did not start")

    def start_mock(self, template, name, parameters=None):
        """Starts a dbusmock template ("notification_daemon", "logind") that owns the bus name
        `name`; `parameters` as the template takes them, such as {"capabilities": "actions body"}."""
        if not self.bus:
            self.start_bus()
        log = os.path.join(self.root, f"{template}.calls")
        command = [SYSTEM_PYTHON, "-m", "dbusmock", "--session", "-t", template, "-l", log]
        if parameters:
            command += ["-p", json.dumps(parameters)]
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus, DBUS_SYSTEM_BUS_ADDRESS=self.bus)
        self.processes.append(subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL))
        self.mocks[template] = log
        self.wait_for(lambda: self.bus_has(name), 20, f"{name} on the private bus", app=False)

    def start_notifications(self, actions=True):
        caps = "actions body icon-static" if actions else "body icon-static"
        self.start_mock("notification_daemon", "org.freedesktop.Notifications", {"capabilities": caps})

    def start_logind(self):
        self.start_mock("logind", "org.freedesktop.login1")

    def bus_has(self, name):
        found = subprocess.run(["dbus-send", f"--bus={self.bus}", "--print-reply", "--dest=org.freedesktop.DBus",
                                "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}"],
                               capture_output=True, text=True, timeout=10)
        return "boolean true" in found.stdout

    def mock_calls(self, template, method):
        """The calls of `method` the mock got, each as the rest of its log entry after the name:
        Notify's as '"larkspur" 0 "ICON" "TITLE" "BODY" [ACTIONS] {HINTS} -1'. The mock writes
        texts as they are, line breaks and quotes included."""
        try:
            with open(self.mocks[template]) as f:
                text = f.read()
        except FileNotFoundError:
            return []
        calls = []
        for entry in re.split(r"(?m)^\d+\.\d+ ", text):
            name, _, rest = entry.partition(" ")
            if name.strip() == method:
                calls.append(rest.rstrip("\n"))
        return calls

    def notifications(self):
        """The Notify calls as (id it replaces, title, body, [action key, label, ...])."""
        found = []
        for call in self.mock_calls("notification_daemon", "Notify"):
            match = re.match(r'"[^"]*" (\d+) "[^"]*" "(.*?)" "(.*)" \[(.*?)\] \{', call, re.S)
            if match:
                found.append((int(match[1]), match[2], match[3], re.findall(r'"([^"]*)"', match[4])))
        return found

    def pick_action(self, notification_id, key):
        """Plays a click on the action `key` of the notification `notification_id`."""
        script = ("import dbus, sys\n"
                  "bus = dbus.bus.BusConnection(sys.argv[1])\n"
                  "mock = bus.get_object('org.freedesktop.Notifications', '/org/freedesktop/Notifications')\n"
                  "mock.EmitSignal('org.freedesktop.Notifications', 'ActionInvoked', 'us',\n"
                  "                [dbus.UInt32(int(sys.argv[2])), sys.argv[3]], dbus_interface='org.freedesktop.DBus.Mock')\n")
        subprocess.run([SYSTEM_PYTHON, "-c", script, self.bus, str(notification_id), key], check=True, timeout=10)

    # --- the program
    def app_env(self, dialup="sim", fast_timers=False):
        env = dict(os.environ, DISPLAY=self.display, HOME=self.home, LARKSPUR_DIALUP=dialup,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_RUNTIME_DIR=self.root, QT_QPA_PLATFORM="xcb")
        # Without a bus of the scenario's own, none: the machine's buses are never used.
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus or "unix:path=/nonexistent"
        env["DBUS_SYSTEM_BUS_ADDRESS"] = self.bus or "unix:path=/nonexistent"
        env.pop("XDG_DATA_HOME", None)
        if not fast_timers:
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        return env

    def start_app(self, dialup="sim", faketime=None, fast_timers=False, prefix=(), wait=True, arguments=(),
                  environment=None):
        """faketime moves the time of day; with fast_timers the program's timers and tick
        counter run at the same rate (the simulated modem's waits do not, so such runs
        use the machine's own line). `prefix` runs the program through another command,
        `arguments` are given to the program, `environment` is added to its environment (such as
        {"LARKSPUR_POWER_OFF_DELAY": "3"});
        without `wait` the caller waits for the window (an error box may come first)."""
        command = [self.larkspur, *arguments]
        if faketime:
            command = ["faketime", "-f", faketime] + command
        self.app = subprocess.Popen(list(prefix) + command, cwd=self.home,
                                    env=dict(self.app_env(dialup, fast_timers), **(environment or {})),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(self.app)
        self.app_started = time.monotonic()
        if wait:
            self.wait_for_window()

    def wait_for_window(self):
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "^Larkspur", timeout=20)
        self.window = found.split()[0]
        time.sleep(0.5)  # the fade-in

    def error_boxes(self):
        """The error boxes on the display (titled as the program)."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Project2.exe$"],
                               env=dict(os.environ, DISPLAY=self.display), capture_output=True,
                               text=True, timeout=10)
        return found.stdout.split()

    def dismiss_error_box(self, timeout=20):
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "^Project2.exe$",
                             timeout=timeout)
        box = found.split()[-1]  # the newest: a box shown inside another's wait is on top
        self.shot("error-box")
        self.xdotool("windowfocus", "--sync", box, "key", "Return")

    def countdown_dialog(self, timeout=20):
        """The power-off countdown's window (titled "Larkspur" alone), once it shows."""
        found = self.xdotool("search", "--sync", "--onlyvisible", "--name", "^Larkspur$", timeout=timeout)
        return found.split()[0]

    def cancel_countdown(self):
        self.xdotool("windowfocus", "--sync", self.countdown_dialog(), "key", "Escape")

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

    def wait_for(self, condition, timeout, what, app=True):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if app and self.app.poll() is not None:
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
